// EditEngine: the text of one editor window. All lines live in one gap buffer, each ended
// by a zero byte, with the gap kept inside the caret's line; a two-part line index (starts
// of the lines up to the caret's, and end-relative starts of the lines behind it) makes
// finding any line O(1) and keeps inserting at the caret O(1). Marks are positions that
// follow the text as it is edited: the places of compiler messages and the bookmarks.
// Every change goes through two raw primitives (insert text with line breaks, delete a
// range) that also record their inverse, which is what undo and redo replay.
//
// Positions are 1-based (line, column); a column runs from 1 to the line's length + 1.
// Free of Qt: the editor window draws what this engine holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::ide {

constexpr int MAX_LINE_LENGTH = 1200;
constexpr size_t EDIT_INITIAL_CAPACITY = 32000;
constexpr size_t EDIT_GROWTH = 32000;

// Search flags.
constexpr int SEARCH_DOWN = 1;
constexpr int SEARCH_MATCH_CASE = 2;
constexpr int SEARCH_WHOLE_WORD = 4;

struct EditPos {
    int line = 0;  // 0 = unset (for marks)
    int col = 0;
    friend bool operator==(const EditPos&, const EditPos&) = default;
    friend auto operator<=>(const EditPos&, const EditPos&) = default;
};

// anchor is where the selection started, extent where the caret is.
struct EditRange {
    EditPos anchor, extent;
    bool Empty() const { return anchor == extent; }
    EditPos From() const { return anchor < extent ? anchor : extent; }
    EditPos To() const { return anchor < extent ? extent : anchor; }
};

// The buffer a line is copied into by EditOp::GetLine.
struct EditLineBuffer {
    char* data;
    int size;  // room, the terminator included
    int length;  // set: the line's full length (may exceed size - 1)
};

// The numbered operations of the engine's single entry point, EditEngine::Call(op, a, b).
// Results: >= 0 on success (the value for queries), EDIT_FAIL when refused.
enum class EditOp : int {
    Create = 1,  // a = capacity, b = growth (0 = the defaults); empties the text
    Destroy = 2,  // releases the buffer; the engine is empty and unusable until Create
    GetCaret = 3,  // a = EditPos* out
    SetCaret = 4,  // a = line, b = column (clamped into the text)
    GotoLine = 5,  // a = line: caret to its column 1; EDIT_FAIL past the end
    CharLeft = 6,  // across line starts; no move at the text start
    CharRight = 7,
    WordLeft = 8,
    WordRight = 9,
    LineStart = 10,
    LineEnd = 11,
    TextStart = 12,
    TextEnd = 13,
    InsertChar = 14,  // a = byte
    OverwriteChar = 15,  // a = byte (inserts at a line end)
    DeleteChar = 16,  // under the caret; joins the next line at a line end
    Backspace = 17,  // before the caret; joins the previous line at column 1
    DeleteWordLeft = 18,
    DeleteWordRight = 19,
    SplitLine = 20,
    InsertText = 21,  // a = const char*, b = length; line breaks in it are dropped
    GetLine = 22,  // a = line, b = EditLineBuffer*; returns the line's length
    LineCount = 23,
    MaxLineLength = 24,
    GetModified = 25,
    SetModified = 26,  // a = 0 or 1
    SelectionGet = 27,  // a = EditRange* out
    SelectionSet = 28,  // a = const EditRange*; the caret goes to its extent
    SelectionExtend = 29,  // a, b = the caret before a movement: becomes the anchor of an
    // empty selection; the extent becomes the caret
    SelectionDelete = 30,
    MarkSet = 31,  // a = mark number (1-based), b = const EditPos* (line 0 clears)
    MarkGet = 32,  // a = mark number, b = EditPos* out
    Search = 33,  // a = const char* (zero-terminated), b = SEARCH_* flags;
    // selects the match; 0 found, EDIT_FAIL not found
    MarkAllocate = 34,  // a = number of marks (all cleared)
    Undo = 35,
    Redo = 36,
    UndoGroupBegin = 37,  // the edits up to UndoGroupEnd undo as one step
    UndoGroupEnd = 38,
};
constexpr intptr_t EDIT_FAIL = -1;

class EditEngine {
public:
    EditEngine() { Create(EDIT_INITIAL_CAPACITY, EDIT_GROWTH); }
    EditEngine(const EditEngine&) = delete;
    EditEngine& operator=(const EditEngine&) = delete;

    // The numbered entry point; the typed members below are what it dispatches to.
    intptr_t Call(EditOp op, intptr_t a = 0, intptr_t b = 0);

    bool Create(size_t capacity, size_t growth);
    void Destroy();
    bool Usable() const { return !buf_.empty(); }

