// EditEngine: the numbered operations, marks through edits, bookmarks, undo and redo,
// long lines, and a randomized replay of edits against a plain string.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ide/editengine/editengine.h"

using namespace tarn::ide;

namespace {

void Type(EditEngine& e, std::string_view s) {
    for (char c : s) {
        if (c == '\n')
            ASSERT_TRUE(e.SplitLine());
        else
            ASSERT_TRUE(e.InsertChar(static_cast<unsigned char>(c)));
    }
}

EditEngine& Filled(EditEngine& e, std::string_view text) {
    e.Create(64, 64);  // small, so that the buffer has to grow
    e.InsertLines(text);
    e.TextStart();
    return e;
}

}  // namespace

TEST(EditEngineBasics, EmptyTextIsOneEmptyLine) {
    EditEngine e;
    EXPECT_EQ(e.LineCount(), 1);
    EXPECT_EQ(e.LineLength(1), 0);
    EXPECT_EQ(e.Text(), "");
    EXPECT_EQ(e.Caret(), (EditPos{1, 1}));
    EXPECT_FALSE(e.Modified());
    // Moving and deleting at the edges of an empty text change nothing.
    e.CharLeft();
    e.CharRight();
    e.WordLeft();
    e.WordRight();
    EXPECT_TRUE(e.Backspace());
    EXPECT_TRUE(e.DeleteChar());
    EXPECT_EQ(e.Caret(), (EditPos{1, 1}));
    EXPECT_FALSE(e.Modified());
    EXPECT_FALSE(e.CanUndo());
}

TEST(EditEngineBasics, NumberedOperationsDriveTheEngine) {
    EditEngine e;
    ASSERT_EQ(e.Call(EditOp::Create, 100, 100), 0);
    const char* text = "program p;";
    ASSERT_EQ(e.Call(EditOp::InsertText, reinterpret_cast<intptr_t>(text), 10), 0);
    ASSERT_EQ(e.Call(EditOp::SplitLine), 0);
    for (char c : std::string("begin end."))
        ASSERT_EQ(e.Call(EditOp::InsertChar, static_cast<unsigned char>(c)), 0);
    EXPECT_EQ(e.Call(EditOp::LineCount), 2);
    EXPECT_EQ(e.Call(EditOp::MaxLineLength), 1200);
    EXPECT_EQ(e.Call(EditOp::GetModified), 1);
    ASSERT_EQ(e.Call(EditOp::SetModified, 0), 0);
    EXPECT_EQ(e.Call(EditOp::GetModified), 0);

    char small[6];
    EditLineBuffer lb{small, sizeof small, 0};
    EXPECT_EQ(e.Call(EditOp::GetLine, 1, reinterpret_cast<intptr_t>(&lb)), 10);
    EXPECT_STREQ(small, "progr");  // cut to the buffer, length still reported
    EXPECT_EQ(e.Call(EditOp::GetLine, 3, reinterpret_cast<intptr_t>(&lb)), EDIT_FAIL);

    EditPos p;
    e.Call(EditOp::GetCaret, reinterpret_cast<intptr_t>(&p));
    EXPECT_EQ(p, (EditPos{2, 11}));
    e.Call(EditOp::WordLeft);
    e.Call(EditOp::GetCaret, reinterpret_cast<intptr_t>(&p));
    EXPECT_EQ(p, (EditPos{2, 10}));  // "." is a word of its own
    e.Call(EditOp::LineStart);
    e.Call(EditOp::WordRight);
    e.Call(EditOp::GetCaret, reinterpret_cast<intptr_t>(&p));
    EXPECT_EQ(p, (EditPos{2, 7}));
    EXPECT_EQ(e.Call(EditOp::DeleteWordRight), 0);
    EXPECT_EQ(e.LineText(2), "begin .");
    EXPECT_EQ(e.Call(EditOp::DeleteWordLeft), 0);
    EXPECT_EQ(e.LineText(2), ".");
    EXPECT_EQ(e.Call(EditOp::GotoLine, 3), EDIT_FAIL);
    EXPECT_EQ(e.Call(EditOp::GotoLine, 1), 0);
    e.Call(EditOp::LineEnd);
    EXPECT_EQ(e.Call(EditOp::DeleteChar), 0);  // joins the next line
    EXPECT_EQ(e.Text(), "program p;.");
    e.Call(EditOp::TextStart);
    EXPECT_EQ(e.Call(EditOp::OverwriteChar, 'P'), 0);
    EXPECT_EQ(e.Text(), "Program p;.");
    e.Call(EditOp::TextEnd);
    EXPECT_EQ(e.Call(EditOp::Backspace), 0);
    EXPECT_EQ(e.Text(), "Program p;");

    const char* what = "PROGRAM";
    EXPECT_EQ(e.Call(EditOp::Search, reinterpret_cast<intptr_t>(what), SEARCH_MATCH_CASE),
              EDIT_FAIL);
    EXPECT_EQ(e.Call(EditOp::Search, reinterpret_cast<intptr_t>(what), 0), 0);  // upward
    EditRange r;
    e.Call(EditOp::SelectionGet, reinterpret_cast<intptr_t>(&r));
    EXPECT_EQ(r.From(), (EditPos{1, 1}));
    EXPECT_EQ(r.To(), (EditPos{1, 8}));
    EXPECT_EQ(e.Call(EditOp::SelectionDelete), 0);
    EXPECT_EQ(e.Text(), " p;");

    EXPECT_EQ(e.Call(EditOp::Undo), 0);
    EXPECT_EQ(e.Text(), "Program p;");
    EXPECT_EQ(e.Call(EditOp::Redo), 0);
    EXPECT_EQ(e.Text(), " p;");

    EXPECT_EQ(e.Call(EditOp::Destroy), 0);
    EXPECT_EQ(e.Call(EditOp::LineCount), EDIT_FAIL);  // unusable until created again
    EXPECT_EQ(e.Call(EditOp::InsertChar, 'x'), EDIT_FAIL);
    EXPECT_EQ(e.Call(EditOp::Create, 0, 0), 0);
    EXPECT_EQ(e.Call(EditOp::LineCount), 1);
}

