// EditEngine: gap buffer, line index, marks, the numbered operations and undo.
#include "ide/editengine/editengine.h"

#include <algorithm>
#include <cstring>

namespace tarn::ide {

namespace {

constexpr size_t MAX_BUFFER = size_t(1) << 31;  // offsets are kept in 32 bits
constexpr size_t MAX_UNDO_STEPS = 10000;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

}  // namespace

// ---- buffer and line index -------------------------------------------------------------

bool EditEngine::Create(size_t capacity, size_t growth) {
    if (capacity < 2) capacity = EDIT_INITIAL_CAPACITY;
    if (capacity >= MAX_BUFFER) return false;
    growth_ = growth ? growth : EDIT_GROWTH;
    buf_.assign(capacity, 0);
    gapStart_ = 0;
    gapEnd_ = capacity - 1;  // the one empty line's terminator sits at the end
    before_.assign(1, 0);
    after_.clear();
    lineCount_ = 1;
    gapLine_ = 1;
    line_ = col_ = 1;
    modified_ = false;
    sel_ = {};
    sel_.anchor = sel_.extent = {1, 1};
    for (EditPos& m : marks_) m = {};
    undo_.clear();
    redo_.clear();
    groupDepth_ = 0;
    return true;
}

void EditEngine::Destroy() {
    std::vector<char>().swap(buf_);
    before_.clear();
    after_.clear();
    undo_.clear();
    redo_.clear();
    lineCount_ = 0;
}

size_t EditEngine::LineStartPhys(int line) const {
    if (line <= gapLine_) return before_[line - 1];
    return buf_.size() - after_[lineCount_ - line];
}

int EditEngine::LineLength(int line) const {
    if (line < 1 || line > lineCount_) return 0;
    size_t start = LineStartPhys(line);
    size_t next = line < lineCount_ ? LineStartPhys(line + 1) : buf_.size();
    size_t len = next - start - 1;
    if (line == gapLine_) len -= gapEnd_ - gapStart_;
    return int(len);
}

char EditEngine::CharAt(int line, int col) const {
    size_t p = LineStartPhys(line) + size_t(col - 1);
    if (line == gapLine_ && p >= gapStart_) p += gapEnd_ - gapStart_;
    return buf_[p];
}

void EditEngine::LineText(int line, std::string& out) const {
    out.clear();
    if (line < 1 || line > lineCount_) return;
    size_t start = LineStartPhys(line);
    size_t len = size_t(LineLength(line));
    if (line != gapLine_) {
        out.assign(&buf_[start], len);
        return;
    }
    size_t head = gapStart_ - start;
    out.assign(&buf_[start], head);
    out.append(&buf_[gapEnd_], len - head);
}

std::string EditEngine::Text() const {
    std::string s;
    if (!Usable()) return s;
    s.reserve(TextBytes());
    s.append(buf_.data(), gapStart_);
    s.append(buf_.data() + gapEnd_, buf_.size() - gapEnd_ - 1);  // without the last terminator
    std::replace(s.begin(), s.end(), '\0', '\n');
    return s;
}

EditPos EditEngine::Clamp(EditPos p) const {
    p.line = std::clamp(p.line, 1, lineCount_);
    p.col = std::clamp(p.col, 1, LineLength(p.line) + 1);
    return p;
}

// Moves the gap to a position, carrying the index entries of the lines it passes.
void EditEngine::MoveGapTo(int line, int col) {
    size_t gap = gapEnd_ - gapStart_;
    auto logicalStart = [&](int l) -> size_t {
        return l <= gapLine_ ? before_[l - 1] : LineStartPhys(l) - gap;
    };
    size_t target = logicalStart(line) + size_t(col - 1);
    // Index entries of the lines the gap passes change sides: end-relative behind the gap,
    // absolute in front of it. Converted in bulk, as a jump may pass many thousands.
    uint32_t cap = uint32_t(buf_.size()), g = uint32_t(gap);
    if (gapLine_ < line) {
        size_t k = size_t(line - gapLine_), n = after_.size(), at = before_.size();
        before_.resize(at + k);
        const uint32_t* from = after_.data() + n;
        uint32_t* to = before_.data() + at;
        for (size_t i = 0; i < k; ++i) to[i] = cap - from[-1 - ptrdiff_t(i)] - g;
        after_.resize(n - k);
        gapLine_ = line;
    } else if (gapLine_ > line) {
        size_t k = size_t(gapLine_ - line), n = before_.size(), at = after_.size();
        after_.resize(at + k);
        const uint32_t* from = before_.data() + n;
        uint32_t* to = after_.data() + at;
        for (size_t i = 0; i < k; ++i) to[i] = cap - (from[-1 - ptrdiff_t(i)] + g);
        before_.resize(n - k);
        gapLine_ = line;
    }
    if (target < gapStart_) {
        size_t n = gapStart_ - target;
        std::memmove(&buf_[gapEnd_ - n], &buf_[target], n);
        gapStart_ -= n;
        gapEnd_ -= n;
    } else if (target > gapStart_) {
        size_t n = target - gapStart_;
        std::memmove(&buf_[gapStart_], &buf_[gapEnd_], n);
        gapStart_ += n;
        gapEnd_ += n;
    }
}

bool EditEngine::Reserve(size_t bytes) {
    size_t gap = gapEnd_ - gapStart_;
    if (gap >= bytes) return true;
    size_t grow = std::max(growth_, bytes - gap + growth_);
    size_t cap = buf_.size() + grow;
    if (cap >= MAX_BUFFER) return false;
    std::vector<char> fresh;
    try {
        fresh.resize(cap);
    } catch (const std::bad_alloc&) {
        return false;
    }
    size_t tail = buf_.size() - gapEnd_;
    std::memcpy(fresh.data(), buf_.data(), gapStart_);
    std::memcpy(fresh.data() + cap - tail, buf_.data() + gapEnd_, tail);
    gapEnd_ = cap - tail;
    buf_.swap(fresh);  // end-relative index entries stay valid
    return true;
}

// ---- raw changes: every edit is made of these two ----------------------------------------

namespace {

// Where a position goes when text from `at` to `end` is inserted.
void FollowInsert(EditPos& p, EditPos at, EditPos end) {
    if (p.line == 0) return;
    if (p.line == at.line && p.col >= at.col) {
        p.col = end.col + (p.col - at.col);
        p.line = end.line;
    } else if (p.line > at.line) {
        p.line += end.line - at.line;
    }
}

// Where a position goes when the text from `from` to `to` is removed.
void FollowDelete(EditPos& p, EditPos from, EditPos to) {
    if (p.line == 0) return;
    if (p.line == to.line && p.col >= to.col) {
        p.col = from.col + (p.col - to.col);
        p.line = from.line;
    } else if (p.line > to.line) {
        p.line -= to.line - from.line;
    } else if (p >= from) {
        p = from;
    }
}

}  // namespace

EditPos EditEngine::RawInsert(EditPos at, std::string_view text) {
    MoveGapTo(at.line, at.col);
    if (!Reserve(text.size())) return {};
    EditPos end = at;
    for (char c : text) {
        if (c == '\n') {
            buf_[gapStart_++] = 0;
            before_.push_back(uint32_t(gapStart_));
            ++gapLine_;
            ++lineCount_;
            ++end.line;
            end.col = 1;
        } else {
            buf_[gapStart_++] = c;
            ++end.col;
        }
    }
    for (EditPos& m : marks_) FollowInsert(m, at, end);
    EditPos caret = Caret();
    FollowInsert(caret, at, end);
    line_ = caret.line;
    col_ = caret.col;
    FollowInsert(sel_.anchor, at, end);
    FollowInsert(sel_.extent, at, end);
    Record({true, at, end, std::string(text)});
    return end;
}

std::string EditEngine::RawDelete(EditPos from, EditPos to) {
    std::string removed;
    if (!(from < to)) return removed;
    for (int l = from.line; l <= to.line; ++l) {
        std::string line = LineText(l);
        int a = l == from.line ? from.col - 1 : 0;
        int b = l == to.line ? to.col - 1 : int(line.size());
        removed.append(line, size_t(a), size_t(b - a));
        if (l != to.line) removed += '\n';
    }
    MoveGapTo(from.line, from.col);
    int joined = to.line - from.line;
    for (int i = 0; i < joined; ++i) after_.pop_back();
    gapEnd_ += removed.size();
    lineCount_ -= joined;
    for (EditPos& m : marks_) FollowDelete(m, from, to);
    EditPos caret = Caret();
    FollowDelete(caret, from, to);
    line_ = caret.line;
    col_ = caret.col;
    FollowDelete(sel_.anchor, from, to);
    FollowDelete(sel_.extent, from, to);
    Record({false, from, to, removed});
    return removed;
}

// A line longer than the maximum keeps what fits; the rest continues on a new line.
bool EditEngine::SplitLongLines(int first, int last) {
    for (int l = first; l <= last && l <= lineCount_; ++l) {
        if (LineLength(l) > MAX_LINE_LENGTH) {
            if (RawInsert({l, MAX_LINE_LENGTH + 1}, "\n").line == 0) return false;
            ++last;
        }
    }
    return true;
}

void EditEngine::Record(Change c) {
    if (replaying_) return;
    undo_.back().changes.push_back(std::move(c));
}

// Runs one public edit as an undo step (or as part of the open group). A refused edit
// takes back what it had already changed, so the text stays as it was.
bool EditEngine::Edit(bool typing, auto&& body) {
    if (!Usable()) return false;
    bool own = groupDepth_ == 0;
    if (own) {
        undo_.push_back({{}, Caret(), Caret(), typing});
    }
    size_t mark = undo_.back().changes.size();
    bool ok = body();
    UndoStep& step = undo_.back();
    if (!ok) {
        replaying_ = true;
        while (step.changes.size() > mark) {
            ApplyInverse(step.changes.back());
            step.changes.pop_back();
        }
        replaying_ = false;
        if (own) {
            SetCaret(step.caretBefore.line, step.caretBefore.col);
            undo_.pop_back();
        }
        return false;
    }
    ClearSelection();
    if (step.changes.size() > mark) {
        modified_ = true;
        redo_.clear();
    }
    if (!own) return true;
    step.caretAfter = Caret();
    if (step.changes.empty()) {
        undo_.pop_back();
        return true;
    }
    // Characters typed one after another undo together.
    if (typing && undo_.size() >= 2) {
        UndoStep& prev = undo_[undo_.size() - 2];
        if (prev.typing && prev.caretAfter == step.caretBefore) {
            for (Change& c : step.changes) prev.changes.push_back(std::move(c));
            prev.caretAfter = step.caretAfter;
            undo_.pop_back();
        }
    }
    if (undo_.size() > MAX_UNDO_STEPS) undo_.pop_front();
    return true;
}

void EditEngine::ApplyInverse(const Change& c) {
    if (c.insert)
        RawDelete(c.at, c.end);
    else
        RawInsert(c.at, c.text);
}

void EditEngine::ApplyAgain(const Change& c) {
    if (c.insert)
        RawInsert(c.at, c.text);
    else
        RawDelete(c.at, c.end);
}

bool EditEngine::Undo() {
    if (groupDepth_ > 0 || undo_.empty()) return false;
    UndoStep step = std::move(undo_.back());
    undo_.pop_back();
    replaying_ = true;
    for (auto it = step.changes.rbegin(); it != step.changes.rend(); ++it) ApplyInverse(*it);
    replaying_ = false;
    SetCaret(step.caretBefore.line, step.caretBefore.col);
    ClearSelection();
    modified_ = true;
    redo_.push_back(std::move(step));
    return true;
}

bool EditEngine::Redo() {
    if (groupDepth_ > 0 || redo_.empty()) return false;
    UndoStep step = std::move(redo_.back());
    redo_.pop_back();
    replaying_ = true;
    for (const Change& c : step.changes) ApplyAgain(c);
    replaying_ = false;
    SetCaret(step.caretAfter.line, step.caretAfter.col);
    ClearSelection();
    modified_ = true;
    step.typing = false;
    undo_.push_back(std::move(step));
    return true;
}

void EditEngine::BeginUndoGroup() {
    if (groupDepth_++ == 0) undo_.push_back({{}, Caret(), Caret(), false});
}

void EditEngine::EndUndoGroup() {
    if (groupDepth_ == 0 || --groupDepth_ > 0) return;
    undo_.back().caretAfter = Caret();
    if (undo_.back().changes.empty()) undo_.pop_back();
}

// ---- caret movement ----------------------------------------------------------------------

void EditEngine::SetCaret(int line, int col) {
    if (!Usable()) return;
    EditPos p = Clamp({line, col});
    line_ = p.line;
    col_ = p.col;
}

bool EditEngine::GotoLine(int line) {
    if (!Usable() || line < 1 || line > lineCount_) return false;
    line_ = line;
    col_ = 1;
    return true;
}

void EditEngine::CharLeft() {
    if (col_ > 1) {
        --col_;
    } else if (line_ > 1) {
        --line_;
        col_ = LineLength(line_) + 1;
    }
}

void EditEngine::CharRight() {
    if (col_ <= LineLength(line_)) {
        ++col_;
    } else if (line_ < lineCount_) {
        ++line_;
        col_ = 1;
    }
}

// A word is a run of letters, digits and underscores; the moves stop at word starts.
EditPos EditEngine::WordLeftOf(EditPos p) const {
    if (p.col == 1) return p.line > 1 ? EditPos{p.line - 1, LineLength(p.line - 1) + 1} : p;
    while (p.col > 1 && IsBlank(CharAt(p.line, p.col - 1))) --p.col;
    if (p.col == 1) return p;
    bool word = IsWordByte(static_cast<unsigned char>(CharAt(p.line, p.col - 1)));
    while (p.col > 1) {
        char c = CharAt(p.line, p.col - 1);
        if (IsBlank(c) || IsWordByte(static_cast<unsigned char>(c)) != word) break;
        --p.col;
    }
    return p;
}

EditPos EditEngine::WordRightOf(EditPos p) const {
    int len = LineLength(p.line);
    if (p.col > len) return p.line < lineCount_ ? EditPos{p.line + 1, 1} : p;
    char first = CharAt(p.line, p.col);
    if (!IsBlank(first)) {
        bool word = IsWordByte(static_cast<unsigned char>(first));
        while (p.col <= len) {
            char c = CharAt(p.line, p.col);
            if (IsBlank(c) || IsWordByte(static_cast<unsigned char>(c)) != word) break;
            ++p.col;
        }
    }
    while (p.col <= len && IsBlank(CharAt(p.line, p.col))) ++p.col;
    return p;
}

void EditEngine::WordLeft() {
    EditPos p = WordLeftOf(Caret());
    line_ = p.line;
    col_ = p.col;
}

void EditEngine::WordRight() {
    EditPos p = WordRightOf(Caret());
    line_ = p.line;
    col_ = p.col;
}

// ---- edits -------------------------------------------------------------------------------

bool EditEngine::InsertChar(int ch) {
    if (ch < 0 || ch > 255 || !EditByteAccepted(static_cast<unsigned char>(ch))) return false;
    return Edit(true, [&] {
        char c = char(ch);
        return RawInsert(Caret(), std::string_view(&c, 1)).line != 0 &&
               SplitLongLines(line_, line_);
    });
}

bool EditEngine::OverwriteChar(int ch) {
    if (ch < 0 || ch > 255 || !EditByteAccepted(static_cast<unsigned char>(ch))) return false;
    return Edit(true, [&] {
        if (col_ <= LineLength(line_)) RawDelete(Caret(), {line_, col_ + 1});
        char c = char(ch);
        return RawInsert(Caret(), std::string_view(&c, 1)).line != 0;
    });
}

bool EditEngine::DeleteChar() {
    return Edit(false, [&] {
        int len = LineLength(line_);
        if (col_ <= len)
            RawDelete(Caret(), {line_, col_ + 1});
        else if (line_ < lineCount_)
            RawDelete(Caret(), {line_ + 1, 1});
        return SplitLongLines(line_, line_);
    });
}

bool EditEngine::Backspace() {
    return Edit(false, [&] {
        if (col_ > 1)
            RawDelete({line_, col_ - 1}, Caret());
        else if (line_ > 1)
            RawDelete({line_ - 1, LineLength(line_ - 1) + 1}, Caret());
        return SplitLongLines(line_, line_);
    });
}

bool EditEngine::DeleteWordLeft() {
    return Edit(false, [&] {
        RawDelete(WordLeftOf(Caret()), Caret());
        return SplitLongLines(line_, line_);
    });
}

bool EditEngine::DeleteWordRight() {
    return Edit(false, [&] {
        RawDelete(Caret(), WordRightOf(Caret()));
        return SplitLongLines(line_, line_);
    });
}

bool EditEngine::SplitLine() {
    return Edit(false, [&] { return RawInsert(Caret(), "\n").line != 0; });
}

bool EditEngine::InsertText(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    for (char c : text)
        if (EditByteAccepted(static_cast<unsigned char>(c))) kept += c;
    return Edit(false, [&] {
        int first = line_;
        EditPos end = RawInsert(Caret(), kept);
        return end.line != 0 && SplitLongLines(first, end.line);
    });
}

bool EditEngine::InsertLines(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    for (char c : text)
        if (c == '\n' || EditByteAccepted(static_cast<unsigned char>(c))) kept += c;
    return Edit(false, [&] {
        int first = line_;
        EditPos end = RawInsert(Caret(), kept);
        return end.line != 0 && SplitLongLines(first, end.line);
    });
}

// ---- selection ---------------------------------------------------------------------------

void EditEngine::SetSelection(EditRange r) {
    if (!Usable()) return;
    sel_.anchor = Clamp(r.anchor);
    sel_.extent = Clamp(r.extent);
    line_ = sel_.extent.line;
    col_ = sel_.extent.col;
}

void EditEngine::ExtendSelection(EditPos before) {
    if (!HasSelection()) sel_.anchor = Clamp(before);
    sel_.extent = Caret();
}

bool EditEngine::DeleteSelection() {
    if (!HasSelection()) return true;
    EditRange r = sel_;
    return Edit(false, [&] {
        RawDelete(r.From(), r.To());
        SetCaret(r.From().line, r.From().col);
        return SplitLongLines(line_, line_);
    });
}

std::string EditEngine::SelectedText() const {
    std::string s;
    EditPos from = sel_.From(), to = sel_.To();
    for (int l = from.line; l <= to.line && HasSelection(); ++l) {
        std::string line = LineText(l);
        int a = l == from.line ? from.col - 1 : 0;
        int b = l == to.line ? to.col - 1 : int(line.size());
        s.append(line, size_t(a), size_t(b - a));
        if (l != to.line) s += '\n';
    }
    return s;
}

// ---- marks -------------------------------------------------------------------------------

void EditEngine::AllocateMarks(int count) { marks_.assign(size_t(std::max(count, 0)), EditPos{}); }

bool EditEngine::SetMark(int n, EditPos p) {
    if (n < 1 || n > MarkCount()) return false;
    marks_[size_t(n - 1)] = p.line == 0 ? EditPos{} : Clamp(p);
    return true;
}

EditPos EditEngine::Mark(int n) const {
    if (n < 1 || n > MarkCount()) return {};
    return marks_[size_t(n - 1)];
}

// ---- search ------------------------------------------------------------------------------

// Looks in one line for a match starting in fromCol..toCol, the first one downward, the
// last one upward.
bool EditEngine::FindInLine(int, const std::string& lineText, const std::string& what, int flags,
                            int fromCol, int toCol, int& found) const {
    int len = int(lineText.size()), n = int(what.size());
    auto matchAt = [&](int i) {  // i is 0-based
        for (int k = 0; k < n; ++k) {
            unsigned char a = static_cast<unsigned char>(lineText[size_t(i + k)]);
            unsigned char b = static_cast<unsigned char>(what[size_t(k)]);
            if (flags & SEARCH_MATCH_CASE ? a != b : Lower(a) != Lower(b)) return false;
        }
        if (flags & SEARCH_WHOLE_WORD) {
            if (i > 0 && IsWordByte(static_cast<unsigned char>(lineText[size_t(i - 1)])))
                return false;
            if (i + n < len && IsWordByte(static_cast<unsigned char>(lineText[size_t(i + n)])))
                return false;
        }
        return true;
    };
    int lo = std::max(fromCol, 1), hi = std::min(toCol, len - n + 1);
    if (flags & SEARCH_DOWN) {
        for (int c = lo; c <= hi; ++c)
            if (matchAt(c - 1)) return found = c, true;
    } else {
        for (int c = hi; c >= lo; --c)
            if (matchAt(c - 1)) return found = c, true;
    }
    return false;
}

bool EditEngine::Search(std::string_view whatView, int flags) {
    if (!Usable() || whatView.empty() || whatView.find('\n') != std::string_view::npos)
        return false;
    std::string what(whatView), line;
    int n = int(what.size()), found = 0;
    if (flags & SEARCH_DOWN) {
        EditPos start = HasSelection() ? sel_.To() : Caret();
        for (int l = start.line; l <= lineCount_; ++l) {
            LineText(l, line);
            if (FindInLine(l, line, what, flags, l == start.line ? start.col : 1,
                           MAX_LINE_LENGTH + 1, found)) {
                SetSelection({{l, found}, {l, found + n}});
                return true;
            }
        }
    } else {
        EditPos start = HasSelection() ? sel_.From() : Caret();
        for (int l = start.line; l >= 1; --l) {
            LineText(l, line);
            int last = l == start.line ? start.col - 1 : MAX_LINE_LENGTH + 1;
            if (FindInLine(l, line, what, flags, 1, last, found)) {
                SetSelection({{l, found + n}, {l, found}});
                return true;
            }
        }
    }
    return false;
}

// ---- the numbered entry point --------------------------------------------------------------

intptr_t EditEngine::Call(EditOp op, intptr_t a, intptr_t b) {
    auto ok = [](bool r) -> intptr_t { return r ? 0 : EDIT_FAIL; };
    if (op == EditOp::Create) return ok(Create(size_t(a), size_t(b)));
    if (!Usable()) return EDIT_FAIL;
    switch (op) {
    case EditOp::Create: break;
    case EditOp::Destroy: Destroy(); return 0;
    case EditOp::GetCaret: *reinterpret_cast<EditPos*>(a) = Caret(); return 0;
    case EditOp::SetCaret: SetCaret(int(a), int(b)); return 0;
    case EditOp::GotoLine: return ok(GotoLine(int(a)));
    case EditOp::CharLeft: CharLeft(); return 0;
    case EditOp::CharRight: CharRight(); return 0;
    case EditOp::WordLeft: WordLeft(); return 0;
    case EditOp::WordRight: WordRight(); return 0;
    case EditOp::LineStart: LineStart(); return 0;
    case EditOp::LineEnd: LineEnd(); return 0;
    case EditOp::TextStart: TextStart(); return 0;
    case EditOp::TextEnd: TextEnd(); return 0;
    case EditOp::InsertChar: return ok(InsertChar(int(a)));
    case EditOp::OverwriteChar: return ok(OverwriteChar(int(a)));
    case EditOp::DeleteChar: return ok(DeleteChar());
    case EditOp::Backspace: return ok(Backspace());
    case EditOp::DeleteWordLeft: return ok(DeleteWordLeft());
    case EditOp::DeleteWordRight: return ok(DeleteWordRight());
    case EditOp::SplitLine: return ok(SplitLine());
    case EditOp::InsertText:
        return ok(InsertText(std::string_view(reinterpret_cast<const char*>(a), size_t(b))));
    case EditOp::GetLine: {
        if (a < 1 || a > lineCount_) return EDIT_FAIL;
        auto* out = reinterpret_cast<EditLineBuffer*>(b);
        std::string text = LineText(int(a));
        out->length = int(text.size());
        if (out->size > 0) {
            size_t n = std::min(text.size(), size_t(out->size - 1));
            std::memcpy(out->data, text.data(), n);
            out->data[n] = 0;
        }
        return out->length;
    }
    case EditOp::LineCount: return lineCount_;
    case EditOp::MaxLineLength: return MAX_LINE_LENGTH;
    case EditOp::GetModified: return modified_ ? 1 : 0;
    case EditOp::SetModified: modified_ = a != 0; return 0;
    case EditOp::SelectionGet: *reinterpret_cast<EditRange*>(a) = sel_; return 0;
    case EditOp::SelectionSet: SetSelection(*reinterpret_cast<const EditRange*>(a)); return 0;
    case EditOp::SelectionExtend: ExtendSelection({int(a), int(b)}); return 0;
    case EditOp::SelectionDelete: return ok(DeleteSelection());
    case EditOp::MarkSet: return ok(SetMark(int(a), *reinterpret_cast<const EditPos*>(b)));
    case EditOp::MarkGet:
        if (a < 1 || a > MarkCount()) return EDIT_FAIL;
        *reinterpret_cast<EditPos*>(b) = Mark(int(a));
        return 0;
    case EditOp::Search: return ok(Search(reinterpret_cast<const char*>(a), int(b)));
    case EditOp::MarkAllocate: AllocateMarks(int(a)); return 0;
    case EditOp::Undo: return ok(Undo());
    case EditOp::Redo: return ok(Redo());
    case EditOp::UndoGroupBegin: BeginUndoGroup(); return 0;
    case EditOp::UndoGroupEnd: EndUndoGroup(); return 0;
    }
    return EDIT_FAIL;
}

}  // namespace tarn::ide