    EditPos Caret() const { return {line_, col_}; }
    void SetCaret(int line, int col);
    bool GotoLine(int line);
    void CharLeft();
    void CharRight();
    void WordLeft();
    void WordRight();
    void LineStart() { col_ = 1; }
    void LineEnd() { col_ = LineLength(line_) + 1; }
    void TextStart() { SetCaret(1, 1); }
    void TextEnd() { SetCaret(LineCount(), LineLength(LineCount()) + 1); }

    bool InsertChar(int ch);
    bool OverwriteChar(int ch);
    bool DeleteChar();
    bool Backspace();
    bool DeleteWordLeft();
    bool DeleteWordRight();
    bool SplitLine();
    bool InsertText(std::string_view text);
    // Inserts text whose '\n' bytes are line breaks (paste, loading); other bytes are
    // filtered as InsertText filters them.
    bool InsertLines(std::string_view text);

    int LineCount() const { return lineCount_; }
    int LineLength(int line) const;
    // The text of a line (1..LineCount()); out is replaced.
    void LineText(int line, std::string& out) const;
    std::string LineText(int line) const {
        std::string s;
        LineText(line, s);
        return s;
    }
    // The whole text, lines joined by '\n'.
    std::string Text() const;
    // Bytes held (line ends counted), not counting the gap.
    size_t TextBytes() const { return buf_.size() - (gapEnd_ - gapStart_); }

    bool Modified() const { return modified_; }
    void SetModified(bool on) { modified_ = on; }

    EditRange Selection() const { return sel_; }
    bool HasSelection() const { return !sel_.Empty(); }
    void SetSelection(EditRange r);
    void ClearSelection() { sel_ = {Caret(), Caret()}; }
    void ExtendSelection(EditPos before);
    bool DeleteSelection();
    std::string SelectedText() const;

    void AllocateMarks(int count);
    int MarkCount() const { return int(marks_.size()); }
    bool SetMark(int n, EditPos p);
    EditPos Mark(int n) const;

    bool Search(std::string_view what, int flags);

    bool Undo();
    bool Redo();
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    void BeginUndoGroup();
    void EndUndoGroup();
    // Forgets every step (after loading a file).
    void ClearUndo() {
        undo_.clear();
        redo_.clear();
        groupDepth_ = 0;
    }

private:
    // One raw change: text inserted at `at` (ending at `end`), or removed from [at, end).
    struct Change {
        bool insert;
        EditPos at, end;
        std::string text;  // lines joined by '\n'
    };
    struct UndoStep {
        std::vector<Change> changes;
        EditPos caretBefore, caretAfter;
        bool typing = false;  // single characters typed one after another merge
    };

    size_t LineStartPhys(int line) const;
    void MoveGapTo(int line, int col);
    bool Reserve(size_t bytes);
    EditPos Clamp(EditPos p) const;
    char CharAt(int line, int col) const;  // col within 1..length

    EditPos RawInsert(EditPos at, std::string_view text);  // returns the end
    std::string RawDelete(EditPos from, EditPos to);
    bool SplitLongLines(int first, int last);
    void Record(Change c);
    bool Edit(bool typing, auto&& body);
    void ApplyInverse(const Change& c);
    void ApplyAgain(const Change& c);

    EditPos WordLeftOf(EditPos p) const;
    EditPos WordRightOf(EditPos p) const;
    bool FindInLine(int line, const std::string& lineText, const std::string& what, int flags,
                    int fromCol, int toCol, int& found) const;

    std::vector<char> buf_;
    size_t gapStart_ = 0, gapEnd_ = 0;
    size_t growth_ = EDIT_GROWTH;
    // Starts of lines 1..line_ (absolute), and of lines line_+1..lineCount_ counted from the
    // buffer's end, the line behind the caret's at the back.
    std::vector<uint32_t> before_, after_;
    int lineCount_ = 0;
    int gapLine_ = 1;  // the line the gap is in
    int line_ = 1, col_ = 1;  // the caret
    bool modified_ = false;
    EditRange sel_;
    std::vector<EditPos> marks_;

    std::deque<UndoStep> undo_;  // the oldest steps fall off the front
    std::vector<UndoStep> redo_;
    UndoStep* open_ = nullptr;  // the step being recorded
    int groupDepth_ = 0;
    bool replaying_ = false;
};

// Which bytes a line keeps: 2-6, 9, 11, 12, 14-254.
inline bool EditByteAccepted(unsigned char c) {
    return (c >= 2 && c <= 6) || c == 9 || c == 11 || c == 12 || (c >= 14 && c <= 254);
}
inline bool IsWordByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace tarn::ide
