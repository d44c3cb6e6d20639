// The frame: opening a project reopens its desktop, a damaged project is refused with a
// message and the loaded one stays, the accelerators reach the active editor.
#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include "ide/frame/main_frame.h"
#include "ide/options/options_dialog.h"
#include "ide/project/desktop.h"
#include "ide_test_support.h"

using namespace tarn::ide;
using tarn::ide::test::MessageRecorder;
using tarn::ide::test::WriteFile;

class MainFrameTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString Path(const QString& n) const { return dir_.filePath(n); }

    void WriteProject(const QString& name, const QString& program) {
        Project p = DefaultProject();
        p.path = Path(name).toStdString();
        p.programs.push_back(program.toStdString());
        SetNumberSetting(p, "ts", 8);
        std::string error;
        QVERIFY(WriteProjectFile(p, error));
    }

private slots:
    void projectReopensItsDesktop() {
        MessageRecorder rec;
        WriteFile(Path("a.pas"), "program a;\nbegin\n  writeln\nend.\n");
        WriteFile(Path("b.pas"), "program b;\nbegin\nend.\n");
        WriteProject("p.tpj", "a.pas");
        Desktop d;
        d.open.push_back({Path("a.pas").toStdString(), 3, 3, 1});
        d.open.push_back({"b.pas", 2, 1, 1});  // relative to the project
        std::string error;
        QVERIFY(WriteDesktopFile(Path("p.idt").toStdString(), d, error));

        MainFrame f;
        f.show();
        QVERIFY(f.OpenProject(Path("p.tpj")));
        QCOMPARE(f.Editors().size(), 2);
        TarnEditChild* a = f.Editors()[0];
        QCOMPARE(a->FileName(), Path("a.pas"));
        QCOMPARE(a->CaretLine(), 3);
        QCOMPARE(a->CaretColumn(), 3);
        QCOMPARE(a->Options().tabSize, 8);  // the project's editor settings
        QCOMPARE(f.Editors()[1]->FileName(), Path("b.pas"));
        QCOMPARE(QDir::currentPath(), QDir(dir_.path()).canonicalPath());

        // A damaged project: refused, the loaded one and its windows stay.
        WriteFile(Path("bad.tpj"), "TPJ Version 2 - x\n[nosuch]\n");
        QVERIFY(!f.OpenProject(Path("bad.tpj")));
        QVERIFY(rec.Saw("Can not open project file"));
        QVERIFY(rec.Saw("unknown section [nosuch]"));
        QCOMPARE(f.CurrentProject().path, Path("p.tpj").toStdString());
        QCOMPARE(f.Editors().size(), 2);

        // The desktop is written back with the windows' carets.
        a->GoTo(2, 1);
        f.WriteDesktop();
        Desktop back;
        QVERIFY(ReadDesktopFile(Path("p.idt").toStdString(), back, error));
        QCOMPARE(int(back.open.size()), 2);
        QCOMPARE(back.open[0].line, 2u);
    }

    void projectWithoutDesktopOpensItsProgram() {
        MessageRecorder rec;
        WriteFile(Path("solo.pas"), "program solo;\nbegin\nend.\n");
        WriteProject("solo.tpj", "solo.pas");
        MainFrame f;
        f.show();
        QVERIFY(f.OpenProject(Path("solo.tpj")));
        QCOMPARE(f.Editors().size(), 1);
        QCOMPARE(f.Editors()[0]->FileName(), Path("solo.pas"));
        QCOMPARE(f.OpenFile(Path("solo.pas")), f.Editors()[0]);  // not opened twice
        QVERIFY(!f.OpenFile(Path("nothing.pas")));
        QVERIFY(rec.Saw("An error occured while the file was being opened"));
        f.Editors()[0]->GoTo(2, 3);
        f.findChild<QMdiArea*>()->closeAllSubWindows();  // closed files go to the recent list
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(f.Editors().size(), 0);
        QCOMPARE(int(f.RecentFiles().closed.size()), 1);
        QCOMPARE(QString::fromStdString(f.RecentFiles().closed[0].path), Path("solo.pas"));
        QCOMPARE(f.RecentFiles().closed[0].line, 2u);
        TarnEditChild* n = f.NewFile();
        QCOMPARE(n->FileName(), QString("new.pas"));
        QCOMPARE(f.NewFile()->FileName(), QString("new2.pas"));
    }

    // The default project is copied from beside the program into the user's documents
    // folder the first time, then opened from there.
    void defaultProjectComesFromBesideTheProgram() {
        MessageRecorder rec;
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                         "/Tarnwerk/Pascal Projects";
        QDir(folder).removeRecursively();
        MainFrame f;
        f.show();
        QVERIFY(f.OpenDefaultProject());
        QVERIFY(rec.shown.isEmpty());
        QCOMPARE(QString::fromStdString(f.CurrentProject().path), folder + "/default.tpj");
        QVERIFY(QFile::exists(folder + "/default.pas"));
        QCOMPARE(f.Editors().size(), 1);
        QCOMPARE(f.Editors()[0]->FileName(), folder + "/default.pas");
    }

    void projectOptionsReachTheOpenWindows() {
        MessageRecorder rec;
        WriteFile(Path("o.pas"), "program o;\n");
        WriteProject("o.tpj", "o.pas");
        MainFrame f;
        f.show();
        QVERIFY(f.OpenProject(Path("o.tpj")));
        QCOMPARE(f.Editors()[0]->Options().tabSize, 8);
        QTimer::singleShot(0, [] {
            auto* d = qobject_cast<ProjectOptionsDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            d->findChild<QSpinBox*>("ts")->setValue(3);
            d->accept();
        });
        QVERIFY(f.EditProjectOptions());
        QCOMPARE(f.Editors()[0]->Options().tabSize, 3);
        Project back = DefaultProject();
        std::string error;
        QVERIFY(ReadProjectFile(back, Path("o.tpj").toStdString(), error));
        QCOMPARE(NumberSetting(back, "ts"), 3);
    }

    void acceleratorsReachTheActiveEditor() {
        MessageRecorder rec;
        WriteFile(Path("k.pas"), "one\ntwo\nthree\n");
        MainFrame f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        TarnEditChild* e = f.OpenFile(Path("k.pas"));
        QVERIFY(e);
        e->setFocus();
        e->GoTo(3, 2);
        QTest::keyClick(e, Qt::Key_5, Qt::AltModifier);  // set bookmark 5
        e->GoTo(1, 1);
        QTest::keyClick(e, Qt::Key_5, Qt::ControlModifier);  // go to bookmark 5
        QCOMPARE(e->CaretLine(), 3);
        QCOMPARE(e->CaretColumn(), 2);
        QTest::keyClick(e, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(e->LineCount(), 3);
        QTest::keyClick(e, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(tarn::ide::test::ReadFile(Path("k.pas")), QByteArray("one\ntwo\n"));
    }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
