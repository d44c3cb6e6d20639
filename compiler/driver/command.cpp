// The console printers, the usage texts and the command line of tpc.
#include "compiler/driver/command.h"

#include <algorithm>
#include <cerrno>
#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "compiler/driver/arg_reader.h"
#include "compiler/driver/compile.h"
#include "compiler/base/options.h"

namespace tarn::tpc {

namespace {

// Kind names by kind value (FATAL shows as an error).
constexpr const char* LONG_NAME[] = {"Error", "Error", "Warning", "Inform", "Trace"};
constexpr const char* LETTER[] = {"E", "E", "W", "I", "T"};
constexpr const char* LOWER_NAME[] = {"error", "error", "warning", "inform", "trace"};
constexpr const char* LIST_WORD[] = {"FATAL ", "ERROR ", "WARNING ", "INFORM ", "TRACE "};
constexpr size_t MAX_SHOWN_FILE = 300;
constexpr char EOF_CHAR = 26;

size_t KindIndex(MsgKind kind) { return std::min<size_t>(static_cast<size_t>(kind), 4); }

// Every piece goes out at once, so messages interleave correctly with other output.
void Put(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

template <class... Args>
void PutF(const char* format, Args... args) {
    std::printf(format, args...);
    std::fflush(stdout);
}

// The source line at `context`, then a caret under column `col`; tabs of the line are
// repeated in the caret line so the caret lines up whatever the tab width.
void ShowContext(const Position& context, int32_t col) {
    if (!context.filename || !*context.filename) return;
    std::string line;
    if (!ReadLineFromFile(context, line)) return;
    const size_t eof = line.find(EOF_CHAR);
    if (eof != std::string::npos) line = line.substr(0, eof) + "<EOF>";
    const size_t visible = eof != std::string::npos ? eof : line.size();
    Put(line.c_str());
    Put("\n");
    std::string caret;
    for (int32_t i = 0; i < col && static_cast<size_t>(i) < visible; ++i)
        caret.push_back(line[i] == '\t' ? '\t' : ' ');
    caret += "^\n";
    Put(caret.c_str());
}

void PrintBorland(MsgKind kind, const char* file, uint32_t line, const char* text) {
    if (kind != MsgKind::INFORM)
        PutF("%s %s %lu: ", LONG_NAME[KindIndex(kind)], file ? file : "",
             static_cast<unsigned long>(line));
    Put(text);
    Put("\n");
}

void PrintMicrosoft(MsgKind kind, int number, const char* file, uint32_t line, const char* text) {
    if (kind != MsgKind::INFORM) {
        if (file && std::strlen(file) <= MAX_SHOWN_FILE) Put(file);
        PutF("(%lu) : %s %d: ", static_cast<unsigned long>(line), LOWER_NAME[KindIndex(kind)],
             number);
    }
    Put(text);
    Put("\n");
}

// The position part of the native heading: " (line 12, col 5): " or, brief, " 12: ".
std::string NativePlace(bool brief, bool fileShown, uint32_t line, int32_t col) {
    char buf[64];
    if (line == 0 && col < 0) return fileShown ? ": " : " ";
    std::string place;
    if (brief) {
        if (line != 0) {
            std::snprintf(buf, sizeof buf, " %lu", static_cast<unsigned long>(line));
            place += buf;
        }
        return place + ": ";
    }
    place = " (";
    if (line != 0) {
        std::snprintf(buf, sizeof buf, "line %lu", static_cast<unsigned long>(line));
        place += buf;
    }
    if (line != 0 && col >= 0) place += ", ";
    if (col >= 0) {
        std::snprintf(buf, sizeof buf, "col %d", col + 1);
        place += buf;
    }
    return place + "): ";
}

void PrintNative(MsgKind kind, int number, const char* file, uint32_t line, int32_t col,
                 const char* text, const Position* context) {
    if (kind == MsgKind::INFORM) {
        Put(text);
        Put("\n");
        return;
    }
    const bool brief = IsFlagOption(opt::b);
    if (brief)
        PutF("%s%03d:", LETTER[KindIndex(kind)], number);
    else
        PutF("%s #%d:", LONG_NAME[KindIndex(kind)], number);
    const bool fileShown = file && std::strlen(file) + 3 <= MAX_SHOWN_FILE;
    if (fileShown) PutF(" \"%s\"", file);
    Put(NativePlace(brief, fileShown, line, col).c_str());
    Put(text);
    Put("\n");
    if (context && IsFlagOption(opt::mc)) ShowContext(*context, col);
}

}  // namespace

void ConsolePrinter(MsgKind kind, int number, const char* file, uint32_t line, int32_t col,
                    const char* text, const Position* context) {
    TPC_CHECK(number >= 1);
    if (IsFlagOption(opt::mb)) PrintBorland(kind, file, line, text);
    else if (IsFlagOption(opt::mm)) PrintMicrosoft(kind, number, file, line, text);
    else PrintNative(kind, number, file, line, col, text, context);
}

void ConsoleListPrinter(uint32_t flags, int number, const char* format) {
    Put(LIST_WORD[std::min<uint32_t>(flags & MSG_KIND_MASK, 4)]);
    PutF("%u %s", static_cast<unsigned>(number), format);
    if (flags & MSG_NO_CONTEXT) Put(" (NO CONTEXT)");
    Put("\n");
}

// --- Usage ---------------------------------------------------------------------------

void PrintShortUsage() {
    Put("Usage:\ttpc [options] filename\n"
        "   or \ttpc ?\n"
        "   or \ttpc\n"
        "where \t'options' modify the behavior of the compiler\n"
        "  and \t'filename' is the file to be compiled\n");
}

void PrintLongUsage(bool withZ) {
    constexpr int LAST_PLAIN_RANK = 47;   // ranks above are the z... options
    Put("Usage:\ttpc [options] filename\n");
    Put("\toptions:\t*=default; -x- turns option x off\n");
    std::vector<const OptionInfo*> rows;
    for (const OptionInfo& o : OptionTable())
        if (withZ || o.usageRank <= LAST_PLAIN_RANK) rows.push_back(&o);
    std::sort(rows.begin(), rows.end(),
              [](const OptionInfo* a, const OptionInfo* b) { return a->usageRank < b->usageRank; });
    for (const OptionInfo* o : rows) PutF(o->usage, '-', static_cast<unsigned>(MAX_STACK_K));
    Put("\n");
}

// --- Command line ----------------------------------------------------------------------

namespace {

constexpr const char* OPTION_PREFIXES = "-";

const OptionInfo* FindOption(const char* rest) {
    for (const OptionInfo& o : OptionTable())
        if (std::strncmp(rest, o.name, std::strlen(o.name)) == 0) return &o;
    return nullptr;
}

// A flag is off when the rest of the piece holds a "-" that no "+" precedes.
bool FlagValue(const char* rest) {
    const char* minus = std::strchr(rest, '-');
    const char* plus = std::strchr(rest, '+');
    return !(minus && (!plus || minus < plus));
}

const char* SkipSign(const char* p) { return (*p == '+' || *p == '-') ? p + 1 : p; }

void UnknownOption(const char* piece) { ReportMessage(msg::UnknownOption, nullptr, piece); }

// Reads a number with C-style base detection (or decimal). Requires at least one digit,
// so "-me" alone is refused rather than read as "-me0".
bool ReadNumber(const char*& p, int base, long& value) {
    char* end;
    errno = 0;
    value = std::strtol(p, &end, base);
    if (end == p || errno == ERANGE) return false;
    p = end;
    return true;
}

int MessageControlId(int id) {
    if (id == opt::zt) return opt::TraceMessages;
    if (id == opt::I) return opt::InformMessages;
    return opt::WarningMessages;
}

// One option of a piece; returns where the next option starts, or null to stop the piece.
const char* ParseOneOption(const char* piece, const char* rest) {
    const OptionInfo* o = FindOption(rest);
    if (!o) {
        UnknownOption(piece);
        return nullptr;
    }
    rest += std::strlen(o->name);
    switch (o->form) {
    case OptionForm::FLAG:
        SetFlag(o->id, FlagValue(rest));
        return SkipSign(rest);
    case OptionForm::NUMBER: {
        long value;
        if (!ReadNumber(rest, 0, value) || value < o->low || value > o->high) {
            UnknownOption(piece);
            return nullptr;
        }
        SetOption(o->id, static_cast<int32_t>(value), 0);
        return rest;
    }
    case OptionForm::TEXT: {
        // The value is the rest of the argument, or the next argument after a bare -o / -h.
        const char* value = *rest ? rest : NextArgument();
        if (!value) {
            UnknownOption(piece);
            return nullptr;
        }
        SetOption(o->id, value);
        return "";
    }
    case OptionForm::ACTION:
        ListMessages();
        std::exit(1);
    case OptionForm::MSGCTL: {
        const int id = MessageControlId(o->id);
        long number = 0;
        if (*rest >= '0' && *rest <= '9' && !ReadNumber(rest, o->id == opt::W ? 10 : 0, number))
            number = -1;
        if (number < 0 || number > MAX_MESSAGE ||
            !IsControllableMessage(id, static_cast<int32_t>(number))) {
            UnknownOption(piece);
            return nullptr;
        }
        SetOption(id, static_cast<int32_t>(number), FlagValue(rest) ? 1 : 0);
        return SkipSign(rest);
    }
    }
    return nullptr;
}

void ParseOptionPiece(const char* piece) {
    // An empty rest counts as "=", which names no option.
    const char* rest = piece[1] ? piece + 1 : "=";
    while (rest && *rest) rest = ParseOneOption(piece, rest);
}

// The source name of an argument: ".pas" added when it has no extension; an image
// (".tvm") is refused.
std::string SourceFileName(const char* piece) {
    const char* slash = std::strrchr(piece, '/');
    const char* dot = std::strrchr(slash ? slash : piece, '.');
    if (!dot) return std::string(piece) + ".pas";
    if (std::strcmp(dot, ".tvm") == 0) ReportMessage(msg::CanNotOpenFile, nullptr, piece);
    return piece;
}

}  // namespace

void ParseCommandLine(int argc, char** argv) {
    StartArguments(argc, argv, OPTION_PREFIXES);
    std::string source;
    bool haveSource = false;
    while (const char* piece = NextPiece()) {
        if (std::strchr(OPTION_PREFIXES, piece[0]) && piece[0] != '\0') {
            ParseOptionPiece(piece);
        } else if (std::strcmp(piece, "?") == 0 || std::strcmp(piece, "??") == 0) {
            PrintLongUsage(piece[1] == '?');
            std::exit(1);
        } else if (haveSource) {
            UnknownOption(piece);
        } else {
            source = SourceFileName(piece);
            haveSource = true;
        }
    }
    if (!haveSource) {
        PrintShortUsage();
        std::exit(1);
    }
    if (!SetSourceName(source.c_str()))
        ReportMessage(msg::FileNameTooLong, nullptr, source.c_str());
}

}  // namespace tarn::tpc
