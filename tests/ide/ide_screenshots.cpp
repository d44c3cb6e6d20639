// Takes the README's pictures of tpidew (scripts/ide-screenshot.sh runs it on a virtual X
// display): the frame with an editor and the "Compiler Messages" window after compiling
// the example program, and the console window after running the example of the console
// routines, and the help viewer at the word under the caret.
//   ide_screenshots OUTPUT_DIR
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <cstdio>

#include "ide/compile/message_window.h"
#include "ide/frame/commands.h"
#include "ide/frame/main_frame.h"
#include "ide/help/help_window.h"
#include "ide/run/console_window.h"

using namespace tarn::ide;

namespace {

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

void Settle() {
    WaitFor([] { return false; }, 400);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ide_screenshots OUTPUT_DIR\n");
        return 2;
    }
    QString out = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir dir;
    QString source = QString(TARN_SOURCE_DIR) + "/examples/hello.pas";
    QFile::copy(source, dir.filePath("hello.pas"));
    Project p = DefaultProject();
    p.path = dir.filePath("hello.tpj").toStdString();
    p.programs.push_back("hello.pas");
    std::string error;
    if (!WriteProjectFile(p, error)) return 1;

    MainFrame f;
    f.resize(1000, 700);
    f.show();
    if (!f.OpenProject(dir.filePath("hello.tpj"))) return 1;
    f.ActiveEditor()->GoTo(13, 3);
    if (!f.RunCommand(CM_PROJECT_COMPILE)) return 1;
    // The editor above, the messages below.
    QMdiArea* mdi = f.findChild<QMdiArea*>();
    QSize area = mdi->viewport()->size();
    for (QMdiSubWindow* w : mdi->subWindowList()) {
        bool messages = qobject_cast<TarnMsgChild*>(w->widget()) != nullptr;
        int split = area.height() * 64 / 100;
        w->setGeometry(messages ? QRect(0, split, area.width(), area.height() - split)
                                : QRect(0, 0, area.width(), split));
    }
    Settle();
    if (!f.grab().save(out + "/tpidew.png")) return 1;

    // The console: the example of the console routines.
    QFile::copy(QString(TARN_SOURCE_DIR) + "/examples/console.pas", dir.filePath("console.pas"));
    Project q = DefaultProject();
    q.path = dir.filePath("console.tpj").toStdString();
    q.programs.push_back("console.pas");
    if (!WriteProjectFile(q, error) || !f.OpenProject(dir.filePath("console.tpj"))) return 1;
    if (!f.RunCommand(CM_PROJECT_RUN)) return 1;
    TarnConsole* c = f.Console();
    if (!WaitFor([c] { return c->WaitingForEnter(); }, 60000)) return 1;
    Settle();
    if (!c->grab().save(out + "/tpidew-console.png")) return 1;
    c->close();

    // The help viewer, at the word under the caret (F1).
    if (f.Editors().isEmpty()) return 1;
    if (!f.OpenFile(f.Editors()[0]->FileName(), 12, 4)) return 1;  // the caret in "writeln"
    f.RunCommand(CM_HELP_WORD);
    HelpWindow* h = f.Help();
    if (!h) return 1;
    Settle();
    if (!h->grab().save(out + "/tpidew-help.png")) return 1;
    std::printf(
        "ide_screenshots: wrote tpidew.png, tpidew-console.png and tpidew-help.png "
        "into %s\n",
        qPrintable(out));
    return 0;
}
