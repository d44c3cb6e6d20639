// TarnEditChild: the editor window of one source file, an MDI child. It draws the text of
// its EditEngine, handles keys and the mouse, loads and saves the file, searches and
// replaces, selects words, lines and blocks, keeps bookmarks and message places in the
// engine's marks, and prints.
#pragma once

#include <QAbstractScrollArea>
#include <QDateTime>
#include <QFont>
#include <QMouseEvent>
#include <functional>

#include "ide/editengine/editengine.h"

class QPrinter;

namespace tarn::ide {

constexpr int EDIT_MARKS = 181;  // the marks a window allocates
constexpr int FIRST_MESSAGE_MARK = 1;  // 1..170: compiler messages of the last compilation
constexpr int FIRST_BOOKMARK_MARK = 171;  // 171..180: bookmarks 0..9
constexpr int CARET_MARK = 181;  // the caret while a block is indented
constexpr int MAX_WORD_AT_CARET = 76;

struct EditorOptions {
    int tabSize = 4;
    bool useTabs = true;  // ut
    bool autoIndent = true;  // ai
    bool backup = true;  // bak
};

class TarnEditChild : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TarnEditChild(QWidget* parent = nullptr);

    EditEngine& Engine() { return engine_; }
    const EditEngine& Engine() const { return engine_; }

    // Files. Messages about the file are shown (through the notify hooks).
    bool LoadFile(const QString& path);
    // Saves when modified; `asked` means the user asked explicitly (then an unmodified
    // text says so).
    bool Save(bool asked);
    bool SaveAs(const QString& path);
    QString FileName() const { return fileName_; }
    void SetFileName(const QString& path);
    // "new.pas", or "newN.pas" with the first free N from 2 when that is taken.
    static QString NewFileName(const QStringList& openNames);
    // Asks to reload when the file changed on disk since it was loaded or saved.
    void CheckDiskChange();
    // Asks about unsaved changes; false when the user cancelled.
    bool MayClose();

    // Caret and view.
    int CaretLine() const { return engine_.Caret().line; }
    int CaretColumn() const { return engine_.Caret().col; }
    int FirstVisibleLine() const;
    void SetFirstVisibleLine(int line);
    void GoTo(int line, int col);
    bool GoToLine(int line);  // "Line number not found" past the end
    void GoToLineDialog();
    // The caret's place in the viewport (its top left corner).
    QPoint CaretPoint() const;

    // Marks and bookmarks.
    void AllocateMarks(int n) { engine_.AllocateMarks(n); }
    bool SetMark(int n, EditPos p) { return engine_.SetMark(n, p); }
    EditPos Mark(int n) const { return engine_.Mark(n); }
    void SetBookmark(int n);
    bool GoToBookmark(int n);

    // Selection.
    EditRange Selection() const { return engine_.Selection(); }
    void SetSelection(EditRange r);
    void SelectLine();
    bool SelectBlock();
    void SelectWord();
    QString WordAtCaret() const;
    void DeleteCurrentLine();

    // Search. flags: SEARCH_DOWN, SEARCH_MATCH_CASE, SEARCH_WHOLE_WORD.
    bool Find(const QString& text, int flags);
    bool FindAgain();
    QString LastSearch() const { return lastFind_; }
    bool Replace(const QString& text, const QString& with, int flags);
    int ReplaceAll(const QString& text, const QString& with, int flags);

    // Settings.
    void SetOptions(const EditorOptions& o);
    EditorOptions Options() const { return options_; }
    void SetTabSize(int n);
    void SetWheelLines(int n) { wheelLines_ = n; }
    void SetTextStyle(const QFont& font, const QColor& fg, const QColor& bg);
    bool OverwriteMode() const { return overwrite_; }

    bool IsModified() const { return engine_.Modified(); }
    void SetModified(bool on) { engine_.SetModified(on); }
    int LineCount() const { return engine_.LineCount(); }
    QString LineText(int line) const { return QString::fromLatin1(engine_.LineText(line)); }

    // Clipboard and undo.
    void Cut();
    void Copy();
    void Paste();
    void Clear();
    void Undo();
    void Redo();

    // Prints lines fromLine..toLine; returns the pages printed, or -1 when cancelled.
    int PrintDocument(QPrinter& printer, int fromLine, int toLine,
                      const std::function<bool()>& cancelled = {});
    // The print dialog, then printing with a "Cancel Printing ?" box up.
    void Print();

signals:
    void CaretMoved(int line, int col);
    void StatusMessage(const QString& text);
    // The window closed; the frame keeps the file in its recent list.
    void Closed(const QString& path, int line, int col, int top);

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void focusInEvent(QFocusEvent*) override;
    void closeEvent(QCloseEvent*) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab is a key of the text

private:
    bool HandleMovement(QKeyEvent* e);
    bool HandleEditKey(QKeyEvent* e);
    void TypeChar(unsigned char c);
    void Enter();
    void TabKey(bool back);
    void IndentBlock(bool back);
    void Fail(const char* text);
    void CaretChanged();
    void EnsureCaretVisible();
    void UpdateScrollBars();
    int VisibleLines() const;
    int LineHeight() const;
    int CharWidth() const;
    int DisplayColumn(int line, int col) const;  // 0-based screen column
    EditPos PositionAt(QPoint p) const;
    int ColumnAtDisplay(int line, int target) const;  // the column drawn at a screen column
    void RememberDiskState();
    void ShowLoadNotes(const struct LoadResult& r);

    EditEngine engine_;
    QString fileName_;
    EditorOptions options_;
    bool overwrite_ = false;
    bool crlf_ = false;
    int wheelLines_ = 3;
    QFont font_;
    QColor fg_ = Qt::black, bg_ = Qt::white;
    QDateTime diskTime_;
    qint64 diskSize_ = -1;
    bool checkingDisk_ = false;
    // Double-click cycling: word, line, block at the same place.
    int clickCycle_ = 0;
    EditPos clickAt_;
    // The last search, for Find Again.
    QString lastFind_;
    int lastFlags_ = SEARCH_DOWN;
};

}  // namespace tarn::ide
