// The editor window: drawing, keys, mouse, files, search, selection commands.
#include "ide/editor/edit_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QInputDialog>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include "ide/editor/text_file.h"
#include "ide/frame/notify.h"

namespace tarn::ide {

namespace {

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

// The line with its tabs expanded to the tab size, as drawn and printed.
QString ExpandTabs(const std::string& line, int tabSize) {
    QString out;
    out.reserve(int(line.size()));
    for (char c : line) {
        if (c == '\t') {
            int n = tabSize - out.size() % tabSize;
            out.append(QString(n, ' '));
        } else {
            out.append(QChar(static_cast<unsigned char>(c)));
        }
    }
    return out;
}

// Column (1-based) of the first non-blank character, counting tabs to their stops;
// -1 for a blank line.
int Indentation(const std::string& line, int tabSize) {
    int col = 0;
    for (char c : line) {
        if (c == ' ')
            ++col;
        else if (c == '\t')
            col += tabSize - col % tabSize;
        else
            return col + 1;
    }
    return -1;
}

bool StartsWithWord(const std::string& line, const char* word) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos) return false;
    size_t n = std::strlen(word);
    if (line.size() - i < n) return false;
    for (size_t k = 0; k < n; ++k)
        if (std::tolower(static_cast<unsigned char>(line[i + k])) != word[k]) return false;
    return i + n == line.size() || !IsWordByte(static_cast<unsigned char>(line[i + n]));
}

}  // namespace

TarnEditChild::TarnEditChild(QWidget* parent) : QAbstractScrollArea(parent) {
    font_ = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    engine_.AllocateMarks(EDIT_MARKS);
    wheelLines_ = QApplication::wheelScrollLines();
    verticalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    SetFileName(NewFileName({}));
    UpdateScrollBars();
}

// ---- geometry ----------------------------------------------------------------------------

int TarnEditChild::LineHeight() const { return QFontMetrics(font_).lineSpacing(); }
int TarnEditChild::CharWidth() const {
    return std::max(1, QFontMetrics(font_).horizontalAdvance('M'));
}
int TarnEditChild::VisibleLines() const { return std::max(1, viewport()->height() / LineHeight()); }
int TarnEditChild::FirstVisibleLine() const { return verticalScrollBar()->value() + 1; }

void TarnEditChild::SetFirstVisibleLine(int line) {
    verticalScrollBar()->setValue(std::clamp(line, 1, engine_.LineCount()) - 1);
}

int TarnEditChild::DisplayColumn(int line, int col) const {
    std::string text = engine_.LineText(line);
    int d = 0;
    for (int i = 0; i < col - 1 && i < int(text.size()); ++i)
        d += text[size_t(i)] == '\t' ? options_.tabSize - d % options_.tabSize : 1;
    return d;
}

int TarnEditChild::ColumnAtDisplay(int line, int target) const {
    std::string text = engine_.LineText(line);
    int d = 0, col = 1;
    for (char c : text) {
        int w = c == '\t' ? options_.tabSize - d % options_.tabSize : 1;
        if (target <= d || (target < d + w && target - d <= w / 2)) break;
        d += w;
        ++col;
    }
    return col;
}

EditPos TarnEditChild::PositionAt(QPoint p) const {
    int line = std::clamp(FirstVisibleLine() + p.y() / LineHeight(), 1, engine_.LineCount());
    int x = std::max(0, p.x() + horizontalScrollBar()->value());
    return {line, ColumnAtDisplay(line, (x + CharWidth() / 2) / CharWidth())};
}

void TarnEditChild::UpdateScrollBars() {
    verticalScrollBar()->setPageStep(VisibleLines());
    verticalScrollBar()->setRange(0, std::max(0, engine_.LineCount() - 1));
    int widest = DisplayColumn(CaretLine(), CaretColumn()) + 1;
    int last = std::min(engine_.LineCount(), FirstVisibleLine() + VisibleLines());
    for (int l = FirstVisibleLine(); l <= last; ++l)
        widest = std::max(widest, DisplayColumn(l, engine_.LineLength(l) + 1) + 1);
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(CharWidth());
    horizontalScrollBar()->setRange(0, std::max(0, widest * CharWidth() - viewport()->width() / 2));
}