TEST(EditEngineBasics, InsertedTextKeepsOnlyAcceptedBytes) {
    EditEngine e;
    std::string all;
    for (int c = 1; c <= 255; ++c) all += char(c);
    ASSERT_TRUE(e.InsertText(all));
    std::string kept = e.LineText(1);
    EXPECT_EQ(e.LineCount(), 1);
    EXPECT_EQ(kept.size(), 255u - 6u);  // 1, 7, 8, 10, 13 and 255 are dropped
    for (unsigned char c : kept) EXPECT_TRUE(EditByteAccepted(c)) << int(c);
    EXPECT_FALSE(e.InsertChar('\n'));
    EXPECT_FALSE(e.InsertChar(255));
    EXPECT_FALSE(e.OverwriteChar(7));
}

TEST(EditEngineLongLines, TextLongerThanALineContinuesOnNewLines) {
    EditEngine e;
    ASSERT_TRUE(e.InsertText(std::string(1500, 'x')));
    ASSERT_EQ(e.LineCount(), 2);
    EXPECT_EQ(e.LineLength(1), 1200);
    EXPECT_EQ(e.LineLength(2), 300);
    EXPECT_EQ(e.Caret(), (EditPos{2, 301}));

    EditEngine f;
    ASSERT_TRUE(f.InsertText(std::string(3000, 'y')));
    EXPECT_EQ(f.LineCount(), 3);
    EXPECT_EQ(f.LineLength(3), 600);

    // Typing into a full line pushes its last character to a new line; the caret stays
    // behind the typed character.
    EditEngine g;
    ASSERT_TRUE(g.InsertText(std::string(1200, 'a')));
    g.SetCaret(1, 600);
    ASSERT_TRUE(g.InsertChar('b'));
    EXPECT_EQ(g.LineCount(), 2);
    EXPECT_EQ(g.LineText(2), "a");
    EXPECT_EQ(g.Caret(), (EditPos{1, 601}));

    // Joining two long lines splits again at the maximum; undo gives both back.
    EditEngine h;
    ASSERT_TRUE(h.InsertLines(std::string(800, 'c') + "\n" + std::string(900, 'd')));
    h.SetCaret(1, 801);
    ASSERT_TRUE(h.DeleteChar());
    EXPECT_EQ(h.LineCount(), 2);
    EXPECT_EQ(h.LineLength(1), 1200);
    EXPECT_EQ(h.LineLength(2), 500);
    ASSERT_TRUE(h.Undo());
    EXPECT_EQ(h.LineLength(1), 800);
    EXPECT_EQ(h.LineLength(2), 900);
}

