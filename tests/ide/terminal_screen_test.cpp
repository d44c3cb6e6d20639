// The console window's screen: what the run-time engine's console routines write (clrscr,
// gotoxy, textcolor, textbackground, the cursor-position question of wherex/wherey) and
// plain line output, scrolling and wrapping.
#include <gtest/gtest.h>

#include "ide/run/terminal_screen.h"

using tarn::ide::TerminalScreen;

TEST(TerminalScreen, LinesAndCarriageReturns) {
    TerminalScreen s(20, 5);
    s.Feed("Hello\r\nworld\r\n");
    EXPECT_EQ(s.Text(), "Hello\nworld");
    EXPECT_EQ(s.CursorRow(), 2);
    EXPECT_EQ(s.CursorColumn(), 0);
    s.Feed("abc\rX");  // CR returns to the line start; the rest of the line stays
    EXPECT_EQ(s.LineText(2), "Xbc");
    s.Feed("\b\bY");  // backspace stops at column 1
    EXPECT_EQ(s.LineText(2), "Ybc");
}

TEST(TerminalScreen, ScrolledLinesAreKept) {
    TerminalScreen s(10, 3);
    for (int i = 1; i <= 5; ++i) s.Feed("line" + std::to_string(i) + "\r\n");
    EXPECT_EQ(s.ScrolledLines(), 3u);
    EXPECT_EQ(s.LineText(0), "line4");
    EXPECT_EQ(s.LineText(1), "line5");
    EXPECT_EQ(s.Text(), "line1\nline2\nline3\nline4\nline5");
}

TEST(TerminalScreen, ScrolledLinesAreBounded) {
    TerminalScreen s(10, 2);
    for (size_t i = 0; i < tarn::ide::MAX_SCROLLED_LINES + 5; ++i)
        s.Feed(std::to_string(i) + "\r\n");
    EXPECT_EQ(s.ScrolledLines(), tarn::ide::MAX_SCROLLED_LINES);
    EXPECT_EQ(s.Text().substr(0, 2), "4\n");  // 0 to 3 went first
}

TEST(TerminalScreen, LongLinesWrapAtTheLastColumn) {
    TerminalScreen s(4, 3);
    s.Feed("abcd");
    EXPECT_EQ(s.CursorRow(), 0);  // the wrap waits for the next character
    s.Feed("ef");
    EXPECT_EQ(s.Text(), "abcd\nef");
}

TEST(TerminalScreen, ClearScreenAndGotoXY) {
    TerminalScreen s(80, 25);
    s.Feed("junk\r\nmore junk");
    s.Feed("\x1b[2J\x1b[H");  // clrscr
    EXPECT_EQ(s.Text(), "");
    EXPECT_EQ(s.CursorRow(), 0);
    EXPECT_EQ(s.CursorColumn(), 0);
    s.Feed("\x1b[3;10H*");  // gotoxy(10, 3)
    EXPECT_EQ(s.LineText(2), std::string(9, ' ') + "*");
    s.Feed("\x1b[1;1Hab\x1b[K");  // erase to the end of the line
    EXPECT_EQ(s.LineText(0), "ab");
}

TEST(TerminalScreen, ColoursFollowTheEnginesSequences) {
    TerminalScreen s(10, 2);
    // textcolor(14) (yellow: bright, palette 3), textbackground(1) (blue: palette 4).
    s.Feed("\x1b[93m\x1b[44mA\x1b[0mB");
    const auto& line = s.Line(0);
    EXPECT_EQ(line[0].ch, U'A');
    EXPECT_EQ(line[0].fg, 11);
    EXPECT_EQ(line[0].bg, 4);
    EXPECT_EQ(line[1].fg, -1);
    EXPECT_EQ(line[1].bg, -1);
    s.Feed("\x1b[31;42mC");  // several parameters in one sequence
    EXPECT_EQ(s.Line(0)[2].fg, 1);
    EXPECT_EQ(s.Line(0)[2].bg, 2);
}

TEST(TerminalScreen, AnswersTheCursorPositionQuestion) {
    TerminalScreen s(80, 25);
    s.Feed("\x1b[5;12H\x1b[6n");
    EXPECT_EQ(s.TakeReplies(), "\x1b[5;12R");
    EXPECT_EQ(s.TakeReplies(), "");
}

TEST(TerminalScreen, Utf8AndSequencesSplitAcrossReads) {
    TerminalScreen s(10, 2);
    std::string text = "gr\xc3\xbc\xc3\x9f";  // "grüß"
    s.Feed(text.substr(0, 3));
    s.Feed(text.substr(3));
    EXPECT_EQ(s.LineText(0), text);
    s.Feed("\x1b[");
    s.Feed("2;1H!");
    EXPECT_EQ(s.LineText(1), "!");
    // A title sequence shows nothing.
    s.Feed("\x1b]0;title\x07");
    EXPECT_EQ(s.LineText(1), "!");
}

TEST(TerminalScreen, CursorMovesStayOnTheScreen) {
    TerminalScreen s(10, 4);
    s.Feed("\x1b[99;99H");
    EXPECT_EQ(s.CursorRow(), 3);
    EXPECT_EQ(s.CursorColumn(), 9);
    s.Feed("\x1b[20A\x1b[20D");
    EXPECT_EQ(s.CursorRow(), 0);
    EXPECT_EQ(s.CursorColumn(), 0);
    s.Feed("\x1b[2B\x1b[3C+");
    EXPECT_EQ(s.LineText(2), "   +");
}