void TarnEditChild::EnsureCaretVisible() {
    int line = CaretLine();
    int first = FirstVisibleLine(), n = VisibleLines();
    if (line < first)
        SetFirstVisibleLine(line);
    else if (line >= first + n)
        SetFirstVisibleLine(line - n + 1);
    UpdateScrollBars();
    int x = DisplayColumn(line, CaretColumn()) * CharWidth();
    int left = horizontalScrollBar()->value(), width = viewport()->width();
    if (x < left)
        horizontalScrollBar()->setValue(std::max(0, x - width / 4));
    else if (x + CharWidth() > left + width)
        horizontalScrollBar()->setValue(x + CharWidth() - width + width / 4);
}

QPoint TarnEditChild::CaretPoint() const {
    return {DisplayColumn(CaretLine(), CaretColumn()) * CharWidth() -
                horizontalScrollBar()->value(),
            (CaretLine() - FirstVisibleLine()) * LineHeight()};
}

void TarnEditChild::CaretChanged() {
    EnsureCaretVisible();
    viewport()->update();
    emit CaretMoved(CaretLine(), CaretColumn());
}

// ---- drawing -----------------------------------------------------------------------------

void TarnEditChild::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), bg_);
    p.setFont(font_);
    QFontMetrics fm(font_);
    int lh = LineHeight(), cw = CharWidth(), dx = horizontalScrollBar()->value();
    EditRange sel = engine_.Selection();
    EditPos from = sel.From(), to = sel.To();
    QColor selBg = palette().color(QPalette::Highlight),
           selFg = palette().color(QPalette::HighlightedText);
    int first = FirstVisibleLine(), last = std::min(engine_.LineCount(), first + VisibleLines());
    std::string text;
    for (int l = first; l <= last; ++l) {
        engine_.LineText(l, text);
        QString shown = ExpandTabs(text, options_.tabSize);
        int y = (l - first) * lh;
        p.setPen(fg_);
        p.drawText(-dx, y + fm.ascent(), shown);
        if (!sel.Empty() && l >= from.line && l <= to.line) {
            int a = l == from.line ? DisplayColumn(l, from.col) : 0;
            int b =
                l == to.line ? DisplayColumn(l, to.col) : int(shown.size()) + 1;  // + the line end
            QRect r(a * cw - dx, y, (b - a) * cw, lh);
            p.fillRect(r, selBg);
            p.setPen(selFg);
            p.setClipRect(r);
            p.drawText(-dx, y + fm.ascent(), shown);
            p.setClipping(false);
        }
    }
    // The caret: a thin bar when inserting, a character-wide block when overwriting.
    int cy = (CaretLine() - first) * lh;
    int cx = DisplayColumn(CaretLine(), CaretColumn()) * cw - dx;
    if (cy >= 0 && cy < viewport()->height()) {
        if (overwrite_)
            p.fillRect(QRect(cx, cy, cw, lh), QColor(fg_.red(), fg_.green(), fg_.blue(), 110));
        else
            p.fillRect(QRect(cx, cy, 2, lh), fg_);
    }
}

void TarnEditChild::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    UpdateScrollBars();
}

void TarnEditChild::SetTextStyle(const QFont& font, const QColor& fg, const QColor& bg) {
    font_ = font;
    fg_ = fg;
    bg_ = bg;
    UpdateScrollBars();
    viewport()->update();
}

void TarnEditChild::SetOptions(const EditorOptions& o) {
    options_ = o;
    options_.tabSize = std::clamp(o.tabSize, 1, 16);
    viewport()->update();
}

void TarnEditChild::SetTabSize(int n) {
    options_.tabSize = std::clamp(n, 1, 16);
    viewport()->update();
}

// ---- keys --------------------------------------------------------------------------------

void TarnEditChild::Fail(const char* text) {
    ShowMessage(this, MessageIcon::Error, FRAME_TITLE, text);
}

void TarnEditChild::keyPressEvent(QKeyEvent* e) {
    if (HandleMovement(e) || HandleEditKey(e)) {
        CaretChanged();
        return;
    }
    QString t = e->text();
    bool plain = !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && t.size() == 1) {
        char16_t u = t[0].unicode();
        if (u >= 32 && u != 127 && u <= 254) {
            TypeChar(static_cast<unsigned char>(u));
            CaretChanged();
            return;
        }
    }
    QAbstractScrollArea::keyPressEvent(e);
}

