// The frame window.
#include "ide/frame/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>

#include "ide/editor/find_dialog.h"
#include "ide/frame/notify.h"
#include "ide/options/options_dialog.h"
#include "ide/project/desktop.h"
#include "ide/settings/preferences_dialog.h"

namespace tarn::ide {

MainFrame::MainFrame(QWidget* parent) : QMainWindow(parent), project_(DefaultProject()) {
    setWindowTitle(FRAME_TITLE);
    mdi_ = new QMdiArea;
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    caret_ = new QLabel;
    statusBar()->addPermanentWidget(caret_);
    if (auto store = OpenUserSettingsStore()) settings_ = LoadUserSettings(*store);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) {
        if (TarnEditChild* e = ActiveEditor()) ShowCaret(e->CaretLine(), e->CaretColumn());
    });
    CreateAccelerators();
    resize(1000, 700);
}

// The MDI area and the windows outlive this part of the frame; their signals must not
// reach it any more.
MainFrame::~MainFrame() {
    mdi_->disconnect(this);
    for (TarnEditChild* e : Editors()) e->disconnect(this);
}

// The frame's accelerator keys for the editor commands; the menus that show them build on
// these actions.
void MainFrame::CreateAccelerators() {
    auto add = [this](QList<QKeySequence> keys, auto run) {
        auto* a = new QAction(this);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, run);
        addAction(a);
    };
    auto withEditor = [this](auto body) {
        return [this, body] {
            if (TarnEditChild* e = ActiveEditor()) body(e);
        };
    };
    add({QKeySequence(Qt::CTRL | Qt::Key_N)}, [this] { NewFile(); });
    add({QKeySequence(Qt::CTRL | Qt::Key_S)}, withEditor([](TarnEditChild* e) { e->Save(true); }));
    add({QKeySequence(Qt::CTRL | Qt::Key_P)}, withEditor([](TarnEditChild* e) { e->Print(); }));
    add({QKeySequence(Qt::CTRL | Qt::Key_W)}, [this] { mdi_->closeActiveSubWindow(); });
    add({QKeySequence(Qt::CTRL | Qt::Key_F), QKeySequence(Qt::Key_F5),
         QKeySequence(Qt::ALT | Qt::Key_F5)},
        [this] { ShowFindDialog(false); });
    add({QKeySequence(Qt::CTRL | Qt::Key_H), QKeySequence(Qt::Key_F6),
         QKeySequence(Qt::ALT | Qt::Key_F6)},
        [this] { ShowFindDialog(true); });
    add({QKeySequence(Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Y)},
        withEditor([](TarnEditChild* e) { e->FindAgain(); }));
    add({QKeySequence(Qt::CTRL | Qt::Key_G)},
        withEditor([](TarnEditChild* e) { e->GoToLineDialog(); }));
    for (int n = 0; n <= 9; ++n) {
        auto digit = Qt::Key(Qt::Key_0 + n);
        add({QKeySequence(Qt::CTRL | Qt::SHIFT | digit), QKeySequence(Qt::ALT | digit)},
            withEditor([n](TarnEditChild* e) { e->SetBookmark(n); }));
        add({QKeySequence(Qt::CTRL | digit)},
            withEditor([n](TarnEditChild* e) { e->GoToBookmark(n); }));
    }
}

bool MainFrame::EditProjectOptions() {
    ProjectOptionsDialog d(project_, this);
    if (d.exec() != QDialog::Accepted) return false;
    for (TarnEditChild* e : Editors()) ApplyEditorSettings(e);
    return true;
}

bool MainFrame::EditPreferences() {
    PreferencesDialog d(settings_, this);
    if (d.exec() != QDialog::Accepted) return false;
    if (auto store = OpenUserSettingsStore()) SaveUserSettings(*store, settings_);
    for (TarnEditChild* e : Editors()) ApplyEditorSettings(e);
    return true;
}

void MainFrame::ShowFindDialog(bool replace) {
    if (!find_)
        find_ = new FindDialog(
            replace, [this] { return ActiveEditor(); }, this);
    find_->SetReplaceMode(replace);
    if (TarnEditChild* e = ActiveEditor()) {
        QString word = e->Engine().HasSelection() ? QString::fromLatin1(e->Engine().SelectedText())
                                                  : e->WordAtCaret();
        if (!word.isEmpty() && !word.contains('\n')) find_->findText->setText(word);
    }
    find_->show();
    find_->raise();
    find_->activateWindow();
}

void MainFrame::ShowCaret(int line, int col) {
    caret_->setText(QString("Line %1, Col %2").arg(line).arg(col));
}

TarnEditChild* MainFrame::ActiveEditor() const {
    QMdiSubWindow* w = mdi_->activeSubWindow();
    return w ? qobject_cast<TarnEditChild*>(w->widget()) : nullptr;
}

QList<TarnEditChild*> MainFrame::Editors() const {
    QList<TarnEditChild*> list;
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (auto* e = qobject_cast<TarnEditChild*>(w->widget())) list << e;
    return list;
}

void MainFrame::ApplyEditorSettings(TarnEditChild* e) {
    e->SetOptions({NumberSetting(project_, "ts"), FlagSetting(project_, "ut"),
                   FlagSetting(project_, "ai"), FlagSetting(project_, "bak")});
    QFont font(settings_.fontName, settings_.fontSize);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    const TextColors& c = settings_.colors[size_t(TextType::Editor)];
    e->SetTextStyle(font, c.foreground, c.background);
}

