// The editor window as a user drives it: typing, keys, selection, the mouse, find and
// replace, go to line, bookmarks, loading and saving with their messages, printing.
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include "ide/editor/edit_window.h"
#include "ide/editor/find_dialog.h"
#include "ide_test_support.h"

using namespace tarn::ide;
using tarn::ide::test::MessageRecorder;
using tarn::ide::test::ReadFile;
using tarn::ide::test::WriteFile;

class EditWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString Path(const QString& n) const { return dir_.filePath(n); }

    // A shown window holding `text`, loaded from a file of the given name.
    TarnEditChild* Open(const QByteArray& text, const QString& name = "t.pas",
                        EditorOptions o = {}) {
        WriteFile(Path(name), text);
        auto* e = new TarnEditChild;
        e->setAttribute(Qt::WA_DeleteOnClose, false);
        e->SetOptions(o);
        e->resize(600, 400);
        e->show();
        if (!e->LoadFile(Path(name))) return e;
        e->setFocus();
        return e;
    }
    static QString Text(TarnEditChild* e) { return QString::fromLatin1(e->Engine().Text()); }

private slots:
    void typingInsertsOverwritesAndAutoIndents() {
        MessageRecorder rec;
        std::unique_ptr<TarnEditChild> e(Open(""));
        QTest::keyClicks(e.get(), "begin");
        QTest::keyClick(e.get(), Qt::Key_Return);
        QTest::keyClicks(e.get(), "  x := 1;");
        QTest::keyClick(e.get(), Qt::Key_Return);
        QTest::keyClicks(e.get(), "y");  // auto indent carried the two blanks
        QCOMPARE(Text(e.get()), QString("begin\n  x := 1;\n  y"));
        QCOMPARE(e->CaretLine(), 3);
        QVERIFY(e->IsModified());

        QTest::keyClick(e.get(), Qt::Key_Insert);  // overwrite mode
        QVERIFY(e->OverwriteMode());
        QTest::keyClick(e.get(), Qt::Key_Up);
        QTest::keyClick(e.get(), Qt::Key_Home);
        QTest::keyClicks(e.get(), "ab");
        QCOMPARE(e->LineText(2), QString("abx := 1;"));
        QTest::keyClick(e.get(), Qt::Key_Insert);
        QTest::keyClicks(e.get(), "c");
        QCOMPARE(e->LineText(2), QString("abcx := 1;"));

        // Undo takes back the typing, a key run at a time.
        QTest::keyClick(e.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(e->LineText(2), QString("abx := 1;"));

        EditorOptions noIndent;
        noIndent.autoIndent = false;
        e->SetOptions(noIndent);
        QTest::keyClick(e.get(), Qt::Key_End);
        QTest::keyClick(e.get(), Qt::Key_Return);
        QCOMPARE(e->LineText(3), QString(""));
        QVERIFY(rec.shown.isEmpty());
    }

    void deletingKeysAndDeleteLine() {
        std::unique_ptr<TarnEditChild> e(Open("one two three\nsecond\nlast"));
        QTest::keyClick(e.get(), Qt::Key_End);
        QTest::keyClick(e.get(), Qt::Key_Backspace, Qt::ControlModifier);
        QCOMPARE(e->LineText(1), QString("one two "));
        QTest::keyClick(e.get(), Qt::Key_Home);
        QTest::keyClick(e.get(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(e->LineText(1), QString("two "));
        QTest::keyClick(e.get(), Qt::Key_Delete);
        QCOMPARE(e->LineText(1), QString("wo "));
        QTest::keyClick(e.get(), Qt::Key_End);
        QTest::keyClick(e.get(), Qt::Key_Delete);  // joins the next line
        QCOMPARE(e->LineText(1), QString("wo second"));
        QTest::keyClick(e.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(Text(e.get()), QString("last"));
        QTest::keyClick(e.get(), Qt::Key_Y, Qt::ControlModifier);  // the last line empties
        QCOMPARE(Text(e.get()), QString(""));
    }

    void movementKeysAndShiftSelection() {
        QByteArray text;
        for (int i = 1; i <= 100; ++i) text += "line " + QByteArray::number(i) + "\n";
        std::unique_ptr<TarnEditChild> e(Open(text));
        QTest::keyClick(e.get(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(e->CaretLine(), 101);
        QVERIFY(e->FirstVisibleLine() > 1);  // scrolled to show the caret
        QTest::keyClick(e.get(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(e->CaretLine(), 1);
        QCOMPARE(e->FirstVisibleLine(), 1);
        QTest::keyClick(e.get(), Qt::Key_PageDown);
        int page = e->CaretLine() - 1;
        QVERIFY(page > 5);
        QTest::keyClick(e.get(), Qt::Key_PageDown,
                        Qt::ControlModifier);  // bottom line of the window
        QCOMPARE(e->CaretLine(), e->FirstVisibleLine() + page - 1);
        QTest::keyClick(e.get(), Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(e->CaretLine(), e->FirstVisibleLine());
        int first = e->FirstVisibleLine();
        QTest::keyClick(e.get(), Qt::Key_Down, Qt::ControlModifier);  // scrolls, caret kept inside
        QCOMPARE(e->FirstVisibleLine(), first + 1);
        QCOMPARE(e->CaretLine(), first + 1);

        QTest::keyClick(e.get(), Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(e.get(), Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(e->CaretColumn(), 6);
        QTest::keyClick(e.get(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(e.get(), Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(QString::fromLatin1(e->Engine().SelectedText()), QString("1\nline 2"));
        QTest::keyClicks(e.get(), "X");  // typing replaces the selection
        QCOMPARE(e->LineText(1), QString("line X"));
        QCOMPARE(e->LineText(2), QString("line 3"));
        QTest::keyClick(e.get(), Qt::Key_Left);
        QVERIFY(!e->Engine().HasSelection());
    }

    void tabsIndentAndUnindentBlocks() {
        EditorOptions spaces;
        spaces.useTabs = false;
        std::unique_ptr<TarnEditChild> e(Open("a\nb\nc\n", "t.pas", spaces));
        QTest::keyClick(e.get(), Qt::Key_Right);
        QTest::keyClick(e.get(), Qt::Key_Tab);  // to the next stop: 3 blanks after column 2
        QCOMPARE(e->LineText(1), QString("a   "));
        QTest::keyClick(e.get(), Qt::Key_Backtab);
        QCOMPARE(e->CaretColumn(), 1);
        e->SetSelection({{1, 1}, {3, 1}});
        QTest::keyClick(e.get(), Qt::Key_Tab);
        QCOMPARE(Text(e.get()), QString("    a   \n    b\nc\n"));
        QVERIFY(e->Engine().HasSelection());  // still selected: indent again
        QTest::keyClick(e.get(), Qt::Key_Tab);
        QCOMPARE(e->LineText(2), QString("        b"));
        QTest::keyClick(e.get(), Qt::Key_Backtab);
        QTest::keyClick(e.get(), Qt::Key_Backtab);
        QTest::keyClick(e.get(), Qt::Key_Backtab);  // nothing left to remove
        QCOMPARE(Text(e.get()), QString("a   \nb\nc\n"));
        QCOMPARE(e->Mark(CARET_MARK).line, 0);  // the caret's mark is released

        EditorOptions tabs;
        e->SetOptions(tabs);
        e->SetSelection({{2, 1}, {3, 2}});
        QTest::keyClick(e.get(), Qt::Key_Tab);
        QCOMPARE(Text(e.get()), QString("a   \n\tb\n\tc\n"));
        QTest::keyClick(e.get(), Qt::Key_Z, Qt::ControlModifier);  // one step
        QCOMPARE(Text(e.get()), QString("a   \nb\nc\n"));
    }

    void mouseClicksDragsAndDoubleClickCycles() {
        std::unique_ptr<TarnEditChild> e(Open("program p;\nbegin\n  writeln(x)\nend.\n"));
        QFontMetrics fm(e->font());
        QWidget* vp = e->viewport();
        int lh = QFontMetrics(QFontDatabase::systemFont(QFontDatabase::FixedFont)).lineSpacing();
        int cw = QFontMetrics(QFontDatabase::systemFont(QFontDatabase::FixedFont))
                     .horizontalAdvance('M');
        auto at = [&](int line, int col) {
            return QPoint((col - 1) * cw + 1, (line - 1) * lh + lh / 2);
        };
        QTest::mouseClick(vp, Qt::LeftButton, {}, at(3, 5));
        QCOMPARE(e->CaretLine(), 3);
        QCOMPARE(e->CaretColumn(), 5);
        QTest::mousePress(vp, Qt::LeftButton, {}, at(1, 1));
        QMouseEvent move(QEvent::MouseMove, at(1, 8), vp->mapToGlobal(at(1, 8)), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(vp, &move);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, at(1, 8));
        QCOMPARE(QString::fromLatin1(e->Engine().SelectedText()), QString("program"));

        // Double-clicks at one place: the word, the line, the block.
        QTest::mouseDClick(vp, Qt::LeftButton, {}, at(2, 3));
        QCOMPARE(QString::fromLatin1(e->Engine().SelectedText()), QString("begin"));
        QTest::mouseDClick(vp, Qt::LeftButton, {}, at(2, 3));
        QCOMPARE(QString::fromLatin1(e->Engine().SelectedText()), QString("begin\n"));
        QTest::mouseDClick(vp, Qt::LeftButton, {}, at(2, 3));
        QCOMPARE(QString::fromLatin1(e->Engine().SelectedText()),
                 QString("begin\n  writeln(x)\nend.\n"));
        QCOMPARE(e->WordAtCaret(), QString(""));  // the caret is at column 1 of line 5
    }

    void selectBlockFollowsIndentation() {
        std::unique_ptr<TarnEditChild> e(
            Open("  if a then\n  begin\n    x;\n\n    y\n  end;\n  z;\nrepeat\n  w\n"));
        e->GoTo(2, 3);
        QVERIFY(e->SelectBlock());  // through the "end" at the same indentation
        QCOMPARE(e->Selection().From(), (EditPos{2, 1}));
        QCOMPARE(e->Selection().To(), (EditPos{7, 1}));
        e->GoTo(1, 1);
        QVERIFY(e->SelectBlock());  // lines at the start's indentation continue the walk
        QCOMPARE(e->Selection().To(), (EditPos{7, 1}));
        e->GoTo(8, 1);
        QVERIFY(!e->SelectBlock());  // "repeat" without its "until": nothing selected
        QCOMPARE(e->CaretLine(), 8);
        QVERIFY(!e->Engine().HasSelection());
        e->GoTo(7, 1);
        e->SelectLine();
        QCOMPARE(e->Selection().To(), (EditPos{8, 1}));
    }

    void findReplaceAndTheDialog() {
        MessageRecorder rec;
        std::unique_ptr<TarnEditChild> e(Open("x := Count;\ncount := count + 1;\n"));
        QSignalSpy status(e.get(), &TarnEditChild::StatusMessage);
        QVERIFY(e->Find("count", SEARCH_DOWN));
        QCOMPARE(e->Selection().From(), (EditPos{1, 6}));
        QVERIFY(e->FindAgain());
        QCOMPARE(e->Selection().From(), (EditPos{2, 1}));
        QVERIFY(!e->Find("total", SEARCH_DOWN));
        QVERIFY(rec.Saw("Search string 'total' not found"));

        e->GoTo(1, 1);
        QVERIFY(e->Find("count", SEARCH_DOWN | SEARCH_MATCH_CASE));
        QVERIFY(
            e->Replace("count", "n", SEARCH_DOWN | SEARCH_MATCH_CASE));  // replaces, finds the next
        QCOMPARE(e->LineText(2), QString("n := count + 1;"));
        QCOMPARE(e->Selection().From(), (EditPos{2, 6}));

        QCOMPARE(e->ReplaceAll("COUNT", "total", SEARCH_DOWN | SEARCH_WHOLE_WORD), 2);
        QCOMPARE(Text(e.get()), QString("x := total;\nn := total + 1;\n"));
        QCOMPARE(status.last().at(0).toString(), QString("2 occurrence(s) replaced"));
        QCOMPARE(e->ReplaceAll("nothing", "x", SEARCH_DOWN), 0);
        QCOMPARE(status.last().at(0).toString(), QString("No occurrences replaced"));
        e->Undo();  // a Replace All undoes as one step
        QCOMPARE(Text(e.get()), QString("x := Count;\nn := count + 1;\n"));
        e->Undo();
        QCOMPARE(Text(e.get()), QString("x := Count;\ncount := count + 1;\n"));

        // The dialog's buttons act on its target window.
        FindDialog d(true, [&] { return e.get(); });
        d.findText->setText("count");
        d.replaceText->setText("k");
        d.replaceAll->click();
        QCOMPARE(Text(e.get()), QString("x := k;\nk := k + 1;\n"));
        d.SetReplaceMode(false);
        d.findText->setText(":=");
        e->GoTo(2, 1);
        d.up->setChecked(true);
        d.findNext->click();
        QCOMPARE(e->Selection().From(), (EditPos{1, 3}));
        QCOMPARE(d.Flags(), 0);
    }

    void goToLineAndBookmarks() {
        MessageRecorder rec;
        std::unique_ptr<TarnEditChild> e(Open("a\nb\nc\nd\ne\n"));
        QVERIFY(e->GoToLine(4));
        QCOMPARE(e->CaretLine(), 4);
        QVERIFY(!e->GoToLine(7));
        QVERIFY(rec.Saw("Line number not found"));
        QCOMPARE(e->CaretLine(), 4);

        e->SetBookmark(3);
        e->GoTo(1, 1);
        QTest::keyClick(e.get(), Qt::Key_Return);
        QTest::keyClick(e.get(), Qt::Key_Return);
        QVERIFY(e->GoToBookmark(3));
        QCOMPARE(e->CaretLine(), 6);
        QCOMPARE(e->LineText(6), QString("d"));
        QVERIFY(!e->GoToBookmark(4));  // not set
    }

    void clipboardCutCopyPaste() {
        std::unique_ptr<TarnEditChild> e(Open("alpha\nbeta\n"));
        e->SetSelection({{1, 3}, {2, 3}});
        QTest::keyClick(e.get(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("pha\nbe"));
        QTest::keyClick(e.get(), Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(Text(e.get()), QString("alta\n"));
        QApplication::clipboard()->setText("1\r\n2\n3");
        QTest::keyClick(e.get(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(Text(e.get()), QString("al1\n2\n3ta\n"));
        QCOMPARE(e->CaretLine(), 3);
        QCOMPARE(e->CaretColumn(), 2);
    }

    void loadingShowsItsNotesAndSavingKeepsText() {
        MessageRecorder rec;
        EditorOptions spaces;
        spaces.useTabs = false;
        QByteArray text = "\tx\x01\n" + QByteArray(1500, 'q') + "\n" + QByteArray(1300, 'r');
        std::unique_ptr<TarnEditChild> e(Open(text, "notes.pas", spaces));
        QCOMPARE(rec.Count("One or more lines may have been split into shorter lines."), 1);
        QVERIFY(rec.Saw(Path("notes.pas") + "|TAB characters were converted to spaces"));
        QVERIFY(rec.Saw(Path("notes.pas") + "|Control characters were deleted"));
        QVERIFY(e->IsModified());  // converted text counts as changed
        QCOMPARE(e->LineCount(), 5);

        rec.shown.clear();
        std::unique_ptr<TarnEditChild> f(Open("program p;\r\nbegin\r\nend.\r\n", "crlf.pas"));
        QVERIFY(rec.shown.isEmpty());
        QVERIFY(f->Save(true));
        QVERIFY(rec.Saw("This file has not been modified"));
        f->GoTo(2, 6);
        QTest::keyClicks(f.get(), " {x}");
        QVERIFY(f->Save(false));
        QCOMPARE(ReadFile(Path("crlf.pas")), QByteArray("program p;\r\nbegin {x}\r\nend.\r\n"));
        QCOMPARE(ReadFile(Path("crlf.bak")), QByteArray("program p;\r\nbegin\r\nend.\r\n"));
        QVERIFY(!f->IsModified());

        // A failed save keeps the old file, says why and leaves the text modified.
        QDir(dir_.path()).mkpath("isdir.pas");
        rec.shown.clear();
        QTest::keyClicks(f.get(), "!");
        QVERIFY(!f->SaveAs(Path("isdir.pas")));
        QVERIFY(
            rec.Saw("An error occured while the file was being saved\nThe file may be corrupted or "
                    "incomplete"));
        QVERIFY(rec.Saw("Is a directory"));
        QCOMPARE(f->FileName(), Path("crlf.pas"));
        QVERIFY(f->IsModified());

        rec.shown.clear();
        TarnEditChild g;
        QVERIFY(!g.LoadFile(Path("missing.pas")));
        QVERIFY(
            rec.Saw("An error occured while the file was being opened\nThe file may be corrupted "
                    "or incomplete"));
    }

    void closingAsksAndDiskChangesAreNoticed() {
        MessageRecorder rec;
        std::unique_ptr<TarnEditChild> e(Open("old\n", "c.pas"));
        QTest::keyClicks(e.get(), "x");
        rec.answer = Answer::Cancel;
        QVERIFY(!e->close());
        QCOMPARE(rec.asked.last(),
                 QString("'%1' has unsaved changes.\nDo you want to save before closing?")
                     .arg(Path("c.pas")));
        rec.answer = Answer::Yes;
        QVERIFY(e->close());
        QCOMPARE(ReadFile(Path("c.pas")), QByteArray("xold\n"));

        std::unique_ptr<TarnEditChild> f(Open("first\n", "d.pas"));
        rec.asked.clear();
        f->CheckDiskChange();
        QVERIFY(rec.asked.isEmpty());  // unchanged
        QThread::msleep(20);
        WriteFile(Path("d.pas"), "second version\n");
        rec.answer = Answer::Yes;
        f->CheckDiskChange();
        QCOMPARE(rec.asked.size(), 1);
        QCOMPARE(f->LineText(1), QString("second version"));
        f->CheckDiskChange();  // asked once per change
        QCOMPARE(rec.asked.size(), 1);
    }

    void newWindowNames() {
        QCOMPARE(TarnEditChild::NewFileName({}), QString("new.pas"));
        QCOMPARE(TarnEditChild::NewFileName({"/x/new.pas", "/y/new2.pas"}), QString("new3.pas"));
        QCOMPARE(TarnEditChild::NewFileName({"/x/other.pas"}), QString("new.pas"));
    }

    void printsPagesWithHeadings() {
        QByteArray text;
        for (int i = 1; i <= 300; ++i) text += "\tline " + QByteArray::number(i) + "\n";
        std::unique_ptr<TarnEditChild> e(Open(text, "print.pas"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(Path("out.pdf"));
        int pages = e->PrintDocument(printer, 1, 301);
        QVERIFY(pages >= 2);
        QVERIFY(QFileInfo(Path("out.pdf")).size() > 1000);
        // Fewer lines, fewer pages; a wide line continues on the next output line.
        QPrinter small(QPrinter::HighResolution);
        small.setOutputFormat(QPrinter::PdfFormat);
        small.setOutputFileName(Path("one.pdf"));
        QCOMPARE(e->PrintDocument(small, 10, 20), 1);
        QPrinter stopped(QPrinter::HighResolution);
        stopped.setOutputFormat(QPrinter::PdfFormat);
        stopped.setOutputFileName(Path("stop.pdf"));
        int calls = 0;
        QCOMPARE(e->PrintDocument(stopped, 1, 301, [&] { return ++calls == 2; }), -1);
    }
};

QTEST_MAIN(EditWindowTest)
#include "edit_window_test.moc"