// The movement keys, with Shift extending the selection.
bool TarnEditChild::HandleMovement(QKeyEvent* e) {
    bool ctrl = e->modifiers() & Qt::ControlModifier, shift = e->modifiers() & Qt::ShiftModifier;
    EditPos before = engine_.Caret();
    int page = VisibleLines();
    switch (e->key()) {
    case Qt::Key_Left: ctrl ? engine_.WordLeft() : engine_.CharLeft(); break;
    case Qt::Key_Right: ctrl ? engine_.WordRight() : engine_.CharRight(); break;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        int dir = e->key() == Qt::Key_Up ? -1 : 1;
        if (ctrl) {  // scroll the view, keeping the caret inside it
            SetFirstVisibleLine(FirstVisibleLine() + dir);
            int top = FirstVisibleLine(), bottom = std::min(engine_.LineCount(), top + page - 1);
            engine_.SetCaret(std::clamp(before.line, top, bottom), before.col);
        } else {
            int line = std::clamp(before.line + dir, 1, engine_.LineCount());
            engine_.SetCaret(line, ColumnAtDisplay(line, DisplayColumn(before.line, before.col)));
        }
        break;
    }
    case Qt::Key_Home: ctrl ? engine_.TextStart() : engine_.LineStart(); break;
    case Qt::Key_End: ctrl ? engine_.TextEnd() : engine_.LineEnd(); break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        bool up = e->key() == Qt::Key_PageUp;
        if (ctrl) {
            int top = FirstVisibleLine();
            engine_.SetCaret(up ? top : std::min(engine_.LineCount(), top + page - 1), before.col);
        } else {
            SetFirstVisibleLine(FirstVisibleLine() + (up ? -page : page));
            engine_.SetCaret(before.line + (up ? -page : page), before.col);
        }
        break;
    }
    default: return false;
    }
    if (shift)
        engine_.ExtendSelection(before);
    else
        engine_.ClearSelection();
    return true;
}

bool TarnEditChild::HandleEditKey(QKeyEvent* e) {
    bool ctrl = e->modifiers() & Qt::ControlModifier, shift = e->modifiers() & Qt::ShiftModifier;
    if (e->matches(QKeySequence::Undo)) return Undo(), true;
    if (e->matches(QKeySequence::Redo) && e->key() != Qt::Key_Y) return Redo(), true;
    if (e->matches(QKeySequence::Copy)) return Copy(), true;
    if (e->matches(QKeySequence::Cut)) return Cut(), true;
    if (e->matches(QKeySequence::Paste)) return Paste(), true;
    if (e->matches(QKeySequence::SelectAll)) {
        engine_.SetSelection(
            {{1, 1}, {engine_.LineCount(), engine_.LineLength(engine_.LineCount()) + 1}});
        return true;
    }
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: Enter(); return true;
    case Qt::Key_Backspace:
        if (engine_.HasSelection())
            engine_.DeleteSelection();
        else if (ctrl)
            engine_.DeleteWordLeft();
        else if (!engine_.Backspace())
            Fail("Internal Failure: EditEngineCharBackspace");
        return true;
    case Qt::Key_Delete:
        if (engine_.HasSelection())
            engine_.DeleteSelection();
        else if (ctrl)
            engine_.DeleteWordRight();
        else
            engine_.DeleteChar();
        return true;
    case Qt::Key_Tab: TabKey(false); return true;
    case Qt::Key_Backtab: TabKey(true); return true;
    case Qt::Key_Insert:
        if (e->modifiers() == Qt::NoModifier) {
            overwrite_ = !overwrite_;
            return true;
        }
        if (ctrl) return Copy(), true;
        if (shift) return Paste(), true;
        return false;
    case Qt::Key_Y:
        if (ctrl && !shift) return DeleteCurrentLine(), true;
        return false;
    default: return false;
    }
}

void TarnEditChild::TypeChar(unsigned char c) {
    engine_.BeginUndoGroup();
    engine_.DeleteSelection();
    if (overwrite_) {
        if (!engine_.OverwriteChar(c)) Fail("Can not overwrite character");
    } else if (!engine_.InsertChar(c)) {
        Fail("Can not insert character");
    }
    engine_.EndUndoGroup();
}

