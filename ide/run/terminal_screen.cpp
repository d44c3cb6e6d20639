// The console window's screen model.
#include "ide/run/terminal_screen.h"

#include <algorithm>

namespace tarn::ide {

TerminalScreen::TerminalScreen(int columns, int rows)
    : columns_(std::max(columns, 1)), rows_(std::max(rows, 1)) {
    Clear();
}

std::vector<ScreenCell> TerminalScreen::BlankLine() const {
    ScreenCell blank;
    blank.bg = bg_;
    return std::vector<ScreenCell>(size_t(columns_), blank);
}

void TerminalScreen::Clear() {
    screen_.assign(size_t(rows_), BlankLine());
    row_ = col_ = 0;
    wrapPending_ = false;
}

std::string TerminalScreen::TakeReplies() {
    std::string r;
    r.swap(replies_);
    return r;
}

void TerminalScreen::Feed(const char* data, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        auto b = static_cast<unsigned char>(data[i]);
        switch (state_) {
        case State::Escape:
            if (b == '[') {
                state_ = State::Csi;
                params_.clear();
            } else if (b == ']') {
                state_ = State::Osc;
            } else {
                if (b == 'c') {  // reset
                    fg_ = bg_ = -1;
                    Clear();
                }
                state_ = State::Text;
            }
            continue;
        case State::Csi:
            if (b >= 0x40 && b <= 0x7e) {
                state_ = State::Text;
                Csi(char(b));
            } else {
                params_ += char(b);
            }
            continue;
        case State::Osc:  // a window title and the like, up to BEL or ESC
            if (b == 7) state_ = State::Text;
            if (b == 0x1b) state_ = State::Escape;
            continue;
        case State::Text: break;
        }
        if (pendingBytes_ > 0) {
            if ((b & 0xC0) == 0x80) {
                pending_ = (pending_ << 6) | (b & 0x3F);
                if (--pendingBytes_ == 0) Put(pending_);
                continue;
            }
            pendingBytes_ = 0;
            Put(U'?');
        }
        if (b >= 0x80) {
            if ((b & 0xE0) == 0xC0) {
                pending_ = b & 0x1F;
                pendingBytes_ = 1;
            } else if ((b & 0xF0) == 0xE0) {
                pending_ = b & 0x0F;
                pendingBytes_ = 2;
            } else if ((b & 0xF8) == 0xF0) {
                pending_ = b & 0x07;
                pendingBytes_ = 3;
            } else {
                Put(char32_t(b));  // a lone byte of another code: shown as Latin-1
            }
            continue;
        }
        switch (b) {
        case 0x1b: state_ = State::Escape; break;
        case '\n': LineFeed(); break;
        case '\r': CarriageReturn(); break;
        case '\b':
            if (col_ > 0) --col_;
            wrapPending_ = false;
            break;
        case '\t': {
            int next = std::min(columns_ - 1, (col_ / 8 + 1) * 8);
            col_ = next;
            break;
        }
        case 7: break;  // bell
        default:
            if (b >= 0x20) Put(char32_t(b));
        }
    }
}

void TerminalScreen::Put(char32_t c) {
    if (wrapPending_) {
        CarriageReturn();
        LineFeed();
    }
    ScreenCell& cell = screen_[size_t(row_)][size_t(col_)];
    cell.ch = c;
    cell.fg = fg_;
    cell.bg = bg_;
    if (col_ + 1 < columns_)
        ++col_;
    else
        wrapPending_ = true;
}

void TerminalScreen::LineFeed() {
    wrapPending_ = false;
    if (row_ + 1 < rows_) {
        ++row_;
        return;
    }
    if (history_.size() >= MAX_SCROLLED_LINES) history_.erase(history_.begin());
    history_.push_back(Encode(screen_.front()));
    screen_.erase(screen_.begin());
    screen_.push_back(BlankLine());
}

int TerminalScreen::Param(size_t i, int otherwise) const {
    size_t start = 0;
    for (size_t k = 0; k < i; ++k) {
        start = params_.find(';', start);
        if (start == std::string::npos) return otherwise;
        ++start;
    }
    size_t end = params_.find(';', start);
    std::string p = params_.substr(start, end == std::string::npos ? end : end - start);
    if (p.empty() || p.find_first_not_of("0123456789") != std::string::npos) return otherwise;
    return std::stoi(p.substr(0, 6));
}