TEST(EditEngineMarks, MarksFollowInsertsDeletesSplitsAndJoins) {
    EditEngine e;
    std::string text;
    for (int i = 1; i <= 20; ++i) text += "  stmt" + std::to_string(i) + ";\n";
    Filled(e, text);
    e.AllocateMarks(181);
    ASSERT_TRUE(e.SetMark(1, {10, 3}));  // a compiler message at "stmt10"
    ASSERT_TRUE(e.SetMark(2, {5, 5}));
    ASSERT_TRUE(e.SetMark(3, {6, 1}));

    // Three lines typed above line 10 move it to line 13, on the same statement.
    e.GotoLine(2);
    Type(e, "a\nb\nc\n");
    EXPECT_EQ(e.Mark(1), (EditPos{13, 3}));
    EXPECT_EQ(e.LineText(13).substr(2, 6), "stmt10");

    // Characters inserted before a mark on its line move it right; deleted, left.
    e.SetCaret(13, 1);
    Type(e, "xy");
    EXPECT_EQ(e.Mark(1), (EditPos{13, 5}));
    ASSERT_TRUE(e.Backspace());
    EXPECT_EQ(e.Mark(1), (EditPos{13, 4}));
    // Characters behind it leave it alone.
    e.LineEnd();
    Type(e, "zz");
    EXPECT_EQ(e.Mark(1), (EditPos{13, 4}));

    // Splitting in front of it moves it to the new line, column reduced by the split.
    e.SetCaret(13, 2);
    ASSERT_TRUE(e.SplitLine());
    EXPECT_EQ(e.Mark(1), (EditPos{14, 3}));
    EXPECT_EQ(e.Mark(2), (EditPos{8, 5}));  // earlier lines: moved by the three typed lines only
    // Joining puts it back.
    ASSERT_TRUE(e.Backspace());
    EXPECT_EQ(e.Mark(1), (EditPos{13, 4}));

    // A deleted range containing a mark collapses it to the range's start.
    e.SetSelection({{8, 2}, {10, 1}});
    ASSERT_TRUE(e.DeleteSelection());
    EXPECT_EQ(e.Mark(2), (EditPos{8, 2}));
    EXPECT_EQ(e.Mark(3), (EditPos{8, 2}));
    EXPECT_EQ(e.Mark(1), (EditPos{11, 4}));

    EXPECT_FALSE(e.SetMark(0, {1, 1}));
    EXPECT_FALSE(e.SetMark(182, {1, 1}));
    EXPECT_EQ(e.Mark(182), EditPos{});
    ASSERT_TRUE(e.SetMark(4, {99, 99}));  // clamped into the text
    EXPECT_EQ(e.Mark(4).line, e.LineCount());
}

TEST(EditEngineMarks, TenBookmarksAreMarks171To180) {
    EditEngine e;
    Filled(e, "one\ntwo\nthree\nfour\nfive\nsix\nseven\neight\nnine\nten\n");
    ASSERT_EQ(e.Call(EditOp::MarkAllocate, 181), 0);
    for (int n = 0; n <= 9; ++n) {
        e.GotoLine(n + 1);
        e.LineEnd();
        EditPos p = e.Caret();
        ASSERT_EQ(e.Call(EditOp::MarkSet, 171 + n, reinterpret_cast<intptr_t>(&p)), 0);
    }
    e.TextStart();
    ASSERT_TRUE(e.InsertLines("header\n"));
    for (int n = 0; n <= 9; ++n) {
        EditPos p;
        ASSERT_EQ(e.Call(EditOp::MarkGet, 171 + n, reinterpret_cast<intptr_t>(&p)), 0);
        EXPECT_EQ(p.line, n + 2);
        EXPECT_EQ(p.col, e.LineLength(n + 2) + 1);
    }
    EditPos unset;
    ASSERT_EQ(e.Call(EditOp::MarkGet, 181, reinterpret_cast<intptr_t>(&unset)), 0);
    EXPECT_EQ(unset.line, 0);
    EXPECT_EQ(e.Call(EditOp::MarkGet, 182, reinterpret_cast<intptr_t>(&unset)), EDIT_FAIL);
}