// Enter splits the line; with auto indent the new line starts with the old one's
// leading blanks and tabs.
void TarnEditChild::Enter() {
    std::string line = engine_.LineText(CaretLine());
    engine_.BeginUndoGroup();
    engine_.DeleteSelection();
    if (!engine_.SplitLine()) {
        engine_.EndUndoGroup();
        Fail("Internal Failure: EditEngineLineSplit");
        return;
    }
    if (options_.autoIndent) {
        size_t n = 0;
        while (n < line.size() && n < MAX_LINE_LENGTH - 1 && IsBlankChar(line[n])) ++n;
        if (n) engine_.InsertText(line.substr(0, n));
    }
    engine_.EndUndoGroup();
}

void TarnEditChild::TabKey(bool back) {
    if (engine_.HasSelection()) {
        IndentBlock(back);
        return;
    }
    int ts = options_.tabSize;
    if (back) {  // to the previous tab stop, stopping at a tab character
        int d = DisplayColumn(CaretLine(), CaretColumn());
        int target = d % ts ? d - d % ts : std::max(0, d - ts);
        while (CaretColumn() > 1 && DisplayColumn(CaretLine(), CaretColumn()) > target) {
            bool tab = engine_.LineText(CaretLine())[size_t(CaretColumn() - 2)] == '\t';
            engine_.CharLeft();
            if (tab) break;
        }
        return;
    }
    if (options_.useTabs)
        engine_.InsertChar('\t');
    else
        engine_.InsertText(std::string(size_t(ts - (CaretColumn() - 1) % ts), ' '));
}

// Tab and Shift+Tab on a selection indent or unindent every line it touches; the caret
// rides in mark 181 meanwhile.
void TarnEditChild::IndentBlock(bool back) {
    EditRange sel = engine_.Selection();
    EditPos from = sel.From(), to = sel.To();
    int last = to.col == 1 && to.line > from.line ? to.line - 1 : to.line;
    bool caretAtEnd = sel.extent == to;
    engine_.SetMark(CARET_MARK, engine_.Caret());
    engine_.BeginUndoGroup();
    int ts = options_.tabSize;
    for (int l = from.line; l <= last; ++l) {
        engine_.SetCaret(l, 1);
        if (!back) {
            engine_.InsertText(options_.useTabs ? std::string("\t") : std::string(size_t(ts), ' '));
            continue;
        }
        std::string text = engine_.LineText(l);
        int n = 0;
        if (!text.empty() && text[0] == '\t')
            n = 1;
        else
            while (n < ts && n < int(text.size()) && text[size_t(n)] == ' ') ++n;
        if (n) {
            engine_.SetSelection({{l, 1}, {l, n + 1}});
            engine_.DeleteSelection();
        }
    }
    engine_.EndUndoGroup();
    EditPos blockStart{from.line, 1};
    EditPos blockEnd = last < engine_.LineCount() ? EditPos{last + 1, 1}
                                                  : EditPos{last, engine_.LineLength(last) + 1};
    EditPos caret = engine_.Mark(CARET_MARK);
    engine_.SetMark(CARET_MARK, {});
    if (caretAtEnd)
        engine_.SetSelection({blockStart, blockEnd});
    else
        engine_.SetSelection({blockEnd, {caret.line, 1}});
}

// ---- mouse -------------------------------------------------------------------------------

void TarnEditChild::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    EditPos before = engine_.Caret();
    EditPos at = PositionAt(e->position().toPoint());
    engine_.SetCaret(at.line, at.col);
    if (e->modifiers() & Qt::ShiftModifier)
        engine_.ExtendSelection(before);
    else
        engine_.ClearSelection();
    if (at != clickAt_) clickCycle_ = 0;
    CaretChanged();
}

void TarnEditChild::mouseMoveEvent(QMouseEvent* e) {
    if (!(e->buttons() & Qt::LeftButton)) return;
    EditPos before = engine_.Caret();
    EditPos at = PositionAt(e->position().toPoint());
    if (at == before) return;
    engine_.SetCaret(at.line, at.col);
    engine_.ExtendSelection(before);
    CaretChanged();
}

// Double-clicks at one place select the word, then the line, then the block.
void TarnEditChild::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    EditPos at = PositionAt(e->position().toPoint());
    clickCycle_ = at == clickAt_ ? clickCycle_ % 3 + 1 : 1;
    clickAt_ = at;
    engine_.SetCaret(at.line, at.col);
    engine_.ClearSelection();
    if (clickCycle_ == 1)
        SelectWord();
    else if (clickCycle_ == 2)
        SelectLine();
    else
        SelectBlock();
    CaretChanged();
}

