// The argument reader. It works on a copy of the current argument, so argv itself is
// never written to.
#include "compiler/driver/arg_reader.h"

#include <string>

namespace tarn::tpc {

namespace {

struct ArgumentReader {
    int argc = 0;
    char** argv = nullptr;
    std::string prefixes;
    int index = 0;           // the current argument; 0 (the program) before the first piece
    std::string argument;    // copy of argv[index]
    size_t cut = 0;          // where the next piece of this argument starts
    bool cutPending = false;
    std::string piece;       // the piece handed out last
};
ArgumentReader gReader;

bool IsPrefix(char c) { return c != '\0' && gReader.prefixes.find(c) != std::string::npos; }

// End of the piece that starts at `start`: the next prefix character that has a
// character after it, inside an option argument only. A piece "-o..." or "-h..." runs to
// the end of the argument because its value is a name or a text.
size_t PieceEnd(size_t start) {
    const std::string& a = gReader.argument;
    if (a.empty() || !IsPrefix(a[0])) return a.size();
    if (start + 1 < a.size() && (a[start + 1] == 'o' || a[start + 1] == 'h')) return a.size();
    for (size_t i = start + 1; i + 1 < a.size(); ++i)
        if (IsPrefix(a[i])) return i;
    return a.size();
}

bool Advance() {
    if (gReader.index + 1 >= gReader.argc) {
        gReader.index = gReader.argc;
        return false;
    }
    ++gReader.index;
    gReader.argument = gReader.argv[gReader.index] ? gReader.argv[gReader.index] : "";
    gReader.cut = 0;
    gReader.cutPending = false;
    return true;
}

}  // namespace

void StartArguments(int argc, char** argv, const char* prefixes) {
    gReader = ArgumentReader{};
    gReader.argc = argc;
    gReader.argv = argv;
    gReader.prefixes = prefixes ? prefixes : "";
}

const char* NextPiece() {
    if (!gReader.cutPending && !Advance()) return nullptr;
    const size_t start = gReader.cutPending ? gReader.cut : 0;
    const size_t end = PieceEnd(start);
    gReader.piece = gReader.argument.substr(start, end - start);
    gReader.cutPending = end < gReader.argument.size();
    gReader.cut = end;
    return gReader.piece.c_str();
}

const char* NextArgument() {
    if (gReader.cutPending || !Advance()) return nullptr;
    gReader.piece = gReader.argument;
    return gReader.piece.c_str();
}

void RestartArguments() {
    gReader.index = 0;
    gReader.cutPending = false;
    gReader.argument.clear();
}

}  // namespace tarn::tpc
