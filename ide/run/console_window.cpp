// The console window of Run.
#include "ide/run/console_window.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tarn::ide {

namespace {

// The 16 colours in the terminal's palette order (black, red, green, brown, blue, magenta,
// cyan, light grey, then their bright forms), as the engine's colour sequences index them.
const QColor PALETTE[16] = {
    QColor(0, 0, 0),     QColor(170, 0, 0),    QColor(0, 170, 0),    QColor(170, 85, 0),
    QColor(0, 0, 170),   QColor(170, 0, 170),  QColor(0, 170, 170),  QColor(170, 170, 170),
    QColor(85, 85, 85),  QColor(255, 85, 85),  QColor(85, 255, 85),  QColor(255, 255, 85),
    QColor(85, 85, 255), QColor(255, 85, 255), QColor(85, 255, 255), QColor(255, 255, 255)};
const QColor DEFAULT_FG(192, 192, 192);
const QColor DEFAULT_BG(0, 0, 0);

constexpr int COLUMNS = 80, ROWS = 25;

}  // namespace

TarnConsole::TarnConsole(QWidget* parent) : QWidget(parent, Qt::Window), screen_(COLUMNS, ROWS) {
    setObjectName("TarnConsole");
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setStyleHint(QFont::TypeWriter);
    setFont(f);
    QSize cell = CellSize();
    resize(cell.width() * COLUMNS + 8, cell.height() * ROWS + 8);
    // The window's own commands, on the right mouse button.
    stop_ = new QAction("&Stop Program", this);
    stop_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Pause));
    connect(stop_, &QAction::triggered, this, &TarnConsole::Stop);
    addAction(stop_);
    auto* copy = new QAction("&Copy Text", this);
    connect(copy, &QAction::triggered, this,
            [this] { QApplication::clipboard()->setText(Text()); });
    addAction(copy);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    reaper_ = new QTimer(this);
    reaper_->setInterval(50);
    connect(reaper_, &QTimer::timeout, this, &TarnConsole::CheckChild);
    killer_ = new QTimer(this);
    killer_->setSingleShot(true);
    connect(killer_, &QTimer::timeout, this, [this] {
        if (pid_ > 0) kill(-pid_, SIGKILL);
    });
}

TarnConsole::~TarnConsole() {
    if (pid_ > 0) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) ::close(master_);
}

QSize TarnConsole::CellSize() const {
    QFontMetrics m(font());
    return {std::max(1, m.horizontalAdvance('M')), std::max(1, m.height())};
}

bool TarnConsole::Start(const QString& program, const QStringList& args, const QString& directory,
                        const QString& title) {
    setWindowTitle(title);
    program_ = program;
    // Everything the child needs is prepared before fork: it only changes directory and
    // executes.
    QByteArray prog = QFile::encodeName(program);
    QByteArray dir = QFile::encodeName(directory);
    std::vector<QByteArray> argStore;
    for (const QString& a : args) argStore.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    winsize ws{};
    ws.ws_col = COLUMNS;
    ws.ws_row = ROWS;
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
    if (pid < 0) return false;
    if (pid == 0) {
        if (!dir.isEmpty() && chdir(dir.constData()) != 0) _exit(127);
        setenv("TERM", "xterm", 1);
        execv(prog.constData(), argv.data());
        char text[400];
        int n = std::snprintf(text, sizeof text, "Can not start %s: %s\r\n", prog.constData(),
                              std::strerror(errno));
        if (n > 0) (void)!write(STDOUT_FILENO, text, size_t(std::min<int>(n, sizeof text - 1)));
        _exit(127);
    }
    pid_ = pid;
    master_ = master;
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    notifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TarnConsole::ReadOutput);
    reaper_->start();
    return true;
}

void TarnConsole::ReadOutput() {
    if (master_ < 0) return;
    char buf[4096];
    for (;;) {
        ssize_t n = read(master_, buf, sizeof buf);
        if (n > 0) {
            screen_.Feed(buf, size_t(n));
            std::string replies = screen_.TakeReplies();
            if (!replies.empty()) Type(QByteArray::fromStdString(replies));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) break;
        // EOF or EIO: every holder of the terminal's other side has closed it.
        notifier_->setEnabled(false);
        break;
    }
    update();
}