void TarnEditChild::wheelEvent(QWheelEvent* e) {
    int steps = e->angleDelta().y() / 120;
    if (steps) SetFirstVisibleLine(FirstVisibleLine() - steps * wheelLines_);
    e->accept();
}

// ---- caret, marks, selection commands -------------------------------------------------

void TarnEditChild::GoTo(int line, int col) {
    engine_.SetCaret(line, col);
    engine_.ClearSelection();
    CaretChanged();
}

bool TarnEditChild::GoToLine(int line) {
    if (!engine_.GotoLine(line)) {
        ShowMessage(this, MessageIcon::Warning, FRAME_TITLE, "Line number not found");
        return false;
    }
    engine_.ClearSelection();
    CaretChanged();
    return true;
}

void TarnEditChild::GoToLineDialog() {
    QInputDialog d(this);
    d.setWindowTitle("Goto Line");
    d.setLabelText("Line Number:");
    d.setInputMode(QInputDialog::IntInput);
    d.setIntRange(1, INT_MAX);
    d.setIntValue(CaretLine());
    if (d.exec() == QDialog::Accepted) GoToLine(d.intValue());
}

void TarnEditChild::SetBookmark(int n) {
    if (n >= 0 && n <= 9) engine_.SetMark(FIRST_BOOKMARK_MARK + n, engine_.Caret());
}

bool TarnEditChild::GoToBookmark(int n) {
    EditPos p = n >= 0 && n <= 9 ? engine_.Mark(FIRST_BOOKMARK_MARK + n) : EditPos{};
    if (p.line == 0) return false;
    GoTo(p.line, p.col);
    return true;
}

void TarnEditChild::SetSelection(EditRange r) {
    engine_.SetSelection(r);
    CaretChanged();
}

void TarnEditChild::SelectLine() {
    int line = CaretLine();
    if (line < engine_.LineCount()) engine_.SetSelection({{line, 1}, {line + 1, 1}});
    viewport()->update();
}

void TarnEditChild::SelectWord() {
    std::string text = engine_.LineText(CaretLine());
    int a = CaretColumn() - 1, b = a;
    while (a > 0 && IsWordByte(static_cast<unsigned char>(text[size_t(a - 1)]))) --a;
    while (b < int(text.size()) && IsWordByte(static_cast<unsigned char>(text[size_t(b)]))) ++b;
    if (a < b) engine_.SetSelection({{CaretLine(), a + 1}, {CaretLine(), b + 1}});
    viewport()->update();
}

QString TarnEditChild::WordAtCaret() const {
    std::string text = engine_.LineText(CaretLine());
    int a = CaretColumn() - 1, b = a;
    while (a > 0 && IsWordByte(static_cast<unsigned char>(text[size_t(a - 1)]))) --a;
    while (b < int(text.size()) && IsWordByte(static_cast<unsigned char>(text[size_t(b)]))) ++b;
    return QString::fromLatin1(text.substr(size_t(a), size_t(std::min(b - a, MAX_WORD_AT_CARET))));
}

// The block from the caret's line (or the selection's first line): the lines indented
// deeper than it, up to the first line indented no deeper, which is taken in when it
// begins with end, until, wend or loop.
bool TarnEditChild::SelectBlock() {
    int start = engine_.HasSelection() ? engine_.Selection().From().line : CaretLine();
    int ts = options_.tabSize;
    int indent = Indentation(engine_.LineText(start), ts);
    bool deeper = false;
    int end = 0;
    for (int l = start + 1; l <= engine_.LineCount() && indent > 0; ++l) {
        std::string text = engine_.LineText(l);
        int ind = Indentation(text, ts);
        if (ind < 0) continue;
        if (ind > indent) {
            deeper = true;
            continue;
        }
        if (ind == indent && !deeper) continue;
        bool closer = false;
        for (const char* w : {"end", "until", "wend", "loop"})
            closer = closer || StartsWithWord(text, w);
        end = closer ? l : l - 1;
        break;
    }
    if (end == 0) return false;  // no end found: the caret stays where it was
    EditPos to =
        end < engine_.LineCount() ? EditPos{end + 1, 1} : EditPos{end, engine_.LineLength(end) + 1};
    engine_.SetSelection({{start, 1}, to});
    viewport()->update();
    return true;
}

