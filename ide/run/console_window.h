// TarnConsole, the console window Run opens: the program runs on a pseudo-terminal
// (forkpty) whose output is drawn through a TerminalScreen; keys typed into the window go
// to the program. When the program ends, "Press Enter to continue" is shown and Enter
// closes the window. A running program is stopped with the window's Stop command
// (Ctrl+Break) or by closing the window: SIGTERM, then SIGKILL when it does not end.
#pragma once

#include <sys/types.h>
#include <QStringList>
#include <QWidget>

#include "ide/run/terminal_screen.h"

class QSocketNotifier;
class QTimer;
class QAction;

namespace tarn::ide {

inline const char* PRESS_ENTER = "\nPress Enter to continue";

class TarnConsole : public QWidget {
    Q_OBJECT
public:
    explicit TarnConsole(QWidget* parent = nullptr);
    ~TarnConsole() override;

    // Starts `program` with `args` (argv[0] is the program path) in `directory`; the
    // window's title is `title`. False when the terminal or the process cannot be made.
    bool Start(const QString& program, const QStringList& args, const QString& directory,
               const QString& title);
    bool Running() const { return pid_ > 0; }
    // The program started (argv[0]).
    QString Program() const { return program_; }
    // After the program ended: waiting for Enter.
    bool WaitingForEnter() const { return waiting_; }
    // The program's wait status (valid once it has ended).
    int WaitStatus() const { return status_; }
    // Asks the program to stop (SIGTERM to its process group), then kills it when it has
    // not ended after two seconds.
    void Stop();

    const TerminalScreen& Screen() const { return screen_; }
    QString Text() const { return QString::fromUtf8(screen_.Text()); }
    // Writes input to the program as if typed.
    void Type(const QByteArray& bytes);

signals:
    void ProgramEnded(int waitStatus);
    // Enter was pressed after the end; the window closes itself.
    void Released();

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void closeEvent(QCloseEvent*) override;
    bool focusNextPrevChild(bool) override { return false; }

private:
    void ReadOutput();
    void CheckChild();
    void Ended(int status);
    QSize CellSize() const;

    TerminalScreen screen_;
    QString program_;
    int master_ = -1;
    pid_t pid_ = -1;
    int status_ = 0;
    bool waiting_ = false;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* reaper_ = nullptr;
    QTimer* killer_ = nullptr;
    QAction* stop_ = nullptr;
};

}  // namespace tarn::ide