void TarnConsole::CheckChild() {
    if (pid_ <= 0) return;
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_ || (r < 0 && errno == ECHILD)) Ended(status);
}

void TarnConsole::Ended(int status) {
    ReadOutput();  // what the program wrote last
    pid_ = -1;
    status_ = status;
    reaper_->stop();
    killer_->stop();
    stop_->setEnabled(false);
    if (notifier_) notifier_->setEnabled(false);
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
    screen_.Feed("\r");
    screen_.Feed(std::string(PRESS_ENTER).replace(0, 1, "\r\n"));
    waiting_ = true;
    update();
    emit ProgramEnded(status);
}

void TarnConsole::Stop() {
    if (pid_ <= 0) return;
    // The program leads its own session (forkpty), so its process group is its pid.
    kill(-pid_, SIGTERM);
    killer_->start(2000);
}

void TarnConsole::Type(const QByteArray& bytes) {
    if (master_ < 0 || bytes.isEmpty()) return;
    const char* p = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        ssize_t n = write(master_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        p += n;
        left -= size_t(n);
    }
}

void TarnConsole::keyPressEvent(QKeyEvent* e) {
    if (waiting_) {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            waiting_ = false;
            emit Released();
            close();
        }
        return;
    }
    if (pid_ <= 0) return;
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: Type("\r"); return;
    case Qt::Key_Backspace: Type("\x7f"); return;
    case Qt::Key_Up: Type("\x1b[A"); return;
    case Qt::Key_Down: Type("\x1b[B"); return;
    case Qt::Key_Right: Type("\x1b[C"); return;
    case Qt::Key_Left: Type("\x1b[D"); return;
    case Qt::Key_Home: Type("\x1b[H"); return;
    case Qt::Key_End: Type("\x1b[F"); return;
    case Qt::Key_Delete: Type("\x1b[3~"); return;
    case Qt::Key_Tab: Type("\t"); return;
    case Qt::Key_Escape: Type("\x1b"); return;
    default: break;
    }
    if ((e->modifiers() & Qt::ControlModifier) && e->key() >= Qt::Key_A && e->key() <= Qt::Key_Z) {
        Type(QByteArray(1, char(e->key() - Qt::Key_A + 1)));
        return;
    }
    if (!e->text().isEmpty()) Type(e->text().toUtf8());
}

void TarnConsole::closeEvent(QCloseEvent* e) {
    if (pid_ > 0) {
        // Closing the window ends the program first.
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    e->accept();
}

void TarnConsole::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), DEFAULT_BG);
    p.setFont(font());
    QSize cell = CellSize();
    int ascent = QFontMetrics(font()).ascent();
    for (int r = 0; r < screen_.Rows(); ++r) {
        const std::vector<ScreenCell>& line = screen_.Line(r);
        for (int c = 0; c < screen_.Columns(); ++c) {
            const ScreenCell& s = line[size_t(c)];
            QRect box(4 + c * cell.width(), 4 + r * cell.height(), cell.width(), cell.height());
            QColor bg = s.bg >= 0 ? PALETTE[s.bg] : DEFAULT_BG;
            QColor fg = s.fg >= 0 ? PALETTE[s.fg] : DEFAULT_FG;
            bool cursor =
                hasFocus() && pid_ > 0 && r == screen_.CursorRow() && c == screen_.CursorColumn();
            if (cursor) std::swap(fg, bg);
            if (bg != DEFAULT_BG || cursor) p.fillRect(box, bg);
            if (s.ch != U' ') {
                p.setPen(fg);
                p.drawText(box.left(), box.top() + ascent,
                           QString::fromUcs4(reinterpret_cast<const char32_t*>(&s.ch), 1));
            }
        }
    }
}

}  // namespace tarn::ide