void TerminalScreen::Csi(char final) {
    auto clampRow = [this](int r) { return std::clamp(r, 0, rows_ - 1); };
    auto clampCol = [this](int c) { return std::clamp(c, 0, columns_ - 1); };
    wrapPending_ = false;
    switch (final) {
    case 'H':
    case 'f':
        row_ = clampRow(Param(0, 1) - 1);
        col_ = clampCol(Param(1, 1) - 1);
        break;
    case 'A': row_ = clampRow(row_ - std::max(1, Param(0, 1))); break;
    case 'B': row_ = clampRow(row_ + std::max(1, Param(0, 1))); break;
    case 'C': col_ = clampCol(col_ + std::max(1, Param(0, 1))); break;
    case 'D': col_ = clampCol(col_ - std::max(1, Param(0, 1))); break;
    case 'G': col_ = clampCol(Param(0, 1) - 1); break;
    case 'd': row_ = clampRow(Param(0, 1) - 1); break;
    case 'J': {
        int mode = Param(0, 0);
        if (mode == 2 || mode == 3) {
            screen_.assign(size_t(rows_), BlankLine());
        } else if (mode == 0) {
            for (int c = col_; c < columns_; ++c) screen_[size_t(row_)][size_t(c)] = BlankLine()[0];
            for (int r = row_ + 1; r < rows_; ++r) screen_[size_t(r)] = BlankLine();
        } else if (mode == 1) {
            for (int r = 0; r < row_; ++r) screen_[size_t(r)] = BlankLine();
            for (int c = 0; c <= col_; ++c) screen_[size_t(row_)][size_t(c)] = BlankLine()[0];
        }
        break;
    }
    case 'K': {
        int mode = Param(0, 0);
        int from = mode == 0 ? col_ : 0, to = mode == 1 ? col_ + 1 : columns_;
        ScreenCell blank = BlankLine()[0];
        for (int c = from; c < to; ++c) screen_[size_t(row_)][size_t(c)] = blank;
        break;
    }
    case 'm': Sgr(); break;
    case 'n':
        if (Param(0, 0) == 6)
            replies_ += "\x1b[" + std::to_string(row_ + 1) + ";" + std::to_string(col_ + 1) + "R";
        break;
    default: break;  // modes and the rest change nothing on this screen
    }
}

void TerminalScreen::Sgr() {
    size_t count = std::count(params_.begin(), params_.end(), ';') + 1;
    for (size_t i = 0; i < count; ++i) {
        int p = Param(i, 0);
        if (p == 0) {
            fg_ = bg_ = -1;
        } else if (p >= 30 && p <= 37) {
            fg_ = int8_t(p - 30);
        } else if (p >= 90 && p <= 97) {
            fg_ = int8_t(p - 90 + 8);
        } else if (p == 39) {
            fg_ = -1;
        } else if (p >= 40 && p <= 47) {
            bg_ = int8_t(p - 40);
        } else if (p >= 100 && p <= 107) {
            bg_ = int8_t(p - 100 + 8);
        } else if (p == 49) {
            bg_ = -1;
        }
    }
}

std::string TerminalScreen::Encode(const std::vector<ScreenCell>& line) {
    std::string s;
    for (const ScreenCell& c : line) {
        char32_t u = c.ch;
        if (u < 0x80) {
            s += char(u);
        } else if (u < 0x800) {
            s += char(0xC0 | (u >> 6));
            s += char(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            s += char(0xE0 | (u >> 12));
            s += char(0x80 | ((u >> 6) & 0x3F));
            s += char(0x80 | (u & 0x3F));
        } else {
            s += char(0xF0 | (u >> 18));
            s += char(0x80 | ((u >> 12) & 0x3F));
            s += char(0x80 | ((u >> 6) & 0x3F));
            s += char(0x80 | (u & 0x3F));
        }
    }
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

std::string TerminalScreen::LineText(int row) const {
    if (row < 0 || row >= rows_) return {};
    return Encode(screen_[size_t(row)]);
}

std::string TerminalScreen::Text() const {
    std::vector<std::string> lines = history_;
    for (int r = 0; r < rows_; ++r) lines.push_back(LineText(r));
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    std::string s;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) s += '\n';
        s += lines[i];
    }
    return s;
}

}  // namespace tarn::ide
