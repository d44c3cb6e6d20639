// Compiling and running from the IDE, end to end: the in-process compiler's messages in
// the "Compiler Messages" window and where they lead, Run in the console window, a program
// stopped from the IDE, and a crash inside the compiler that the IDE survives.
#include <sys/wait.h>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <cstdint>

#include "compiler/driver/compile.h"
#include "ide/compile/message_window.h"
#include "ide/frame/commands.h"
#include "ide/frame/main_frame.h"
#include "ide/run/console_window.h"
#include "ide_test_support.h"

using namespace tarn::ide;
using tarn::ide::test::MessageRecorder;
using tarn::ide::test::ReadFile;
using tarn::ide::test::WriteFile;

namespace {

// The source tree's examples, found from the test program's directory (build/bin).
QString ExamplePath(const QString& name) { return QString(TARN_SOURCE_DIR) + "/examples/" + name; }

// A store to an address that is never mapped: a real fault inside the compiler's step.
void CrashInParser() { *reinterpret_cast<volatile int*>(uintptr_t(16)) = 1; }

}  // namespace

class CompileRunTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString Path(const QString& n) const { return dir_.filePath(n); }

    // A project "name.tpj" whose program is `program` (copied or written beforehand).
    void WriteProject(const QString& name, const QString& program, const QString& args = {}) {
        Project p = DefaultProject();
        p.path = Path(name).toStdString();
        p.programs.push_back(program.toStdString());
        if (!args.isEmpty()) SetTextSetting(p, "args", args.toStdString());
        std::string error;
        QVERIFY(WriteProjectFile(p, error));
    }

    static int FindRow(TarnMsgChild* m, const QString& part) {
        for (int r = 0; r < m->Model().rowCount(); ++r)
            if (m->Model().LineText(r).contains(part)) return r;
        return -1;
    }

    static QStringList Lines(TarnMsgChild* m) {
        QStringList l;
        for (int r = 0; r < m->Model().rowCount(); ++r) l << m->Model().LineText(r);
        return l;
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // hello.pas compiles with the summary line of the compiler, and the image is written
    // where the project says.
    void compileHello() {
        MessageRecorder rec;
        QVERIFY(QFile::copy(ExamplePath("hello.pas"), Path("hello.pas")));
        WriteProject("hello.tpj", "hello.pas");
        MainFrame f;
        f.show();
        QVERIFY(f.OpenProject(Path("hello.tpj")));
        QVERIFY(f.RunCommand(CM_PROJECT_COMPILE));
        TarnMsgChild* m = f.MessageWindow();
        QVERIFY(m);
        QCOMPARE(m->windowTitle(), QString("Compiler Messages"));
        QCOMPARE(f.ActiveKind(), ChildKind::Messages);
        QStringList lines = Lines(m);
        QVERIFY2(lines.contains("0 error(s) and 0 warning(s) were issued."),
                 qPrintable(lines.join('\n')));
        QCOMPARE(lines.first(), QString("Compiling '%1.'").arg(Path("hello.pas")));
        QVERIFY(lines.contains("Compile done."));
        QVERIFY(QFileInfo::exists(Path("hello.tvm")));
        QCOMPARE(f.LastCompile().errors, 0);
        QVERIFY(rec.shown.isEmpty());

        // Compiling again clears the list first.
        QVERIFY(f.RunCommand(CM_PROJECT_COMPILE));
        QCOMPARE(Lines(m).count("Compile done."), 1);
        QCOMPARE(Lines(m).first(), QString("Compiling '%1.'").arg(Path("hello.pas")));
    }

    // An error: its line shows where tpc puts it, going to it places the caret there, and
    // after lines are inserted above it the message and the caret follow the text.
    void errorLeadsToItsPlace() {
        MessageRecorder rec;
        WriteFile(Path("bad.pas"),
                  "program bad(output);\nvar i: integer;\nbegin\n"
                  "  i := 1;\n  writeln(i + nosuch)\nend.\n");
        WriteProject("bad.tpj", "bad.pas");
        // Where the command-line compiler puts the error (Borland format: file(line)).
        QProcess tpc;
        tpc.start(QCoreApplication::applicationDirPath() + "/tpc", {Path("bad.pas")});
        QVERIFY(tpc.waitForFinished(60000));
        QString tpcOut = QString::fromLocal8Bit(tpc.readAllStandardOutput());
        QVERIFY2(tpcOut.contains("nosuch"), qPrintable(tpcOut));

        MainFrame f;
        f.show();
        QVERIFY(f.OpenProject(Path("bad.tpj")));
        TarnEditChild* e = f.ActiveEditor();
        QVERIFY(e);
        QVERIFY(f.Compile());
        TarnMsgChild* m = f.MessageWindow();
        int row = FindRow(m, "ERROR: (5,");
        QVERIFY2(row >= 0, qPrintable(Lines(m).join('\n')));
        const MessageRecord& r = m->Model().Records()[size_t(row)];
        QCOMPARE(r.line, 5u);
        QVERIFY(r.col > 0);
        // The column is the one of "nosuch" or the place just after it, as the compiler
        // reports; the caret lands on that same column.
        QString line5 = e->LineText(5);
        QVERIFY(int(r.col) >= line5.indexOf("nosuch") + 1);
        QVERIFY(int(r.col) <= line5.indexOf("nosuch") + 1 + 6);
        QVERIFY(f.LastCompile().errors >= 1);
        QVERIFY(FindRow(m, "error(s) and") >= 0);
        QVERIFY(!QFileInfo::exists(Path("bad.tvm")));

        // Enter on the message: the editor comes up with the caret on the error.
        m->setFocus();
        m->SelectRecord(row);
        QTest::keyClick(m, Qt::Key_Return);
        QCOMPARE(f.ActiveEditor(), e);
        QCOMPARE(e->CaretLine(), 5);
        QCOMPARE(e->CaretColumn(), int(r.col));

        // Three lines inserted above: the message's place moves with the text.
        e->GoTo(3, 1);
        for (int i = 0; i < 3; ++i) QTest::keyClick(e, Qt::Key_Return);
        QVERIFY(m->Model().LineText(row).startsWith(QString("ERROR: (8,%1): ").arg(r.col)));
        e->GoTo(1, 1);
        QVERIFY(f.GoToMessage(row));
        QCOMPARE(e->CaretLine(), 8);
        QCOMPARE(e->CaretColumn(), int(r.col));

        // Compiling with unsaved changes asks first; Cancel stops, the text stays.
        rec.answer = Answer::Cancel;
        QVERIFY(!f.Compile());
        QCOMPARE(rec.asked.size(), 1);
        QCOMPARE(rec.asked[0], QString("'%1' has unsaved changes.\nDo you want to save before "
                                       "compiling?")
                                   .arg(Path("bad.pas")));
        QCOMPARE(e->LineCount(), 10);
        // No compiles the file as it is on disk: the error is still on line 5 of the file.
        rec.answer = Answer::No;
        QVERIFY(f.Compile());
        QVERIFY(FindRow(m, "ERROR: (5,") >= 0);
        // Run compiles first and, with no image, starts nothing.
        QVERIFY(!f.Run());
        QVERIFY(!f.Console());
        QVERIFY(FindRow(m, "ERROR: (5,") >= 0);
        // A message without a line leads nowhere.
        int summary = FindRow(m, "error(s) and");
        QVERIFY(!f.GoToMessage(summary));
    }

    // Run compiles the out-of-date image, runs it under tvm in the console window with the
    // project's arguments, and says "Press Enter to continue"; Enter closes the console.
    // A second Run without changes does not compile again.
    void runShowsTheProgramsOutput() {
        MessageRecorder rec;
        WriteFile(Path("args.pas"),
                  "program args(output);\nvar i: integer;\nbegin\n  writeln('Hello from the "
                  "console');\n  for i := 1 to paramcount do writeln(i:1, ': ', paramstr(i))\n"
                  "end.\n");
        WriteProject("args.tpj", "args.pas", "one \"two words\"");
        MainFrame f;
        f.show();
        QVERIFY(f.OpenProject(Path("args.tpj")));
        QVERIFY(f.ImageOutOfDate());
        QVERIFY(f.RunCommand(CM_PROJECT_RUN));
        QVERIFY(f.MessageWindow());  // it compiled first
        TarnConsole* c = f.Console();
        QVERIFY(c);
        QCOMPARE(c->windowTitle(), Path("args.tvm"));
        QTRY_VERIFY_WITH_TIMEOUT(c->WaitingForEnter(), 30000);
        QString text = c->Text();
        QCOMPARE(text, QString("Hello from the console\n1: one\n2: two words\n\nPress Enter to "
                               "continue"));
        QVERIFY(WIFEXITED(c->WaitStatus()));
        QCOMPARE(WEXITSTATUS(c->WaitStatus()), 0);
        QPointer<TarnConsole> gone = c;
        QTest::keyClick(c, Qt::Key_Return);
        QTRY_VERIFY(gone.isNull());

        // Nothing changed: Run goes straight to the program.
        QVERIFY(!f.ImageOutOfDate());
        QDateTime built = QFileInfo(Path("args.tvm")).lastModified();
        f.MessageWindow()->Model().Clear();
        QVERIFY(f.RunCommand(CM_PROJECT_RUN));
        QCOMPARE(f.MessageWindow()->Model().rowCount(), 0);
        QCOMPARE(QFileInfo(Path("args.tvm")).lastModified(), built);
        QTRY_VERIFY_WITH_TIMEOUT(f.Console()->WaitingForEnter(), 30000);
        // An unsaved change in the program makes the image out of date again.
        f.Editors()[0]->GoTo(1, 1);
        QTest::keyClick(f.Editors()[0], Qt::Key_Space);
        QVERIFY(f.ImageOutOfDate());
    }

    // Run's check reads the sources an image records through the engine library: an
    // include file changed after the image makes it out of date.
    void includeFilesMakeTheImageOutOfDate() {
        MessageRecorder rec;
        WriteFile(Path("part.inc"), "procedure greet;\nbegin\n  writeln('part')\nend;\n");
        WriteFile(Path("whole.pas"),
                  "program whole(output);\n{$I part.inc}\nbegin\n  greet\nend.\n");
        WriteProject("whole.tpj", "whole.pas");
        MainFrame f;
        f.show();
        QVERIFY(f.OpenProject(Path("whole.tpj")));
        QVERIFY(f.ImageOutOfDate());
        QVERIFY(f.Compile());
        QCOMPARE(f.LastCompile().errors, 0);
        QVERIFY(!f.ImageOutOfDate());
        QDateTime later = QFileInfo(Path("whole.tvm")).lastModified().addSecs(5);
        QFile inc(Path("part.inc"));
        QVERIFY(inc.open(QIODevice::ReadWrite));
        QVERIFY(inc.setFileTime(later, QFileDevice::FileModificationTime));
        inc.close();
        QVERIFY(f.ImageOutOfDate());
        // Built again; then an unsaved change of the include file in an editor counts too.
        QVERIFY(f.Compile());
        QFile image(Path("whole.tvm"));
        QVERIFY(image.open(QIODevice::ReadWrite));
        QVERIFY(image.setFileTime(later.addSecs(5), QFileDevice::FileModificationTime));
        image.close();
        QVERIFY(!f.ImageOutOfDate());
        TarnEditChild* e = f.OpenFile(Path("part.inc"));
        QTest::keyClick(e, Qt::Key_Space);
        QVERIFY(f.ImageOutOfDate());
    }

    // Keys typed into the console window reach the program's input.
    void consoleTakesInput() {
        MessageRecorder rec;
        WriteFile(Path("ask.pas"),
                  "program ask(input, output);\nvar s: string;\nbegin\n"
                  "  write('Name? ');\n  readln(s);\n  writeln('Hello, ', s, "
                  "'!')\nend.\n");
        WriteProject("ask.tpj", "ask.pas");
        MainFrame f;
        f.show();
        QVERIFY(f.OpenProject(Path("ask.tpj")));
        QVERIFY(f.Run());
        TarnConsole* c = f.Console();
        // (trailing blanks of a line are not part of its text)
        QTRY_VERIFY_WITH_TIMEOUT(c->Text().startsWith("Name?"), 30000);
        QTest::keyClicks(c, "Tarn");
        QTest::keyClick(c, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(c->WaitingForEnter(), 30000);
        // The terminal echoes what was typed, as a console does.
        QCOMPARE(c->Text(), QString("Name? Tarn\nHello, Tarn!\n\nPress Enter to continue"));
    }

    // The console window shows what the engine's console routines write: colours, a
    // cleared screen, text placed with gotoxy.
    void consoleShowsColoursAndPlaces() {
        MessageRecorder rec;
        QVERIFY(QFile::copy(ExamplePath("console.pas"), Path("console.pas")));
        WriteProject("console.tpj", "console.pas");
        MainFrame f;
        f.show();
        QVERIFY(f.OpenProject(Path("console.tpj")));
        QVERIFY(f.Run());
        TarnConsole* c = f.Console();
        QTRY_VERIFY_WITH_TIMEOUT(c->WaitingForEnter(), 30000);
        const TerminalScreen& s = c->Screen();
        QCOMPARE(QString::fromStdString(s.LineText(0)), QString("Tarn Pascal console routines"));
        QCOMPARE(int(s.Line(0)[0].fg), 11);  // yellow (14): bright brown of the palette
        QVERIFY(QString::fromStdString(s.LineText(2)).startsWith("colour  9  colour 10"));
        QCOMPARE(int(s.Line(2)[0].fg), 12);  // light blue (9)
        QCOMPARE(QString::fromStdString(s.LineText(3)), QString(" white on blue"));
        QCOMPARE(int(s.Line(3)[1].fg), 15);
        QCOMPARE(int(s.Line(3)[1].bg), 4);  // blue (1)
        QCOMPARE(QString::fromStdString(s.LineText(6)),
                 QString(19, ' ') + "gotoxy(20, 7) puts this text here");
        QCOMPARE(int(s.Line(6)[19].fg), 10);  // light green (10)
        QCOMPARE(QString::fromStdString(s.LineText(8)), QString("Done."));
        QCOMPARE(QString::fromStdString(s.LineText(10)), QString("Press Enter to continue"));
    }

    // File mode: the active editor's file is compiled to its name with the preferences'
    // extension; with ".exe" the program is a stand-alone executable started directly.
    void fileModeRunsAnExecutableDirectly() {
        MessageRecorder rec;
        WriteFile(Path("solo.pas"),
                  "program solo(output);\nbegin\n  writeln('solo ', "
                  "paramcount:1)\nend.\n");
        MainFrame f;
        f.show();
        f.Settings().fileMode = true;
        f.Settings().ext = ".exe";
        f.Settings().args = "a b c";
        QVERIFY(f.OpenFile(Path("solo.pas")));
        QCOMPARE(f.RunTarget(), Path("solo.exe"));
        QVERIFY(f.Run());
        TarnConsole* c = f.Console();
        QCOMPARE(c->Program(), Path("solo.exe"));
        QTRY_VERIFY_WITH_TIMEOUT(c->WaitingForEnter(), 30000);
        QCOMPARE(c->Text(), QString("solo 3\n\nPress Enter to continue"));
        QVERIFY(QFileInfo(Path("solo.exe")).isExecutable());

        // No editor window: nothing to compile.
        QTest::keyClick(c, Qt::Key_Return);
        QVERIFY(f.CloseAll());
        QVERIFY(!f.Compile());
        QVERIFY(rec.Saw("No file to compile."));
    }

    // A program that never ends is stopped from the IDE.
    void loopingProgramIsStopped() {
        MessageRecorder rec;
        WriteFile(Path("loop.pas"),
                  "program loop(output);\nvar n: integer;\nbegin\n  writeln('looping');\n"
                  "  n := 0;\n  while true do n := (n + 1) mod 7\nend.\n");
        WriteProject("loop.tpj", "loop.pas");
        MainFrame f;
        f.show();
        QVERIFY(f.OpenProject(Path("loop.tpj")));
        QVERIFY(f.Run());
        TarnConsole* c = f.Console();
        QTRY_VERIFY_WITH_TIMEOUT(c->Text().contains("looping"), 30000);
        QTest::qWait(200);
        QVERIFY(c->Running());
        QVERIFY(!f.Run());  // one program at a time: the console comes up instead
        // Stop Program, the console's own command.
        QAction* stop = nullptr;
        for (QAction* a : c->actions())
            if (a->text() == "&Stop Program") stop = a;
        QVERIFY(stop && stop->isEnabled());
        stop->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(c->WaitingForEnter(), 10000);
        QVERIFY(!c->Running());
        QVERIFY(!stop->isEnabled());
        QVERIFY(c->Text().endsWith("Press Enter to continue"));
    }

    // A fault inside the compiler is reported in the message window; the IDE goes on with
    // the user's text as it was, and the next compilation works.
    void compilerCrashIsReported() {
        MessageRecorder rec;
        QFile::remove(Path("hello.pas"));
        QVERIFY(QFile::copy(ExamplePath("hello.pas"), Path("hello.pas")));
        WriteProject("crash.tpj", "hello.pas");
        MainFrame f;
        f.show();
        QVERIFY(f.OpenProject(Path("crash.tpj")));
        TarnEditChild* e = f.ActiveEditor();
        e->GoTo(1, 1);
        QTest::keyClicks(e, "{ unsaved }");
        QString text;
        for (int l = 1; l <= e->LineCount(); ++l) text += e->LineText(l) + "\n";

        tarn::tpc::SetParseStepHook(CrashInParser);
        rec.answer = Answer::No;
        QVERIFY(f.Compile());
        tarn::tpc::SetParseStepHook(nullptr);
        TarnMsgChild* m = f.MessageWindow();
        QVERIFY2(FindRow(m, "Compiler failure - Invalid memory access.") >= 0,
                 qPrintable(Lines(m).join(QChar(10))));
        QVERIFY(m->Model().LineText(FindRow(m, "Compiler failure")).startsWith("ERROR: "));
        QVERIFY(FindRow(m, "1 error(s) and 0 warning(s) were issued.") >= 0);
        QString after;
        for (int l = 1; l <= e->LineCount(); ++l) after += e->LineText(l) + "\n";
        QCOMPARE(after, text);
        QVERIFY(e->IsModified());

        QVERIFY(f.Compile());
        QVERIFY2(FindRow(m, "0 error(s) and 0 warning(s) were issued.") >= 0,
                 qPrintable(Lines(m).join('\n')));
    }
};

QTEST_MAIN(CompileRunTest)
#include "compile_run_test.moc"
