// The frame's commands: the menus built from the command table with their texts, help
// strings and keys; the menus following the kind of the active window; every command
// reaching what it does; the recent-file and recent-project lists; the status bar; the
// context menu; start-up state and shut-down.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>

#include "ide/compile/message_window.h"
#include "ide/editor/find_dialog.h"
#include "ide/frame/commands.h"
#include "ide/frame/main_frame.h"
#include "ide/help/help_window.h"
#include "ide_test_support.h"

using namespace tarn::ide;
using tarn::ide::test::MessageRecorder;
using tarn::ide::test::ReadFile;
using tarn::ide::test::WriteFile;

namespace {

// Closes the next modal dialog once it is up and records its class and title.
struct ModalCloser {
    QString seen;
    QStringList labels;
    explicit ModalCloser(bool accept = false) { Arm(accept); }
    void Arm(bool accept) {
        QTimer::singleShot(20, [this, accept] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w) {
                Arm(accept);
                return;
            }
            seen = QString(w->metaObject()->className()) + "|" + w->windowTitle();
            for (QLabel* l : w->findChildren<QLabel*>()) labels << l->text();
            auto* d = qobject_cast<QDialog*>(w);
            if (d && accept)
                d->accept();
            else if (d)
                d->reject();
            else
                w->close();
        });
    }
};

QStringList MenuTexts(QMenu* m) {
    QStringList l;
    for (QAction* a : m->actions()) l << (a->isSeparator() ? "-" : a->text());
    return l;
}

}  // namespace

class CommandsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString Path(const QString& n) const { return dir_.filePath(n); }

    void WriteProject(const QString& name, const QString& program) {
        Project p = DefaultProject();
        p.path = Path(name).toStdString();
        p.programs.push_back(program.toStdString());
        std::string error;
        QVERIFY(WriteProjectFile(p, error));
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // The menu bar and the menus' texts, in order, as the user sees them.
    void menusHoldTheirTexts() {
        MainFrame f;
        QCOMPARE(f.windowTitle(), QString("Tarn Pascal (Linux Edition)"));
        QStringList bar;
        for (QAction* a : f.menuBar()->actions()) bar << a->text();
        QCOMPARE(bar, QStringList({"&File", "&Edit", "&Search", "&Project", "&Window", "&Help"}));
        QCOMPARE(MenuTexts(f.Menu(MenuId::File)),
                 QStringList({"&New \t Ctrl+N", "&Open... \t Ctrl+O", "&Close \t Ctrl+W", "-",
                              "&Save \t Ctrl+S", "Save &As...", "-", "Page Set&up...",
                              "&Print... \t Ctrl+P", "-", "E&xit"}));
        QCOMPARE(MenuTexts(f.Menu(MenuId::Search)),
                 QStringList({"&Find... \t Ctrl+F", "&Replace... \t Ctrl+H", "Find &Again \t F3",
                              "&Goto Line... \t Ctrl+G"}));
        QCOMPARE(MenuTexts(f.Menu(MenuId::Help)),
                 QStringList({"&User's Manual", "Programmer's &Reference Manual",
                              "Search For &Word \t F1", "-", "&About..."}));
        QVERIFY(MenuTexts(f.Menu(MenuId::Edit)).contains("&Delete Line \t CTRL+Y"));
        QVERIFY(MenuTexts(f.Menu(MenuId::Project)).contains("Choose &Program..."));
        // Status-bar help and keys.
        QCOMPARE(f.Action(CM_EDIT_PASTE)->statusTip(),
                 QString("Paste text from clipboard at current cursor position"));
        QCOMPARE(f.Action(CM_PROJECT_COMPILE)->statusTip(), QString("Compile current program"));
        QCOMPARE(
            f.Action(CM_PROJECT_COMPILE)->shortcuts(),
            QList<QKeySequence>({QKeySequence(Qt::Key_F9), QKeySequence(Qt::ALT | Qt::Key_F9)}));
        QCOMPARE(f.Action(CM_EDIT_CUT)->shortcuts(),
                 QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_X),
                                      QKeySequence(Qt::SHIFT | Qt::Key_Delete)}));
        QCOMPARE(f.Action(CM_SEARCH_FIND)->shortcuts().size(), 3);
        QCOMPARE(f.Action(CM_WINDOW_PREVIOUS)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F5));
        // Every command of the table has its action, and no key is bound twice.
        QSet<QString> keys;
        for (const CommandInfo& c : CommandTable()) {
            if (c.id == 0) continue;
            QVERIFY(f.Action(c.id));
            for (const QKeySequence& k : f.Action(c.id)->shortcuts()) {
                QVERIFY2(!keys.contains(k.toString()), qPrintable(k.toString()));
                keys << k.toString();
            }
        }
        // The toolbar: 14 buttons and 4 separators, with their tool tips.
        QToolBar* tb = f.findChild<QToolBar*>("toolbar");
        QStringList tips;
        for (QAction* a : tb->actions()) tips << (a->isSeparator() ? "-" : a->toolTip());
        QCOMPARE(tips, QStringList({"New file", "Open file", "Save file", "Print file", "-", "Find",
                                    "Replace", "-", "Cut", "Copy", "Paste", "-",
                                    "View/Change project options", "-", "New project",
                                    "Open project", "Compile", "Run"}));
    }

    // Menu 100 without a child, 101 with an editor, 102 with the message window.
    void menusFollowTheActiveWindow() {
        MessageRecorder rec;
        WriteFile(Path("m.pas"), "program m;\nbegin\nend.\n");
        WriteProject("m.tpj", "m.pas");
        MainFrame f;
        f.show();
        auto enabled = [&f](int id) { return f.Action(id)->isEnabled(); };
        QCOMPARE(f.ActiveKind(), ChildKind::None);
        for (int id : {int(CM_FILE_SAVE), int(CM_FILE_CLOSE), int(CM_FILE_PRINT), int(CM_EDIT_CUT),
                       int(CM_EDIT_SELECT_ALL), int(CM_SEARCH_FIND)})
            QVERIFY2(!enabled(id), qPrintable(QString::number(id)));
        QVERIFY(!f.Menu(MenuId::Search)->menuAction()->isEnabled());
        QVERIFY(enabled(CM_FILE_NEW) && enabled(CM_PROJECT_COMPILE) && enabled(CM_HELP_ABOUT));

        QVERIFY(f.OpenProject(Path("m.tpj")));
        QCOMPARE(f.ActiveKind(), ChildKind::Editor);
        for (int id : {int(CM_FILE_SAVE), int(CM_FILE_CLOSE), int(CM_FILE_PRINT), int(CM_EDIT_CUT),
                       int(CM_EDIT_SELECT_ALL), int(CM_SEARCH_FIND)})
            QVERIFY(enabled(id));
        QVERIFY(f.Menu(MenuId::Search)->menuAction()->isEnabled());

        QVERIFY(f.Compile());
        QCOMPARE(f.ActiveKind(), ChildKind::Messages);
        QVERIFY(!f.Menu(MenuId::Search)->menuAction()->isEnabled());
        QVERIFY(!enabled(CM_FILE_SAVE) && !enabled(CM_EDIT_PASTE) && !enabled(CM_EDIT_SELECT_LINE));
        QVERIFY(enabled(CM_FILE_CLOSE));

        // Closing the last window goes back to menu 100.
        QVERIFY(f.RunCommand(CM_FILE_CLOSE_ALL));
        QCOMPARE(f.ActiveKind(), ChildKind::None);
        QVERIFY(!enabled(CM_FILE_CLOSE));
        QVERIFY(!f.MessageWindow());
    }

    // The Edit menu's preparation: Cut, Copy and Clear only with a selection, Paste only
    // with text on the clipboard; Find Again only after a search.
    void editMenuPreparation() {
        MessageRecorder rec;
        MainFrame f;
        f.show();
        TarnEditChild* e = f.NewFile();
        e->Engine().InsertText("alpha beta");
        QApplication::clipboard()->clear();
        f.PrepareMenu(MenuId::Edit);
        QVERIFY(!f.Action(CM_EDIT_CUT)->isEnabled());
        QVERIFY(!f.Action(CM_EDIT_PASTE)->isEnabled());
        f.EndMenu(MenuId::Edit);
        e->SetSelection({{1, 1}, {1, 6}});
        QApplication::clipboard()->setText("x");
        f.PrepareMenu(MenuId::Edit);
        QVERIFY(f.Action(CM_EDIT_CUT)->isEnabled() && f.Action(CM_EDIT_COPY)->isEnabled() &&
                f.Action(CM_EDIT_CLEAR)->isEnabled() && f.Action(CM_EDIT_PASTE)->isEnabled());
        f.PrepareMenu(MenuId::Search);
        QVERIFY(!f.Action(CM_SEARCH_FIND_AGAIN)->isEnabled());
        QVERIFY(e->Find("beta", SEARCH_DOWN));
        f.PrepareMenu(MenuId::Search);
        QVERIFY(f.Action(CM_SEARCH_FIND_AGAIN)->isEnabled());
    }

    // The File commands, each through its menu action.
    void fileCommandsReachTheirHandlers() {
        MessageRecorder rec;
        WriteFile(Path("f.pas"), "one\ntwo\n");
        MainFrame f;
        f.show();
        f.Action(CM_FILE_NEW)->trigger();
        QCOMPARE(f.ActiveEditor()->FileName(), QString("new.pas"));

        rec.chosen = Path("f.pas");
        rec.answer = Answer::No;
        f.Action(CM_FILE_OPEN)->trigger();
        QCOMPARE(f.ActiveEditor()->FileName(), Path("f.pas"));
        QVERIFY(
            rec.dialogs.last().startsWith("0|Open|Pascal source (*.pas *.p *.inc);;Text files"));

        TarnEditChild* e = f.ActiveEditor();
        e->GoTo(1, 1);
        QTest::keyClicks(e, "x");
        f.Action(CM_FILE_SAVE)->trigger();
        QCOMPARE(ReadFile(Path("f.pas")), QByteArray("xone\ntwo\n"));

        rec.chosen = Path("g.pas");
        QTest::keyClicks(e, "y");
        f.Action(CM_FILE_SAVE_AS)->trigger();
        QCOMPARE(e->FileName(), Path("g.pas"));
        QCOMPARE(ReadFile(Path("g.pas")), QByteArray("xyone\ntwo\n"));

        ModalCloser printDialog;
        f.Action(CM_FILE_PRINT)->trigger();
        QVERIFY2(printDialog.seen.contains("Print"), qPrintable(printDialog.seen));

        // The file dialog's filter follows the kind of file.
        QCOMPARE(FileFilterFor("a.PAS"), 0);
        QCOMPARE(FileFilterFor("dir/x.inc"), 0);
        QCOMPARE(FileFilterFor("notes.txt"), 1);
        QCOMPARE(FileFilterFor("page.shtml"), 2);
        QCOMPARE(FileFilterFor("x.hpp"), 3);
        QCOMPARE(FileFilterFor("Makefile"), 4);
        QCOMPARE(FileFilterFor("archive.tar.gz"), 4);

        int before = f.Editors().size();
        f.Action(CM_FILE_CLOSE)->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(f.Editors().size(), before - 1);

        // Page setup: the dialog, or the message when no printer gives defaults.
        ModalCloser pageSetup;
        f.Action(CM_FILE_PAGE_SETUP)->trigger();
        QVERIFY(!pageSetup.seen.isEmpty() || rec.Saw("Can not get default Page Setup"));
        QTest::qWait(100);

        f.Action(CM_FILE_EXIT)->trigger();
        QVERIFY(!f.isVisible());
    }

    void editAndSearchCommandsReachTheEditor() {
        MessageRecorder rec;
        MainFrame f;
        f.show();
        TarnEditChild* e = f.NewFile();
        e->Engine().InsertText("begin");
        e->Engine().SplitLine();
        e->Engine().InsertText("  x := 1");
        e->Engine().SplitLine();
        e->Engine().InsertText("end");
        e->Engine().SplitLine();
        e->Engine().InsertText(".");
        e->GoTo(2, 4);
        f.RunCommand(CM_EDIT_SELECT_WORD);
        QCOMPARE(QString::fromLatin1(e->Engine().SelectedText()), QString("x"));
        f.RunCommand(CM_EDIT_SELECT_GROW);  // word, then line
        QCOMPARE(QString::fromLatin1(e->Engine().SelectedText()), QString("  x := 1\n"));
        f.Action(CM_EDIT_COPY)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString("  x := 1\n"));
        e->GoTo(1, 1);
        f.Action(CM_EDIT_SELECT_BLOCK)->trigger();
        QCOMPARE(e->Selection().To(), (EditPos{4, 1}));
        f.Action(CM_EDIT_SELECT_ALL)->trigger();
        QCOMPARE(e->Selection().From(), (EditPos{1, 1}));
        QCOMPARE(e->Selection().To(), (EditPos{4, 2}));
        e->GoTo(3, 1);
        f.Action(CM_EDIT_SELECT_LINE)->trigger();
        f.Action(CM_EDIT_CUT)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString("end\n"));
        QCOMPARE(e->LineText(3), QString("."));
        f.Action(CM_EDIT_PASTE)->trigger();
        QCOMPARE(e->LineText(3), QString("end"));
        e->SetSelection({{3, 1}, {3, 2}});
        f.Action(CM_EDIT_CLEAR)->trigger();
        QCOMPARE(e->LineText(3), QString("nd"));
        e->GoTo(1, 1);
        f.Action(CM_EDIT_DELETE_LINE)->trigger();
        QCOMPARE(e->LineText(1), QString("  x := 1"));

        f.Action(CM_SEARCH_FIND)->trigger();
        auto* find = f.findChild<FindDialog*>();
        QVERIFY(find && find->isVisible());
        find->close();
        f.Action(CM_SEARCH_REPLACE)->trigger();
        QVERIFY(find->isVisible());
        find->close();
        QVERIFY(e->Find("x", SEARCH_DOWN));
        e->GoTo(1, 1);
        f.Action(CM_SEARCH_FIND_AGAIN)->trigger();
        QCOMPARE(e->Selection().From(), (EditPos{1, 3}));
        ModalCloser gotoLine;
        f.Action(CM_SEARCH_GOTO_LINE)->trigger();
        QVERIFY2(gotoLine.seen.contains("Goto Line"), qPrintable(gotoLine.seen));

        // Bookmarks through their commands.
        e->GoTo(2, 2);
        f.RunCommand(CM_EDIT_SET_BOOKMARK + 7);
        e->GoTo(1, 1);
        QVERIFY(f.RunCommand(CM_EDIT_GOTO_BOOKMARK + 7));
        QCOMPARE(e->CaretLine(), 2);
        QCOMPARE(e->CaretColumn(), 2);
    }

    void projectWindowAndHelpCommands() {
        MessageRecorder rec;
        WriteFile(Path("p1.pas"), "program p1;\nbegin\nend.\n");
        WriteFile(Path("p2.pas"), "program p2;\nbegin\nend.\n");
        WriteProject("p1.tpj", "p1.pas");
        MainFrame f;
        f.show();
        rec.answer = Answer::No;
        rec.chosen = Path("p1.tpj");
        f.Action(CM_PROJECT_OPEN)->trigger();
        QCOMPARE(f.CurrentProject().path, Path("p1.tpj").toStdString());
        rec.chosen = Path("p2.pas");
        f.Action(CM_PROJECT_CHOOSE_PROGRAM)->trigger();
        QCOMPARE(QString::fromStdString(ProgramFile(f.CurrentProject())), Path("p2.pas"));
        QVERIFY(ReadFile(Path("p1.tpj")).contains("file=\"p2.pas\""));

        ModalCloser options;
        f.Action(CM_PROJECT_OPTIONS)->trigger();
        QVERIFY2(options.seen.endsWith("|Project Options"), qPrintable(options.seen));
        ModalCloser prefs;
        f.Action(CM_EDIT_PREFERENCES)->trigger();
        QVERIFY2(prefs.seen.endsWith("|User Preferences"), qPrintable(prefs.seen));

        rec.chosen = Path("fresh.tpj");
        f.Action(CM_PROJECT_NEW)->trigger();
        QCOMPARE(f.CurrentProject().path, Path("fresh.tpj").toStdString());
        QVERIFY(QFile::exists(Path("fresh.tpj")));
        QCOMPARE(f.ActiveEditor()->FileName(), Path("fresh.pas"));

        // Window commands.
        TarnEditChild* a = f.ActiveEditor();
        TarnEditChild* b = f.NewFile();
        QCOMPARE(f.ActiveEditor(), b);
        f.RunCommand(CM_WINDOW_NEXT);
        QCOMPARE(f.ActiveEditor(), a);
        f.RunCommand(CM_WINDOW_PREVIOUS);
        QCOMPARE(f.ActiveEditor(), b);
        f.Action(CM_WINDOW_TILE)->trigger();
        QMdiArea* mdi = f.findChild<QMdiArea*>();
        auto subs = mdi->subWindowList();
        QVERIFY(subs[0]->geometry().intersected(subs[1]->geometry()).isEmpty());
        f.Action(CM_WINDOW_CASCADE)->trigger();
        QVERIFY(!subs[0]->geometry().intersected(subs[1]->geometry()).isEmpty());
        f.PrepareMenu(MenuId::Window);
        QStringList texts = MenuTexts(f.Menu(MenuId::Window));
        QCOMPARE(texts.mid(0, 3), QStringList({"&Tile \t Shift+F4", "&Cascade \t Shift+F5", "-"}));
        QCOMPARE(texts.size(), 5);
        QVERIFY(texts[3].startsWith("&1 ") && texts[4].startsWith("&2 "));

        // Help: the manuals beside the program, at their contents or at a word.
        f.Action(CM_HELP_USER)->trigger();
        QVERIFY(f.Help() && f.Help()->isVisible());
        QCOMPARE(f.Help()->CurrentManual(), MainFrame::ManualPath(USER_MANUAL));
        f.Action(CM_HELP_PROGREF)->trigger();
        QCOMPARE(f.Help()->CurrentManual(), MainFrame::ManualPath(PROGREF_MANUAL));
        b->Engine().InsertText("writeln");
        b->GoTo(1, 3);
        f.Action(CM_HELP_WORD)->trigger();
        QCOMPARE(f.Help()->Browser()->textCursor().selectedText().toLower(), QString("writeln"));

        ModalCloser about;
        f.Action(CM_HELP_ABOUT)->trigger();
        QVERIFY(about.seen.endsWith("|About Tarn Pascal"));
        QVERIFY(about.labels.contains("Tarn Pascal Version 2.6"));
    }

    // Closed files enter the File menu after "Exit", newest first, and reopen at their
    // place; opened projects enter the Project menu after "Choose Program...".
    void recentLists() {
        MessageRecorder rec;
        WriteFile(Path("r1.pas"), "a\nb\nc\n");
        WriteFile(Path("r2.pas"), "x\ny\n");
        WriteFile(Path("q1.pas"), "q\n");
        WriteFile(Path("q2.pas"), "q\n");
        WriteProject("q1.tpj", "q1.pas");
        WriteProject("q2.tpj", "q2.pas");
        MainFrame f;
        f.show();
        f.Settings().recentProjects.clear();
        QVERIFY(f.OpenProject(Path("q1.tpj")));
        QVERIFY(f.OpenProject(Path("q2.tpj")));
        f.OpenFile(Path("r1.pas"))->GoTo(3, 2);
        f.RunCommand(CM_FILE_CLOSE);
        f.OpenFile(Path("r2.pas"));
        f.RunCommand(CM_FILE_CLOSE);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QMenu* file = f.Menu(MenuId::File);
        f.PrepareMenu(MenuId::File);
        QStringList texts = MenuTexts(file);
        int exit = int(texts.indexOf("E&xit"));
        QCOMPARE(texts.mid(exit + 1, 3), QStringList({"-", Path("r2.pas"), Path("r1.pas")}));
        QCOMPARE(file->actions()[exit + 3]->data().toInt(), CM_FILE_RECENT + 1);
        f.PrepareMenu(MenuId::File);  // rebuilt, not repeated
        QCOMPARE(MenuTexts(file).size(), texts.size());
        file->actions()[exit + 3]->trigger();
        QCOMPARE(f.ActiveEditor()->FileName(), Path("r1.pas"));
        QCOMPARE(f.ActiveEditor()->CaretLine(), 3);
        QCOMPARE(f.ActiveEditor()->CaretColumn(), 2);

        QMenu* project = f.Menu(MenuId::Project);
        f.PrepareMenu(MenuId::Project);
        texts = MenuTexts(project);
        int choose = int(texts.indexOf("Choose &Program..."));
        QCOMPARE(texts.mid(choose + 1), QStringList({"-", Path("q2.tpj"), Path("q1.tpj")}));
        project->actions()[choose + 3]->trigger();
        QCOMPARE(f.CurrentProject().path, Path("q1.tpj").toStdString());
    }

    // The keys reach their commands through the frame.
    void shortcuts() {
        MessageRecorder rec;
        MainFrame f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTest::keyClick(&f, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(f.Editors().size(), 1);
        TarnEditChild* a = f.ActiveEditor();
        QTest::keyClick(a, Qt::Key_N, Qt::ControlModifier);
        TarnEditChild* b = f.ActiveEditor();
        QVERIFY(a != b);
        QTest::keyClick(b, Qt::Key_F6, Qt::ControlModifier);
        QCOMPARE(f.ActiveEditor(), a);
        QTest::keyClicks(a, "hello world");
        QTest::keyClick(a, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(a, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(a->LineText(1), QString(""));
        QTest::keyClick(a, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(a->LineText(1), QString("hello world"));
        QTest::keyClick(a, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(rec.asked.size(), 1);  // unsaved: asked, and Cancel keeps it open
        QCOMPARE(f.Editors().size(), 2);
        QTest::keyClick(a, Qt::Key_F4, Qt::ShiftModifier);  // tile
        QMdiArea* mdi = f.findChild<QMdiArea*>();
        auto subs = mdi->subWindowList();
        QVERIFY(subs[0]->geometry().intersected(subs[1]->geometry()).isEmpty());
        QTest::keyClick(a, Qt::Key_F1);
        QVERIFY(f.Help() && f.Help()->isVisible());
    }

    // Parts 1 to 3 of the status bar follow the active editor.
    void statusBarParts() {
        MessageRecorder rec;
        MainFrame f;
        f.show();
        QCOMPARE(f.StatusParts(), QStringList({"", "", ""}));
        QCOMPARE(f.statusBar()->currentMessage(), QString(IDLE_TEXT));
        // A menu item's help while it is highlighted, then the idle text again.
        QStatusTipEvent tip(f.Action(CM_FILE_NEW)->statusTip());
        QApplication::sendEvent(&f, &tip);
        QCOMPARE(f.statusBar()->currentMessage(), QString("Create a new file"));
        QStatusTipEvent none{QString()};
        QApplication::sendEvent(&f, &none);
        QCOMPARE(f.statusBar()->currentMessage(), QString(IDLE_TEXT));
        f.statusBar()->showMessage("for a moment", 10);
        QTRY_COMPARE(f.statusBar()->currentMessage(), QString(IDLE_TEXT));
        TarnEditChild* e = f.NewFile();
        QCOMPARE(f.StatusParts(), QStringList({" 1:1", " Insert", ""}));
        QTest::keyClicks(e, "abc");
        QTest::keyClick(e, Qt::Key_Return);
        QTest::keyClicks(e, "d");
        QCOMPARE(f.StatusParts(), QStringList({" 2:2", " Insert", " Modified"}));
        QTest::keyClick(e, Qt::Key_Insert);
        QCOMPARE(f.StatusParts()[1], QString(" Overwrite"));
        e->SetModified(false);
        f.RunCommand(CM_WINDOW_CASCADE);
        QCOMPARE(f.StatusParts()[2], QString(""));
        f.RunCommand(CM_FILE_CLOSE);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QTRY_COMPARE(f.StatusParts(), QStringList({"", "", ""}));
    }

    void contextMenuOfAnEditor() {
        MessageRecorder rec;
        MainFrame f;
        f.show();
        f.NewFile();
        QStringList texts = MenuTexts(f.ContextMenu());
        QCOMPARE(texts,
                 QStringList({"Cut", "Copy", "Paste", "Clear", "-", "Find...", "Replace...",
                              "Find Again", "Goto Line...", "-", "Print...", "Save", "Close"}));
        QVERIFY(f.RunCommand(CM_EDIT_CONTEXT_MENU));
        QTRY_VERIFY(f.ContextMenu()->isVisible());
        f.ContextMenu()->close();
        QTRY_VERIFY(!f.ContextMenu()->isVisible());
        // The right mouse button opens it too, with Cut greyed while nothing is selected.
        TarnEditChild* e = f.ActiveEditor();
        QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(10, 10),
                                e->viewport()->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(e->viewport(), &right);
        QTRY_VERIFY(f.ContextMenu()->isVisible());
        QVERIFY(!f.ContextMenu()->actions()[0]->isEnabled());
        f.ContextMenu()->close();
    }

    // With the project's "dclick_help" on, a double-click searches help for the word
    // instead of selecting it.
    void doubleClickSearchesHelp() {
        MessageRecorder rec;
        MainFrame f;
        f.show();
        TarnEditChild* e = f.NewFile();
        e->Engine().InsertText("  writeln");
        QPoint at(e->CaretPoint().x() - 10, e->CaretPoint().y() + 5);
        QTest::mouseDClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY(!f.Help());
        QCOMPARE(QString::fromLatin1(e->Engine().SelectedText()), QString("writeln"));
        SetFlagSetting(f.CurrentProject(), "dclick_help", true);
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY(f.Help() && f.Help()->isVisible());
        QCOMPARE(f.Help()->Browser()->textCursor().selectedText().toLower(), QString("writeln"));
    }

    // The message window's lines: prefix by kind, the place when there is a line, and no
    // more than 170 records of one compilation.
    void messageWindowLines() {
        using tarn::tpc::MsgKind;
        TarnMsgChild w;
        MessageModel& m = w.Model();
        QVERIFY(m.Add(MakeRecord(MsgKind::ERROR, 114, "a.pas", 7, 4, "Type mismatch.")));
        QVERIFY(m.Add(MakeRecord(MsgKind::WARNING, 44, "a.pas", 3, -1, "i is never used.")));
        QVERIFY(m.Add(MakeRecord(MsgKind::FATAL, 20, nullptr, 0, -1, "Compiler failure.")));
        QVERIFY(m.Add(MakeRecord(MsgKind::INFORM, 6, "a.pas", 9, 1, "Compile done.")));
        QCOMPARE(m.LineText(0), QString("ERROR: (7,5): Type mismatch."));
        QCOMPARE(m.LineText(1), QString("WARNING: (3): i is never used."));
        QCOMPARE(m.LineText(2), QString("ERROR: Compiler failure."));
        QCOMPARE(m.LineText(3), QString("Compile done."));
        // A file name over 260 or a text over 500 characters is dropped from the record.
        MessageRecord big = MakeRecord(MsgKind::ERROR, 1, std::string(261, 'f').c_str(), 1, 0,
                                       std::string(501, 't').c_str());
        QVERIFY(big.file.empty() && big.text.empty());
        for (int i = 4; i < 170; ++i)
            QVERIFY(m.Add(MakeRecord(MsgKind::ERROR, 1, "a.pas", 1, 0, "x")));
        QVERIFY(!m.Add(MakeRecord(MsgKind::ERROR, 1, "a.pas", 1, 0, "the 171st")));
        QCOMPARE(m.rowCount(), 170);
        m.Clear();
        QCOMPARE(m.rowCount(), 0);
    }

    // Shut-down asks about unsaved files (Cancel keeps the IDE open), then writes the
    // desktop and the project with "maxwin", and remembers the recent projects.
    void shutDown() {
        MessageRecorder rec;
        WriteFile(Path("s.pas"), "s\n");
        WriteProject("s.tpj", "s.pas");
        {
            MainFrame f;
            f.show();
            QVERIFY(f.OpenProject(Path("s.tpj")));
            TarnEditChild* e = f.ActiveEditor();
            QTest::keyClicks(e, "x");
            rec.answer = Answer::Cancel;
            QVERIFY(!f.close());
            QVERIFY(f.isVisible());
            QCOMPARE(f.Editors().size(), 1);
            QVERIFY(rec.asked.last().startsWith(
                QString("'%1' has unsaved changes.").arg(Path("s.pas"))));
            f.findChild<QMdiArea*>()->activeSubWindow()->showMaximized();
            rec.answer = Answer::Yes;
            QVERIFY(f.close());
        }
        QCOMPARE(ReadFile(Path("s.pas")), QByteArray("xs\n"));
        QVERIFY(ReadFile(Path("s.idt")).contains("s.pas"));
        QVERIFY(ReadFile(Path("s.tpj")).contains("maxwin=Y"));
        MainFrame again;
        QCOMPARE(again.Settings().recentProjects.value(0), Path("s.tpj"));
    }

    // The samples beside the program are copied into the user's projects folder once.
    void samplesAreCopiedOnce() {
        QString to = UserProjectsFolder() + "/samples";
        QDir(to).removeRecursively();
        {
            MainFrame f;
            f.Settings().samples = 0;
            f.CopySamples();
            QCOMPARE(f.Settings().samples, 2);
        }
        QVERIFY(QFile::exists(to + "/hello.pas"));
        QFile::remove(to + "/hello.pas");
        MainFrame again;
        QCOMPARE(again.Settings().samples, 2);
        again.CopySamples();
        QVERIFY(!QFile::exists(to + "/hello.pas"));
    }
};

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