TEST(EditEngineUndo, TypingUndoesAsOneStepAndRedoReplays) {
    EditEngine e;
    Type(e, "begin");
    e.SetCaret(1, 1);
    Type(e, "x");  // the caret moved: a new step
    EXPECT_EQ(e.Text(), "xbegin");
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.Text(), "begin");
    EXPECT_EQ(e.Caret(), (EditPos{1, 1}));
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.Text(), "");
    EXPECT_FALSE(e.Undo());
    ASSERT_TRUE(e.Redo());
    EXPECT_EQ(e.Text(), "begin");
    EXPECT_EQ(e.Caret(), (EditPos{1, 6}));
    ASSERT_TRUE(e.Redo());
    EXPECT_FALSE(e.Redo());
    EXPECT_EQ(e.Text(), "xbegin");
    // A new edit drops what could be redone.
    ASSERT_TRUE(e.Undo());
    Type(e, "y");
    EXPECT_FALSE(e.CanRedo());
}

TEST(EditEngineUndo, GroupsUndoAsOneStep) {
    EditEngine e;
    Filled(e, "a\nb\nc");
    e.BeginUndoGroup();
    for (int l = 1; l <= 3; ++l) {
        e.SetCaret(l, 1);
        ASSERT_TRUE(e.InsertText("\t"));
    }
    e.EndUndoGroup();
    EXPECT_EQ(e.Text(), "\ta\n\tb\n\tc");
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.Text(), "a\nb\nc");
    ASSERT_TRUE(e.Redo());
    EXPECT_EQ(e.Text(), "\ta\n\tb\n\tc");
    e.BeginUndoGroup();
    EXPECT_FALSE(e.Undo());  // not inside an open group
    e.EndUndoGroup();
    e.EndUndoGroup();  // an unmatched end is harmless
    EXPECT_TRUE(e.Undo());
}

TEST(EditEngineSelection, ExtendDeleteAndSelectedText) {
    EditEngine e;
    Filled(e, "alpha\nbeta\ngamma");
    e.SetCaret(1, 3);
    EditPos before = e.Caret();
    e.CharRight();
    e.ExtendSelection(before);
    before = e.Caret();
    e.GotoLine(3);
    e.ExtendSelection(before);  // the anchor stays where the selection began
    EXPECT_EQ(e.Selection().anchor, (EditPos{1, 3}));
    EXPECT_EQ(e.SelectedText(), "pha\nbeta\n");
    ASSERT_TRUE(e.DeleteSelection());
    EXPECT_EQ(e.Text(), "algamma");
    EXPECT_EQ(e.Caret(), (EditPos{1, 3}));
    EXPECT_FALSE(e.HasSelection());
    // A selection upward deletes the same way.
    e.SetSelection({{1, 8}, {1, 1}});
    EXPECT_EQ(e.Caret(), (EditPos{1, 1}));
    ASSERT_TRUE(e.DeleteSelection());
    EXPECT_EQ(e.Text(), "");
}

TEST(EditEngineSearch, DirectionCaseAndWholeWords) {
    EditEngine e;
    Filled(e, "x := Index;\nindex := x_index + index;\nINDEX");
    struct Case {
        const char* what;
        int flags;
        EditPos from;
        bool found;
        EditPos at;
    } cases[] = {
        {"index", SEARCH_DOWN, {1, 1}, true, {1, 6}},
        {"index", SEARCH_DOWN | SEARCH_MATCH_CASE, {1, 1}, true, {2, 1}},
        {"index", SEARCH_DOWN | SEARCH_WHOLE_WORD, {2, 2}, true, {2, 20}},
        {"INDEX", SEARCH_DOWN | SEARCH_MATCH_CASE, {1, 1}, true, {3, 1}},
        {"index", 0, {2, 20}, true, {2, 12}},
        {"index", SEARCH_WHOLE_WORD, {2, 20}, true, {2, 1}},
        {"index", SEARCH_MATCH_CASE, {1, 11}, false, {}},
        {"nothing", SEARCH_DOWN, {1, 1}, false, {}},
        {"", SEARCH_DOWN, {1, 1}, false, {}},
    };
    for (const Case& c : cases) {
        e.ClearSelection();
        e.SetCaret(c.from.line, c.from.col);
        e.ClearSelection();
        EXPECT_EQ(e.Search(c.what, c.flags), c.found) << c.what << " flags " << c.flags;
        if (c.found) {
            EXPECT_EQ(e.Selection().From(), c.at) << c.what << " flags " << c.flags;
            EXPECT_EQ(e.SelectedText().size(), std::string(c.what).size());
        }
    }
    // Searching again downward continues behind the current match.
    e.TextStart();
    e.ClearSelection();
    int found = 0;
    while (e.Search("index", SEARCH_DOWN)) ++found;
    EXPECT_EQ(found, 5);
}

