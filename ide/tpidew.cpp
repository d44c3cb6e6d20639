// tpidew, the windowed development environment: opens the projects (.tpj) and source files
// named on the command line, or the user's default project.
#include <QApplication>

#include "ide/frame/main_frame.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Tarnwerk");
    QApplication::setApplicationName("Tarn Pascal");
    tarn::ide::MainFrame frame;
    // Shown first, so that the windows opened below are sized to the frame.
    if (frame.Settings().maximized)
        frame.showMaximized();
    else
        frame.show();
    frame.CopySamples();
    // A project named on the command line, else the default project; then the other
    // arguments as files in editor windows.
    QStringList args = QApplication::arguments().mid(1);
    bool project = false;
    for (const QString& a : args)
        if (a.endsWith(".tpj", Qt::CaseInsensitive)) project = frame.OpenProject(a) || project;
    if (!project) frame.OpenDefaultProject();
    for (const QString& a : args)
        if (!a.endsWith(".tpj", Qt::CaseInsensitive)) frame.OpenFile(a);
    return app.exec();
}
