// Console control (routines 135-142) on a terminal: escape sequences for the screen and
// the cursor, termios for the keyboard. When standard output is not a terminal the screen
// routines write nothing and wherex/wherey answer 1; keys are then read from standard
// input as it is.
//
// Colours are the console's sixteen: bit 0 blue, bit 1 green, bit 2 red, bit 3 bright.
// Special keys (arrows, Home, End, Page Up/Down, Insert, Delete, F1-F10) arrive as the
// two keys 0 and the key's scan code, as console programs expect them.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>

#include "runtime/stdlib.h"
#include "runtime/stdroutines.h"
#include "vm/stdroutines.h"

namespace tarn::rt {

namespace {

std::deque<uint8_t> g_keys;  // keys read ahead (by keypressed, or around a cursor report)

bool OutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

void WriteAll(int fd, std::string_view s) {
    while (!s.empty()) {
        ssize_t n = write(fd, s.data(), s.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        s.remove_prefix(static_cast<size_t>(n));
    }
}

// Sends an escape sequence to the screen, after whatever the program already wrote.
void Emit(const std::string& sequence) {
    if (!OutputIsTerminal()) return;
    std::fflush(stdout);
    WriteAll(STDOUT_FILENO, sequence);
}

// The terminal in character mode (no line editing, no echo, CR not turned into LF) for
// the lifetime of the object; signals still work.
class RawMode {
public:
    RawMode(int fd, int minChars) : fd_(fd) {
        active_ = isatty(fd) == 1 && tcgetattr(fd, &saved_) == 0;
        if (!active_) return;
        termios raw = saved_;
        raw.c_lflag &= ~(ICANON | ECHO);
        raw.c_iflag &= ~ICRNL;
        raw.c_cc[VMIN] = static_cast<cc_t>(minChars);
        raw.c_cc[VTIME] = 0;
        tcsetattr(fd, TCSANOW, &raw);
    }
    ~RawMode() {
        if (active_) tcsetattr(fd_, TCSANOW, &saved_);
    }
    RawMode(const RawMode&) = delete;
    RawMode& operator=(const RawMode&) = delete;

private:
    int fd_;
    bool active_;
    termios saved_{};
};

// One byte from fd within timeoutMs (-1: no limit); -1 when none came.
int ReadByte(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        int n = poll(&p, 1, timeoutMs);
        if (n < 0 && errno == EINTR) {
            if (g_userBreak) return -1;
            continue;
        }
        if (n <= 0) return -1;
        uint8_t c;
        ssize_t got = read(fd, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        return got == 1 ? c : -1;
    }
}

// ---- Screen ---------------------------------------------------------------------------

struct Size {
    int columns, rows;
};

Size ScreenSize() {
    winsize ws{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0)
        return {ws.ws_col, ws.ws_row};
    return {80, 25};
}

// The console colour c as the index of the same colour in the terminal's palette.
int PaletteIndex(uint32_t c) { return ((c & 1) ? 4 : 0) | (c & 2) | ((c & 4) ? 1 : 0); }

std::string ColourSequence(uint32_t c, bool background) {
    int base = background ? ((c & 8) ? 100 : 40) : ((c & 8) ? 90 : 30);
    return "\x1b[" + std::to_string(base + PaletteIndex(c)) + "m";
}

StdOutcome ClrScr(Regs&, int&) {
    Emit("\x1b[2J\x1b[H");
    return StdOutcome::Continue;
}

// Stack: x, y. A position outside the screen leaves the cursor where it is.
StdOutcome GotoXY(Regs& r, int&) {
    int32_t y = static_cast<int32_t>(Pop(r));
    int32_t x = static_cast<int32_t>(Pop(r));
    if (!OutputIsTerminal()) return StdOutcome::Continue;
    Size size = ScreenSize();
    if (x >= 1 && x <= size.columns && y >= 1 && y <= size.rows)
        Emit("\x1b[" + std::to_string(y) + ";" + std::to_string(x) + "H");
    return StdOutcome::Continue;
}

StdOutcome TextColor(Regs& r, int&) {
    Emit(ColourSequence(Pop(r) & 15, false));
    return StdOutcome::Continue;
}

StdOutcome TextBackground(Regs& r, int&) {
    Emit(ColourSequence(Pop(r) & 15, true));
    return StdOutcome::Continue;
}

// Asks the terminal for the cursor position ("ESC [ row ; column R"); keys typed before the
// answer are kept for readkey. {1, 1} when there is no terminal or no answer.
struct Cursor {
    int x, y;
};

Cursor CursorPosition() {
    Cursor where{1, 1};
    if (!OutputIsTerminal()) return where;
    const char* name = ttyname(STDOUT_FILENO);
    int fd = name ? open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    if (fd < 0) return where;
    {
        RawMode raw(fd, 0);
        std::fflush(stdout);
        WriteAll(fd, "\x1b[6n");
        std::string reply;
        for (int c; (c = ReadByte(fd, 500)) >= 0;) {
            if (reply.empty() && c != 0x1b) {
                g_keys.push_back(static_cast<uint8_t>(c));
                continue;
            }
            reply += static_cast<char>(c);
            if (c == 'R') break;
        }
        int row = 0, column = 0;
        if (std::sscanf(reply.c_str(), "\x1b[%d;%dR", &row, &column) == 2 && row > 0 && column > 0)
            where = {column, row};
    }
    close(fd);
    return where;
}

StdOutcome WhereX(Regs& r, int&) {
    Push(r, static_cast<uint32_t>(CursorPosition().x));
    return StdOutcome::Continue;
}

StdOutcome WhereY(Regs& r, int&) {
    Push(r, static_cast<uint32_t>(CursorPosition().y));
    return StdOutcome::Continue;
}

// ---- Keyboard -------------------------------------------------------------------------

struct KeySequence {
    const char* text;  // what the terminal sends after ESC
    uint8_t scanCode;
};

constexpr KeySequence kSpecialKeys[] = {
    {"[A", 72},   {"[B", 80},   {"[C", 77},   {"[D", 75},   {"[H", 71},   {"[F", 79},
    {"OH", 71},   {"OF", 79},   {"[1~", 71},  {"[4~", 79},  {"[2~", 82},  {"[3~", 83},
    {"[5~", 73},  {"[6~", 81},  {"OP", 59},   {"OQ", 60},   {"OR", 61},   {"OS", 62},
    {"[15~", 63}, {"[17~", 64}, {"[18~", 65}, {"[19~", 66}, {"[20~", 67}, {"[21~", 68},
};

// After an ESC: the rest of a special key's sequence, which a terminal sends at once.
// A known sequence becomes 0 and its scan code; anything else stays as it was typed.
void ReadEscapeSequence(int fd) {
    std::string rest;
    for (int c; rest.size() < 5 && (c = ReadByte(fd, 30)) >= 0;) {
        rest += static_cast<char>(c);
        if (rest.size() >= 2 && (std::isalpha(static_cast<unsigned char>(c)) || c == '~')) break;
    }
    for (const auto& key : kSpecialKeys) {
        if (rest == key.text) {
            g_keys.push_back(0);
            g_keys.push_back(key.scanCode);
            return;
        }
    }
    g_keys.push_back(0x1b);
    for (char c : rest) g_keys.push_back(static_cast<uint8_t>(c));
}

// Reads one key into g_keys, waiting at most timeoutMs (-1: no limit). False when none.
bool FetchKey(int timeoutMs) {
    RawMode raw(STDIN_FILENO, 1);
    int c = ReadByte(STDIN_FILENO, timeoutMs);
    if (c < 0) return false;
    bool terminal = isatty(STDIN_FILENO) == 1;
    if (c == 0x1b && terminal) ReadEscapeSequence(STDIN_FILENO);
    // Enter typed while the terminal was still in line mode arrives as a line feed.
    else if (c == '\n' && terminal) g_keys.push_back('\r');
    else g_keys.push_back(static_cast<uint8_t>(c));
    return true;
}

StdOutcome KeyPressed(Regs& r, int&) {
    Push(r, !g_keys.empty() || FetchKey(0) ? 1 : 0);
    return StdOutcome::Continue;
}

// The next key; 0 when standard input has ended.
StdOutcome ReadKey(Regs& r, int&) {
    uint32_t key = 0;
    if (!g_keys.empty() || FetchKey(-1)) {
        key = g_keys.front();
        g_keys.pop_front();
    }
    Push(r, key);
    return StdOutcome::Continue;
}

}  // namespace

void ResetConsole() { g_keys.clear(); }

void RegisterConsoleRoutines() {
    using vm::Std;
    RegisterStd(vm::Number(Std::ClrScr), ClrScr);
    RegisterStd(vm::Number(Std::GotoXY), GotoXY);
    RegisterStd(vm::Number(Std::KeyPressed), KeyPressed);
    RegisterStd(vm::Number(Std::ReadKey), ReadKey);
    RegisterStd(vm::Number(Std::TextBackground), TextBackground);
    RegisterStd(vm::Number(Std::TextColor), TextColor);
    RegisterStd(vm::Number(Std::WhereX), WhereX);
    RegisterStd(vm::Number(Std::WhereY), WhereY);
}

}  // namespace tarn::rt