TarnEditChild* MainFrame::AddEditor(TarnEditChild* e) {
    ApplyEditorSettings(e);
    connect(e, &TarnEditChild::CaretMoved, this, &MainFrame::ShowCaret);
    connect(e, &TarnEditChild::Closed, this,
            [this](const QString& path, int line, int col, int top) {
                AddRecentFile(desktop_, {QFile::encodeName(path).toStdString(), unsigned(line),
                                         unsigned(col), unsigned(top)});
            });
    connect(e, &TarnEditChild::StatusMessage, this,
            [this](const QString& t) { statusBar()->showMessage(t, 5000); });
    QMdiSubWindow* w = mdi_->addSubWindow(e);
    if (FlagSetting(project_, "maxwin")) {
        w->showMaximized();
    } else {
        // New windows take most of the area, each a little below and right of the last.
        int n = int(mdi_->subWindowList().size()) - 1;
        QSize area = mdi_->viewport()->size();
        w->resize(std::max(400, area.width() * 3 / 4), std::max(300, area.height() * 3 / 4));
        w->move((n % 8) * 24, (n % 8) * 24);
        w->show();
    }
    return e;
}

TarnEditChild* MainFrame::NewFile() {
    QStringList names;
    for (TarnEditChild* e : Editors()) names << e->FileName();
    auto* e = new TarnEditChild;
    e->SetFileName(TarnEditChild::NewFileName(names));
    return AddEditor(e);
}

TarnEditChild* MainFrame::OpenFile(const QString& path, int line, int col, int top) {
    QString abs = QFileInfo(path).absoluteFilePath();
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        auto* e = qobject_cast<TarnEditChild*>(w->widget());
        if (e && e->FileName() == abs) {
            mdi_->setActiveSubWindow(w);
            return e;
        }
    }
    auto* e = new TarnEditChild;
    ApplyEditorSettings(e);  // tab handling applies while loading
    if (!e->LoadFile(abs)) {
        delete e;
        return nullptr;
    }
    AddEditor(e);
    if (top > 0) e->SetFirstVisibleLine(int(top));
    if (line > 0) e->GoTo(line, std::max(col, 1));
    return e;
}

void MainFrame::WriteDesktop() {
    if (project_.path.empty()) return;
    Desktop d;
    std::string error;
    d.closed = desktop_.closed;
    for (TarnEditChild* e : Editors())
        d.open.push_back({QFile::encodeName(e->FileName()).toStdString(), unsigned(e->CaretLine()),
                          unsigned(e->CaretColumn()), unsigned(e->FirstVisibleLine())});
    if (!WriteDesktopFile(DesktopPath(project_.path), d, error))
        statusBar()->showMessage(QString::fromLocal8Bit(error), 5000);
}

bool MainFrame::OpenProject(const QString& path) {
    Project fresh = DefaultProject();
    std::string error;
    if (!ReadProjectFile(fresh, QFile::encodeName(path).toStdString(), error)) {
        ShowMessage(this, MessageIcon::Error, FRAME_TITLE,
                    "Can not open project file\n" + QString::fromLocal8Bit(error));
        return false;
    }
    WriteDesktop();
    mdi_->closeAllSubWindows();
    if (!mdi_->subWindowList().isEmpty()) return false;  // a window with changes stayed open
    project_ = std::move(fresh);
    QDir::setCurrent(QString::fromLocal8Bit(ProjectDirectory(project_)));
    setWindowTitle(QString("%1 - %2").arg(FRAME_TITLE, QFileInfo(path).fileName()));
    settings_.AddRecentProject(QFileInfo(path).absoluteFilePath());
    Desktop d;
    ReadDesktopFile(DesktopPath(project_.path), d, error);
    desktop_.closed = d.closed;
    for (const DesktopEntry& e : d.open)
        OpenFile(QString::fromLocal8Bit(ResolveProjectPath(project_, e.path)), int(e.line),
                 int(e.col), int(e.top));
    if (Editors().isEmpty()) {
        std::string edit = TextSetting(project_, "edit");
        OpenFile(QString::fromLocal8Bit(edit.empty() ? ProgramFile(project_)
                                                     : ResolveProjectPath(project_, edit)));
    }
    return true;
}

bool MainFrame::OpenDefaultProject() {
    Project p = DefaultProject();
    std::string note, error;
    QString installDir = QApplication::applicationDirPath();
    if (!tarn::ide::OpenDefaultProject(p, QFile::encodeName(UserProjectsFolder()).toStdString(),
                                       QFile::encodeName(installDir).toStdString(), note, error)) {
        ShowMessage(this, MessageIcon::Error, FRAME_TITLE, QString::fromLocal8Bit(error));
        return false;
    }
    if (!note.empty())
        ShowMessage(this, MessageIcon::Warning, FRAME_TITLE, QString::fromLocal8Bit(note));
    return OpenProject(QString::fromLocal8Bit(p.path));
}

void MainFrame::closeEvent(QCloseEvent* e) {
    for (TarnEditChild* ed : Editors()) {
        if (!ed->MayClose()) {
            e->ignore();
            return;
        }
        ed->SetModified(false);  // answered already
    }
    WriteDesktop();
    settings_.maximized = isMaximized();
    if (auto store = OpenUserSettingsStore()) SaveUserSettings(*store, settings_);
    e->accept();
}

}  // namespace tarn::ide