void TarnEditChild::DeleteCurrentLine() {
    int line = CaretLine();
    EditPos from{line, 1}, to;
    if (line < engine_.LineCount())
        to = {line + 1, 1};
    else if (line > 1)
        from = {line - 1, engine_.LineLength(line - 1) + 1},
        to = {line, engine_.LineLength(line) + 1};
    else
        to = {1, engine_.LineLength(1) + 1};
    engine_.SetSelection({from, to});
    engine_.DeleteSelection();
    engine_.SetCaret(std::min(line, engine_.LineCount()), 1);
    CaretChanged();
}

// ---- search ------------------------------------------------------------------------------

bool TarnEditChild::Find(const QString& text, int flags) {
    lastFind_ = text;
    lastFlags_ = flags;
    if (engine_.Search(text.toLatin1().toStdString(), flags)) {
        CaretChanged();
        return true;
    }
    ShowMessage(this, MessageIcon::Warning, FRAME_TITLE,
                QString("Search string '%1' not found").arg(text));
    return false;
}

bool TarnEditChild::FindAgain() { return !lastFind_.isEmpty() && Find(lastFind_, lastFlags_); }

namespace {

bool SelectionMatches(const EditEngine& e, const std::string& what, int flags) {
    std::string sel = e.SelectedText();
    if (sel.size() != what.size() || sel.empty()) return false;
    for (size_t i = 0; i < sel.size(); ++i) {
        unsigned char a = static_cast<unsigned char>(sel[i]),
                      b = static_cast<unsigned char>(what[i]);
        if (flags & SEARCH_MATCH_CASE ? a != b : std::tolower(a) != std::tolower(b)) return false;
    }
    return true;
}

}  // namespace

bool TarnEditChild::Replace(const QString& text, const QString& with, int flags) {
    std::string what = text.toLatin1().toStdString();
    if (SelectionMatches(engine_, what, flags)) {
        engine_.BeginUndoGroup();
        engine_.DeleteSelection();
        engine_.InsertText(with.toLatin1().toStdString());
        engine_.EndUndoGroup();
    }
    return Find(text, flags);
}

int TarnEditChild::ReplaceAll(const QString& text, const QString& with, int flags) {
    std::string what = text.toLatin1().toStdString(), repl = with.toLatin1().toStdString();
    unsigned count = 0;
    EditPos caret = engine_.Caret();
    engine_.TextStart();
    engine_.ClearSelection();
    engine_.BeginUndoGroup();
    while (!what.empty() && engine_.Search(what, flags | SEARCH_DOWN)) {
        engine_.DeleteSelection();
        engine_.InsertText(repl);
        ++count;
    }
    engine_.EndUndoGroup();
    if (count == 0) engine_.SetCaret(caret.line, caret.col);
    CaretChanged();
    emit StatusMessage(count ? QString("%1 occurrence(s) replaced").arg(count)
                             : QString("No occurrences replaced"));
    return int(count);
}

// ---- clipboard and undo ------------------------------------------------------------------

void TarnEditChild::Copy() {
    if (engine_.HasSelection())
        QApplication::clipboard()->setText(QString::fromLatin1(engine_.SelectedText()));
}

void TarnEditChild::Cut() {
    Copy();
    Clear();
}

void TarnEditChild::Clear() {
    engine_.DeleteSelection();
    CaretChanged();
}

void TarnEditChild::Paste() {
    QString text = QApplication::clipboard()->text();
    text.replace("\r\n", "\n");
    engine_.BeginUndoGroup();
    engine_.DeleteSelection();
    bool ok = engine_.InsertLines(text.toLatin1().toStdString());
    engine_.EndUndoGroup();
    if (!ok) Fail("Can not paste text");
    CaretChanged();
}

void TarnEditChild::Undo() {
    engine_.Undo();
    CaretChanged();
}

void TarnEditChild::Redo() {
    engine_.Redo();
    CaretChanged();
}

// ---- files -------------------------------------------------------------------------------

