// The screen of the IDE's console window: a grid of character cells fed with the bytes a
// program writes to its terminal. It understands what the run-time engine's console
// routines write (colours, clear screen, cursor position and the cursor-position
// question) and the usual line controls; lines scrolled off the top are kept. Free of Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarn::ide {

struct ScreenCell {
    char32_t ch = U' ';
    int8_t fg = -1;  // palette index 0..15, -1 the window's default
    int8_t bg = -1;
};

// Lines kept above the screen; the oldest go first.
constexpr size_t MAX_SCROLLED_LINES = 10000;

class TerminalScreen {
public:
    explicit TerminalScreen(int columns = 80, int rows = 25);

    // Interprets output bytes (UTF-8 text and escape sequences). Answers that the
    // program expects from its terminal are collected for Replies().
    void Feed(const char* data, size_t n);
    void Feed(const std::string& s) { Feed(s.data(), s.size()); }
    // What the terminal answers (to "ESC [ 6 n"); taking them empties the list.
    std::string TakeReplies();

    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    int CursorRow() const { return row_; }  // 0-based on the screen
    int CursorColumn() const { return col_; }
    const std::vector<ScreenCell>& Line(int row) const { return screen_[size_t(row)]; }
    // The text of the screen row (UTF-8), trailing blanks removed.
    std::string LineText(int row) const;
    // Every line scrolled off the top, then the screen, trailing empty lines removed,
    // joined with "\n".
    std::string Text() const;
    size_t ScrolledLines() const { return history_.size(); }
    void Clear();

private:
    void Put(char32_t c);
    void LineFeed();
    void CarriageReturn() {
        col_ = 0;
        wrapPending_ = false;
    }
    void Csi(char final);
    void Sgr();
    int Param(size_t i, int otherwise) const;
    std::vector<ScreenCell> BlankLine() const;
    static std::string Encode(const std::vector<ScreenCell>& line);

    int columns_, rows_;
    std::vector<std::vector<ScreenCell>> screen_;
    std::vector<std::string> history_;
    int row_ = 0, col_ = 0;
    bool wrapPending_ = false;
    int8_t fg_ = -1, bg_ = -1;
    // Escape-sequence state.
    enum class State { Text, Escape, Csi, Osc } state_ = State::Text;
    std::string params_;
    std::string replies_;
    // A UTF-8 sequence being collected.
    char32_t pending_ = 0;
    int pendingBytes_ = 0;
};

}  // namespace tarn::ide