TEST(EditEngineBuffer, GrowsToHoldManyLinesAndFindsEveryOne) {
    EditEngine e;
    e.Create(16, 16);
    std::string text;
    for (int i = 1; i <= 20000; ++i) text += "line " + std::to_string(i) + "\n";
    ASSERT_TRUE(e.InsertLines(text));
    EXPECT_EQ(e.LineCount(), 20001);
    EXPECT_EQ(e.Text(), text);
    for (int i : {1, 2, 9999, 20000}) EXPECT_EQ(e.LineText(i), "line " + std::to_string(i));
    // Moving the gap far in both directions keeps the index right.
    e.SetCaret(5, 1);
    ASSERT_TRUE(e.InsertChar('#'));
    e.SetCaret(19000, 3);
    ASSERT_TRUE(e.InsertChar('#'));
    e.SetCaret(3, 1);
    ASSERT_TRUE(e.InsertChar('#'));
    EXPECT_EQ(e.LineText(5), "#line 5");
    EXPECT_EQ(e.LineText(19000), "li#ne 19000");
    EXPECT_EQ(e.LineText(20000), "line 20000");
}

// Thousands of random edits, each mirrored on a std::string, then every step undone.
TEST(EditEngineRandomized, EditsMatchAPlainStringModel) {
    std::mt19937 rng(20261208);
    EditEngine e;
    e.Create(32, 32);
    std::string model;
    std::vector<std::string> history{model};
    auto offsetOf = [&](EditPos p) {
        size_t off = 0;
        for (int l = 1; l < p.line; ++l) off = model.find('\n', off) + 1;
        return off + size_t(p.col - 1);
    };
    auto randomPos = [&] {
        int line = int(rng() % unsigned(e.LineCount())) + 1;
        return EditPos{line, int(rng() % unsigned(e.LineLength(line) + 1)) + 1};
    };
    const char alphabet[] = "ab _;\t";
    for (int step = 0; step < 4000; ++step) {
        EditPos p = randomPos();
        e.SetCaret(p.line, p.col);
        size_t off = offsetOf(p);
        switch (rng() % 7) {
        case 0:
        case 1: {
            char c = alphabet[rng() % 6];
            ASSERT_TRUE(e.InsertChar(c));
            model.insert(off, 1, c);
            break;
        }
        case 2:
            ASSERT_TRUE(e.SplitLine());
            model.insert(off, 1, '\n');
            break;
        case 3:
            ASSERT_TRUE(e.Backspace());
            if (off > 0) model.erase(off - 1, 1);
            break;
        case 4:
            ASSERT_TRUE(e.DeleteChar());
            if (off < model.size()) model.erase(off, 1);
            break;
        case 5: {
            std::string t = rng() % 2 ? "x\ny" : "begin\n  end;\n";
            ASSERT_TRUE(e.InsertLines(t));
            model.insert(off, t);
            break;
        }
        case 6: {
            EditPos q = randomPos();
            e.SetSelection({p, q});
            ASSERT_TRUE(e.DeleteSelection());
            size_t a = std::min(off, offsetOf(q)), b = std::max(off, offsetOf(q));
            model.erase(a, b - a);
            break;
        }
        }
        ASSERT_EQ(e.Text(), model) << "step " << step;
        EditPos c = e.Caret();
        ASSERT_GE(c.col, 1);
        ASSERT_LE(c.col, e.LineLength(c.line) + 1);
        if (history.back() != model) history.push_back(model);
    }
    // Undo walks back through every state (typing runs merge, so some are skipped).
    size_t at = history.size() - 1;
    while (e.Undo()) {
        std::string now = e.Text();
        while (at > 0 && history[at] != now) --at;
        ASSERT_EQ(history[at], now);
    }
    EXPECT_EQ(e.Text(), "");
    while (e.Redo()) {}
    EXPECT_EQ(e.Text(), model);
}