QString TarnEditChild::NewFileName(const QStringList& openNames) {
    auto taken = [&](const QString& n) {
        for (const QString& o : openNames)
            if (QFileInfo(o).fileName() == n) return true;
        return false;
    };
    QString name = QString("%1.pas").arg("new");
    for (int i = 2; taken(name); ++i) name = QString("%1%2.pas").arg("new").arg(i);
    return name;
}

void TarnEditChild::SetFileName(const QString& path) {
    fileName_ = path;
    setWindowTitle(path);
}

void TarnEditChild::RememberDiskState() {
    QFileInfo fi(fileName_);
    fi.refresh();
    diskTime_ = fi.exists() ? fi.lastModified() : QDateTime();
    diskSize_ = fi.exists() ? fi.size() : -1;
}

void TarnEditChild::ShowLoadNotes(const LoadResult& r) {
    QString title = fileName_;
    if (r.truncated)
        ShowMessage(this, MessageIcon::Error, title, "File truncated\nToo big to fit in buffer");
    if (r.linesSplit)
        ShowMessage(this, MessageIcon::Warning, FRAME_TITLE,
                    "One or more lines may have been split into shorter lines.");
    if (r.tabsConverted)
        ShowMessage(this, MessageIcon::Warning, title, "TAB characters were converted to spaces");
    if (r.controlsReplaced)
        ShowMessage(this, MessageIcon::Warning, title, "Control characters were deleted");
}

bool TarnEditChild::LoadFile(const QString& path) {
    LoadResult r = LoadTextFile(engine_, QFile::encodeName(path).toStdString(), options_.useTabs,
                                options_.tabSize);
    if (!r.ok) {
        ShowMessage(this, MessageIcon::Error, path,
                    "An error occured while the file was being opened\nThe file may be corrupted "
                    "or incomplete\n\n" +
                        QString::fromLocal8Bit(r.error));
        return false;
    }
    engine_.AllocateMarks(EDIT_MARKS);
    crlf_ = r.crlf;
    SetFileName(path);
    RememberDiskState();
    SetFirstVisibleLine(1);
    horizontalScrollBar()->setValue(0);
    CaretChanged();
    ShowLoadNotes(r);
    return true;
}

bool TarnEditChild::Save(bool asked) {
    if (!engine_.Modified()) {
        if (asked)
            ShowMessage(this, MessageIcon::Information, fileName_,
                        "This file has not been modified");
        return true;
    }
    std::string error;
    if (!SaveTextFile(engine_, QFile::encodeName(fileName_).toStdString(), options_.backup, crlf_,
                      error)) {
        ShowMessage(this, MessageIcon::Error, fileName_,
                    "An error occured while the file was being saved\nThe file may be corrupted or "
                    "incomplete\n\n" +
                        QString::fromLocal8Bit(error));
        return false;
    }
    engine_.SetModified(false);
    RememberDiskState();
    return true;
}

bool TarnEditChild::SaveAs(const QString& path) {
    QString old = fileName_;
    SetFileName(path);
    engine_.SetModified(true);
    if (Save(false)) return true;
    SetFileName(old);
    return false;
}

void TarnEditChild::CheckDiskChange() {
    if (checkingDisk_ || diskSize_ < 0) return;
    QFileInfo fi(fileName_);
    fi.refresh();
    if (fi.exists() && fi.lastModified() == diskTime_ && fi.size() == diskSize_) return;
    checkingDisk_ = true;
    RememberDiskState();  // asked once per change
    QString text =
        QString("'%1' has been changed on disk.\nDo you want to load it again?").arg(fileName_);
    if (fi.exists() && AskYesNoCancel(this, FRAME_TITLE, text) == Answer::Yes) LoadFile(fileName_);
    checkingDisk_ = false;
}

void TarnEditChild::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    CheckDiskChange();
}

bool TarnEditChild::MayClose() {
    if (!engine_.Modified()) return true;
    QString text =
        QString("'%1' has unsaved changes.\nDo you want to save before closing?").arg(fileName_);
    switch (AskYesNoCancel(this, FRAME_TITLE, text)) {
    case Answer::Yes: return Save(false);
    case Answer::No: return true;
    case Answer::Cancel: return false;
    }
    return false;
}

void TarnEditChild::closeEvent(QCloseEvent* e) {
    if (!MayClose()) {
        e->ignore();
        return;
    }
    e->accept();
    emit Closed(fileName_, CaretLine(), CaretColumn(), FirstVisibleLine());
}

}  // namespace tarn::ide
