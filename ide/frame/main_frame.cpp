// The frame window.
#include "ide/frame/main_frame.h"

#include <dlfcn.h>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "ide/compile/message_window.h"
#include "ide/editor/find_dialog.h"
#include "ide/frame/notify.h"
#include "ide/help/help_window.h"
#include "ide/options/options_dialog.h"
#include "ide/project/desktop.h"
#include "ide/run/console_window.h"
#include "ide/settings/preferences_dialog.h"

namespace tarn::ide {

namespace {

constexpr const char* VERSION_TEXT = "Tarn Pascal Version 2.6";
constexpr size_t MAX_COMMAND_PIECE = 260;

// The four images of the program's own toolbar bitmap, drawn at 16 x 16: run, compile,
// new project, open project.
QIcon OwnImage(int n) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (n) {
    case 1: {  // run: a green arrow head
        p.setBrush(QColor(0, 150, 0));
        p.setPen(QColor(0, 90, 0));
        const QPoint tri[] = {{4, 2}, {13, 8}, {4, 14}};
        p.drawPolygon(tri, 3);
        break;
    }
    case 2: {  // compile: a sheet with a gear-like wheel
        p.setPen(QColor(60, 60, 60));
        p.setBrush(Qt::white);
        p.drawRect(2, 1, 9, 13);
        p.setPen(QPen(QColor(0, 0, 160), 2));
        p.drawLine(4, 5, 9, 5);
        p.drawLine(4, 9, 9, 9);
        p.setBrush(QColor(200, 120, 0));
        p.setPen(QColor(120, 60, 0));
        p.drawEllipse(QPoint(12, 12), 3, 3);
        break;
    }
    case 3: {  // new project: a folder with a star
        p.setBrush(QColor(230, 190, 80));
        p.setPen(QColor(140, 100, 20));
        p.drawRect(1, 5, 12, 9);
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(12, 1, 12, 7);
        p.drawLine(9, 4, 15, 4);
        break;
    }
    default: {  // open project: an open folder
        p.setBrush(QColor(230, 190, 80));
        p.setPen(QColor(140, 100, 20));
        p.drawRect(1, 4, 11, 10);
        const QPoint flap[] = {{3, 8}, {15, 8}, {12, 14}, {1, 14}};
        p.setBrush(QColor(250, 215, 110));
        p.drawPolygon(flap, 4);
        break;
    }
    }
    return QIcon(pm);
}

QIcon StandardImage(QStyle* s, const char* theme, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(theme, s->standardIcon(fallback));
}

// The desktop's icon for a command, or a small drawing of our own when its theme has none.
enum class Drawn { Print, Find, Replace, Cut, Copy, Paste, Properties };

QIcon DrawnImage(const char* theme, Drawn what) {
    if (QIcon::hasThemeIcon(theme)) return QIcon::fromTheme(theme);
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(50, 50, 60);
    auto sheet = [&p, &ink](QRect r) {
        p.setPen(ink);
        p.setBrush(Qt::white);
        p.drawRect(r);
    };
    auto lens = [&p](QPoint c) {
        p.setBrush(QColor(200, 230, 255));
        p.setPen(QPen(QColor(40, 40, 40), 1.5));
        p.drawEllipse(c, 4, 4);
        p.setPen(QPen(QColor(120, 70, 20), 2.5));
        p.drawLine(c + QPoint(3, 3), c + QPoint(6, 6));
    };
    switch (what) {
    case Drawn::Print:
        sheet({4, 1, 8, 6});
        p.setBrush(QColor(170, 170, 180));
        p.drawRoundedRect(QRectF(1, 6, 14, 6), 1.5, 1.5);
        sheet({4, 10, 8, 5});
        break;
    case Drawn::Find: lens({6, 6}); break;
    case Drawn::Replace:
        sheet({1, 1, 9, 12});
        p.setPen(QPen(QColor(0, 0, 160), 1.5));
        p.drawLine(3, 5, 8, 5);
        p.drawLine(3, 8, 8, 8);
        lens({10, 9});
        break;
    case Drawn::Cut:
        p.setPen(QPen(ink, 1.5));
        p.drawLine(4, 1, 10, 11);
        p.drawLine(12, 1, 6, 11);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(170, 0, 0), 1.5));
        p.drawEllipse(QPoint(4, 12), 2, 2);
        p.drawEllipse(QPoint(12, 12), 2, 2);
        break;
    case Drawn::Copy:
        sheet({1, 1, 8, 10});
        sheet({6, 5, 8, 10});
        break;
    case Drawn::Paste:
        p.setPen(ink);
        p.setBrush(QColor(190, 140, 70));
        p.drawRect(2, 2, 10, 13);
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(5, 1, 4, 3);
        sheet({7, 6, 8, 9});
        break;
    case Drawn::Properties:
        sheet({2, 1, 11, 14});
        p.setPen(QPen(QColor(0, 120, 0), 1.5));
        p.drawLine(4, 5, 6, 7);
        p.drawLine(6, 7, 10, 3);
        p.setPen(QPen(QColor(0, 0, 160), 1.5));
        p.drawLine(4, 11, 11, 11);
        break;
    }
    return QIcon(pm);
}

// The run-time engine library, loaded once when Run first needs the source names an
// image records, and kept.
struct EngineLibrary {
    using OpenFn = void* (*)(const char*);
    using NameFn = int (*)(void*, char*, uint32_t);
    using CloseFn = int (*)(void*);
    OpenFn open = nullptr;
    NameFn name = nullptr;
    CloseFn close = nullptr;
    bool tried = false;
};

EngineLibrary& Engine() {
    static EngineLibrary lib;
    if (lib.tried) return lib;
    lib.tried = true;
    QString own = MainFrame::InstallDirectory() + "/libtarnrt26.so";
    void* h = dlopen(QFile::encodeName(own).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!h) h = dlopen("libtarnrt26.so", RTLD_NOW | RTLD_LOCAL);
    if (!h) return lib;
    lib.open = reinterpret_cast<EngineLibrary::OpenFn>(dlsym(h, "OpenExecutable"));
    lib.name = reinterpret_cast<EngineLibrary::NameFn>(dlsym(h, "GetSourceName"));
    lib.close = reinterpret_cast<EngineLibrary::CloseFn>(dlsym(h, "CloseExecutable"));
    if (!lib.open || !lib.name || !lib.close) lib.open = nullptr;
    return lib;
}

// The source files an image records ("" entries skipped); empty when the engine library
// or one of its functions is missing.
QStringList RecordedSources(const QString& image) {
    EngineLibrary& lib = Engine();
    QStringList names;
    if (!lib.open) return names;
    void* h = lib.open(QFile::encodeName(image).constData());
    if (!h) return names;
    char buffer[261];
    for (;;) {
        std::fill(std::begin(buffer), std::end(buffer), '\0');
        if (lib.name(h, buffer, sizeof buffer) == 0) break;
        if (buffer[0]) names << QString::fromLocal8Bit(buffer);
    }
    lib.close(h);
    return names;
}

bool OlderThan(const QFileInfo& a, const QDateTime& t) { return a.lastModified() < t; }

// A child window's own menu binds Ctrl+W and Ctrl+F4 and the like; the frame's commands
// own those keys.
void ReleaseSystemMenuKeys(QMdiSubWindow* w) {
    if (QMenu* m = w->systemMenu())
        for (QAction* a : m->actions()) a->setShortcuts({});
}

}  // namespace

int FileFilterFor(const QString& path) {
    static const char* const KINDS[][4] = {{"pas", "p", "inc", nullptr},
                                           {"txt", nullptr, nullptr, nullptr},
                                           {"html", "htm", "shtml", nullptr},
                                           {"c", "cpp", "h", "hpp"}};
    QString ext = QFileInfo(path).suffix().toLower();
    for (int k = 0; k < 4; ++k)
        for (const char* e : KINDS[k])
            if (e && ext == e) return k;
    return 4;
}

QString MainFrame::InstallDirectory() { return QApplication::applicationDirPath(); }

QString MainFrame::ManualPath(const char* name) {
    return InstallDirectory() + "/" + QString::fromLatin1(name);
}

MainFrame::MainFrame(QWidget* parent) : QMainWindow(parent), project_(DefaultProject()) {
    setWindowTitle(FRAME_TITLE);
    setObjectName("TarnIDEFrame");
    mdi_ = new QMdiArea;
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    if (auto store = OpenUserSettingsStore()) settings_ = LoadUserSettings(*store);
    CreateCommands();
    CreateToolBar();
    CreateStatusBar();
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) {
        UpdateMenus();
        UpdateStatus();
    });
    UpdateMenus();
    UpdateStatus();
    resize(1000, 700);
}

// The MDI area and the windows outlive this part of the frame; their signals must not
// reach it any more.
MainFrame::~MainFrame() {
    mdi_->disconnect(this);
    for (TarnEditChild* e : Editors()) {
        e->disconnect(this);
        e->viewport()->removeEventFilter(this);
    }
    if (messages_) messages_->disconnect(this);
    delete pageSetup_;
}

// ---- commands, menus, toolbar, status bar ---------------------------------------------

void MainFrame::CreateCommands() {
    for (int m = 0; m <= int(MenuId::Help); ++m) {
        QMenu* menu = menuBar()->addMenu(MENU_TITLES[m]);
        menus_[MenuId(m)] = menu;
        connect(menu, &QMenu::aboutToShow, this, [this, m] { PrepareMenu(MenuId(m)); });
        connect(menu, &QMenu::aboutToHide, this, [this, m] { EndMenu(MenuId(m)); });
    }
    for (const CommandInfo& c : CommandTable()) {
        if (c.id == 0) {
            menus_[c.menu]->addSeparator();
            continue;
        }
        auto* a = new QAction(QString::fromLatin1(c.text), this);
        a->setObjectName(QString("cmd%1").arg(c.id));
        a->setData(c.id);
        a->setStatusTip(QString::fromLatin1(c.help));
        QList<QKeySequence> keys;
        for (const QString& k : QString::fromLatin1(c.keys).split("; ", Qt::SkipEmptyParts))
            keys << QKeySequence::fromString(k, QKeySequence::PortableText);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        // The menu text shows the key after its tab; the shortcut itself is not shown twice.
        a->setShortcutVisibleInContextMenu(false);
        const int id = c.id;
        connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
        actions_[id] = a;
        if (c.menu == MenuId::Hidden)
            addAction(a);
        else
            menus_[c.menu]->addAction(a);
    }
    // The Window menu's list of child windows and the recent entries are rebuilt when the
    // menus open.
    context_ = new QMenu(this);
    const int items[] = {
        CM_EDIT_CUT,    CM_EDIT_COPY,      CM_EDIT_PASTE,        CM_EDIT_CLEAR,       0,
        CM_SEARCH_FIND, CM_SEARCH_REPLACE, CM_SEARCH_FIND_AGAIN, CM_SEARCH_GOTO_LINE, 0,
        CM_FILE_PRINT,  CM_FILE_SAVE,      CM_FILE_CLOSE};
    for (int id : items) {
        if (id == 0) {
            context_->addSeparator();
            continue;
        }
        // The context menu's texts are the plain words.
        QString text = actions_[id]->text().section('\t', 0, 0).trimmed().remove('&');
        auto* a = context_->addAction(text);
        a->setData(id);
        connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
    }
}

void MainFrame::CreateToolBar() {
    QToolBar* bar = addToolBar("Toolbar");
    bar->setObjectName("toolbar");
    bar->setIconSize(QSize(16, 16));
    bar->setMovable(false);
    QStyle* s = style();
    struct Tool {
        int id;
        QIcon icon;
        const char* tip;
    };
    const Tool tools[] = {
        {CM_FILE_NEW, StandardImage(s, "document-new", QStyle::SP_FileIcon), "New file"},
        {CM_FILE_OPEN, StandardImage(s, "document-open", QStyle::SP_DialogOpenButton), "Open file"},
        {CM_FILE_SAVE, StandardImage(s, "document-save", QStyle::SP_DialogSaveButton), "Save file"},
        {CM_FILE_PRINT, DrawnImage("document-print", Drawn::Print), "Print file"},
        {0, {}, nullptr},
        {CM_SEARCH_FIND, DrawnImage("edit-find", Drawn::Find), "Find"},
        {CM_SEARCH_REPLACE, DrawnImage("edit-find-replace", Drawn::Replace), "Replace"},
        {0, {}, nullptr},
        {CM_EDIT_CUT, DrawnImage("edit-cut", Drawn::Cut), "Cut"},
        {CM_EDIT_COPY, DrawnImage("edit-copy", Drawn::Copy), "Copy"},
        {CM_EDIT_PASTE, DrawnImage("edit-paste", Drawn::Paste), "Paste"},
        {0, {}, nullptr},
        {CM_PROJECT_OPTIONS, DrawnImage("document-properties", Drawn::Properties),
         "View/Change project options"},
        {0, {}, nullptr},
        {CM_PROJECT_NEW, OwnImage(3), "New project"},
        {CM_PROJECT_OPEN, OwnImage(4), "Open project"},
        {CM_PROJECT_COMPILE, OwnImage(2), "Compile"},
        {CM_PROJECT_RUN, OwnImage(1), "Run"},
    };
    for (const Tool& t : tools) {
        if (t.id == 0) {
            bar->addSeparator();
            continue;
        }
        QAction* a = actions_[t.id];
        a->setIcon(t.icon);
        a->setIconVisibleInMenu(false);
        a->setToolTip(t.tip);
        bar->addAction(a);
    }
}

void MainFrame::CreateStatusBar() {
    caret_ = new QLabel;
    mode_ = new QLabel;
    modified_ = new QLabel;
    caret_->setObjectName("statusCaret");
    mode_->setObjectName("statusMode");
    modified_->setObjectName("statusModified");
    QFontMetrics m(font());
    caret_->setMinimumWidth(m.horizontalAdvance(" 00000:0000 "));
    mode_->setMinimumWidth(m.horizontalAdvance(" Overwrite "));
    modified_->setMinimumWidth(m.horizontalAdvance(" Modified "));
    statusBar()->addPermanentWidget(caret_);
    statusBar()->addPermanentWidget(mode_);
    statusBar()->addPermanentWidget(modified_);
    // Part 0 falls back to the idle text whenever a message or a menu item's help ends.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (text.isEmpty()) statusBar()->showMessage(IDLE_TEXT);
    });
    statusBar()->showMessage(IDLE_TEXT);
}

QAction* MainFrame::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* MainFrame::Menu(MenuId m) const {
    auto it = menus_.find(m);
    return it == menus_.end() ? nullptr : it->second;
}

TarnConsole* MainFrame::Console() const { return console_; }
HelpWindow* MainFrame::Help() const { return help_; }

// The current child window stays the active one while another top-level window (the
// console, the help viewer) has the focus.
ChildKind MainFrame::ActiveKind() const {
    QMdiSubWindow* w = mdi_->currentSubWindow();
    if (!w) return ChildKind::None;
    if (qobject_cast<TarnEditChild*>(w->widget())) return ChildKind::Editor;
    if (qobject_cast<TarnMsgChild*>(w->widget())) return ChildKind::Messages;
    return ChildKind::None;
}

// Menu 100 without a child window, 101 with an editor, 102 with the message window.
void MainFrame::UpdateMenus() {
    ChildKind k = ActiveKind();
    for (const CommandInfo& c : CommandTable()) {
        if (c.id == 0) continue;
        bool on = true;
        switch (c.needs) {
        case Needs::Nothing: on = true; break;
        case Needs::Child: on = k != ChildKind::None; break;
        case Needs::Editor: on = k == ChildKind::Editor; break;
        case Needs::EditorOrMessages: on = k != ChildKind::None; break;
        }
        actions_[c.id]->setEnabled(on);
    }
    menus_[MenuId::Search]->menuAction()->setEnabled(k == ChildKind::Editor);
}

void MainFrame::PrepareMenu(MenuId m) {
    TarnEditChild* e = ActiveEditor();
    switch (m) {
    case MenuId::File: RebuildRecentFiles(menus_[m]); break;
    case MenuId::Project: RebuildRecentProjects(menus_[m]); break;
    case MenuId::Window: RebuildWindowMenu(menus_[m]); break;
    case MenuId::Edit: {
        const QClipboard* clip = QApplication::clipboard();
        actions_[CM_EDIT_PASTE]->setEnabled(e && !clip->text().isEmpty());
        bool sel = e && e->Engine().HasSelection();
        for (int id : {int(CM_EDIT_CUT), int(CM_EDIT_COPY), int(CM_EDIT_CLEAR)})
            actions_[id]->setEnabled(sel);
        break;
    }
    case MenuId::Search:
        actions_[CM_SEARCH_FIND_AGAIN]->setEnabled(e && !e->LastSearch().isEmpty());
        break;
    default: break;
    }
}

// The keys of the commands greyed while the menu was open work again afterwards.
void MainFrame::EndMenu(MenuId m) {
    if (m == MenuId::Edit || m == MenuId::Search) UpdateMenus();
}

void MainFrame::RebuildRecentFiles(QMenu* m) {
    for (QAction* a : m->actions())
        if (a->property("recent").toBool()) {
            m->removeAction(a);
            a->deleteLater();
        }
    if (desktop_.closed.empty()) return;
    QAction* sep = m->addSeparator();
    sep->setProperty("recent", true);
    for (size_t i = 0; i < desktop_.closed.size() && i < RECENT_ENTRIES; ++i) {
        const int id = CM_FILE_RECENT + int(i);
        QAction* a = m->addAction(QString::fromLocal8Bit(desktop_.closed[i].path));
        a->setProperty("recent", true);
        a->setData(id);
        connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
    }
}

void MainFrame::RebuildRecentProjects(QMenu* m) {
    for (QAction* a : m->actions())
        if (a->property("recent").toBool()) {
            m->removeAction(a);
            a->deleteLater();
        }
    if (settings_.recentProjects.isEmpty()) return;
    QAction* sep = m->addSeparator();
    sep->setProperty("recent", true);
    for (int i = 0; i < settings_.recentProjects.size() && i < RECENT_ENTRIES; ++i) {
        const int id = CM_PROJECT_RECENT + i;
        QAction* a = m->addAction(settings_.recentProjects[i]);
        a->setProperty("recent", true);
        a->setData(id);
        connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
    }
}

void MainFrame::RebuildWindowMenu(QMenu* m) {
    for (QAction* a : m->actions())
        if (a->property("window").toBool()) {
            m->removeAction(a);
            a->deleteLater();
        }
    QList<QMdiSubWindow*> list = mdi_->subWindowList();
    if (list.isEmpty()) return;
    QAction* sep = m->addSeparator();
    sep->setProperty("window", true);
    int n = 1;
    for (QMdiSubWindow* w : list) {
        QString title = w->widget()->windowTitle();
        if (auto* e = qobject_cast<TarnEditChild*>(w->widget())) title = e->FileName();
        QAction* a = m->addAction(n < 10 ? QString("&%1 %2").arg(n).arg(title) : title);
        a->setProperty("window", true);
        a->setCheckable(true);
        a->setChecked(w == mdi_->currentSubWindow());
        connect(a, &QAction::triggered, this, [this, w] { mdi_->setActiveSubWindow(w); });
        ++n;
    }
}

QStringList MainFrame::StatusParts() const {
    return {caret_->text(), mode_->text(), modified_->text()};
}

void MainFrame::UpdateStatus() {
    TarnEditChild* e = ActiveEditor();
    if (!e) {
        caret_->clear();
        mode_->clear();
        modified_->clear();
        return;
    }
    caret_->setText(QString::asprintf(" %d:%d", e->CaretLine(), e->CaretColumn()));
    mode_->setText(e->OverwriteMode() ? " Overwrite" : " Insert");
    modified_->setText(e->IsModified() ? " Modified" : "");
}

// ---- dispatch -------------------------------------------------------------------------

bool MainFrame::RunCommand(int id) {
    TarnEditChild* e = ActiveEditor();
    bool done = true;
    if (id >= CM_FILE_RECENT && id < CM_FILE_RECENT + RECENT_ENTRIES) {
        size_t n = size_t(id - CM_FILE_RECENT);
        if (n >= desktop_.closed.size()) return false;
        DesktopEntry r = desktop_.closed[n];
        return OpenFile(QString::fromLocal8Bit(ResolveProjectPath(project_, r.path)), int(r.line),
                        int(r.col), int(r.top)) != nullptr;
    }
    if (id >= CM_PROJECT_RECENT && id < CM_PROJECT_RECENT + RECENT_ENTRIES) {
        int n = id - CM_PROJECT_RECENT;
        if (n >= settings_.recentProjects.size()) return false;
        return OpenProject(settings_.recentProjects[n]);
    }
    switch (id) {
    case CM_FILE_NEW: done = NewFile() != nullptr; break;
    case CM_FILE_OPEN: done = OpenFileCommand(); break;
    case CM_FILE_CLOSE:
        if (!mdi_->currentSubWindow()) return false;
        mdi_->currentSubWindow()->close();
        break;
    case CM_FILE_CLOSE_ALL: done = CloseAll(); break;
    case CM_FILE_SAVE_AS: done = e && SaveAsCommand(e); break;
    case CM_FILE_PAGE_SETUP: PageSetup(); break;
    case CM_FILE_EXIT: done = close(); break;
    case CM_EDIT_PREFERENCES: done = EditPreferences(); break;
    case CM_SEARCH_FIND: ShowFindDialog(false); break;
    case CM_SEARCH_REPLACE: ShowFindDialog(true); break;
    case CM_PROJECT_NEW: done = NewProjectCommand(); break;
    case CM_PROJECT_OPEN: done = OpenProjectCommand(); break;
    case CM_PROJECT_OPTIONS: done = EditProjectOptions(); break;
    case CM_PROJECT_CHOOSE_PROGRAM: done = ChooseProgramCommand(); break;
    case CM_PROJECT_RUN: done = Run(); break;
    case CM_PROJECT_COMPILE: done = Compile(); break;
    case CM_WINDOW_TILE: mdi_->tileSubWindows(); break;
    case CM_WINDOW_CASCADE: mdi_->cascadeSubWindows(); break;
    case CM_WINDOW_NEXT: mdi_->activateNextSubWindow(); break;
    case CM_WINDOW_PREVIOUS: mdi_->activatePreviousSubWindow(); break;
    case CM_HELP_USER: ShowHelp(USER_MANUAL, {}); break;
    case CM_HELP_PROGREF: ShowHelp(PROGREF_MANUAL, {}); break;
    case CM_HELP_WORD: ShowHelp(PROGREF_MANUAL, e ? e->WordAtCaret() : QString()); break;
    case CM_HELP_ABOUT: ShowAbout(); break;
    default:
        // Everything else belongs to the active child window.
        done = e && RunEditorCommand(id, e);
        break;
    }
    UpdateStatus();
    return done;
}

bool MainFrame::RunEditorCommand(int id, TarnEditChild* e) {
    if (id >= CM_EDIT_SET_BOOKMARK && id <= CM_EDIT_SET_BOOKMARK + 9) {
        e->SetBookmark(id - CM_EDIT_SET_BOOKMARK);
        return true;
    }
    if (id >= CM_EDIT_GOTO_BOOKMARK && id <= CM_EDIT_GOTO_BOOKMARK + 9)
        return e->GoToBookmark(id - CM_EDIT_GOTO_BOOKMARK);
    switch (id) {
    case CM_FILE_SAVE: return e->Save(true);
    case CM_FILE_PRINT: e->Print(); return true;
    case CM_EDIT_CUT: e->Cut(); return true;
    case CM_EDIT_COPY: e->Copy(); return true;
    case CM_EDIT_PASTE: e->Paste(); return true;
    case CM_EDIT_CLEAR: e->Clear(); return true;
    case CM_EDIT_SELECT_WORD: e->SelectWord(); return true;
    case CM_EDIT_SELECT_LINE: e->SelectLine(); return true;
    case CM_EDIT_SELECT_BLOCK: return e->SelectBlock();
    case CM_EDIT_SELECT_ALL:
        e->SetSelection({{1, 1}, {e->LineCount(), e->Engine().LineLength(e->LineCount()) + 1}});
        return true;
    case CM_EDIT_SELECT_GROW: GrowSelection(e); return true;
    case CM_EDIT_DELETE_LINE: e->DeleteCurrentLine(); return true;
    case CM_EDIT_CONTEXT_MENU: {
        QPoint at = e->CaretPoint();
        ShowContextMenu(e, e->viewport()->mapToGlobal(at));
        return true;
    }
    case CM_SEARCH_FIND_AGAIN: return e->FindAgain();
    case CM_SEARCH_GOTO_LINE: e->GoToLineDialog(); return true;
    default: return false;
    }
}

// Word, then line, then block.
void MainFrame::GrowSelection(TarnEditChild* e) {
    EditRange sel = e->Selection();
    if (!e->Engine().HasSelection()) {
        e->SelectWord();
        return;
    }
    EditPos from = sel.From(), to = sel.To();
    bool wholeLine = from.col == 1 && to.col == 1 && to.line == from.line + 1;
    if (from.line == to.line && !wholeLine) {
        e->SetSelection({{from.line, from.col}, {from.line, from.col}});
        e->GoTo(from.line, from.col);
        e->SelectLine();
    } else {
        e->GoTo(from.line, 1);
        e->SelectBlock();
    }
}

void MainFrame::ShowContextMenu(TarnEditChild*, QPoint global) {
    PrepareMenu(MenuId::Edit);
    for (QAction* a : context_->actions()) {
        int id = a->data().toInt();
        if (QAction* cmd = Action(id)) a->setEnabled(cmd->isEnabled());
    }
    context_->popup(global);
    connect(
        context_, &QMenu::aboutToHide, this, [this] { UpdateMenus(); }, Qt::SingleShotConnection);
}

bool MainFrame::eventFilter(QObject* watched, QEvent* ev) {
    for (TarnEditChild* e : Editors()) {
        if (watched != e->viewport()) continue;
        if (ev->type() == QEvent::ContextMenu) {
            ShowContextMenu(e, static_cast<QContextMenuEvent*>(ev)->globalPos());
            return true;
        }
        if (ev->type() == QEvent::MouseButtonDblClick && FlagSetting(project_, "dclick_help")) {
            RunCommand(CM_HELP_WORD);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, ev);
}

// ---- files ----------------------------------------------------------------------------

bool MainFrame::OpenFileCommand() {
    QString path = ChooseFileName(this, false, "Open", QDir::currentPath(), FILE_FILTERS);
    return !path.isEmpty() && OpenFile(path);
}

// The dialog starts at the filter of the file's kind, and keeps its extension for a name
// typed without one.
bool MainFrame::SaveAsCommand(TarnEditChild* e) {
    QString ext = QFileInfo(e->FileName()).suffix();
    int filter = FileFilterFor(e->FileName());
    QString path = ChooseFileName(this, true, "Save As", e->FileName(), FILE_FILTERS,
                                  filter == 4 ? QString() : ext, filter);
    if (path.isEmpty()) return false;
    bool ok = e->SaveAs(path);
    UpdateStatus();
    return ok;
}

void MainFrame::PageSetup() {
    if (QPrinterInfo::availablePrinters().isEmpty() && QPrinterInfo::defaultPrinter().isNull()) {
        ShowMessage(this, MessageIcon::Error, FRAME_TITLE, "Can not get default Page Setup");
        return;
    }
    if (!pageSetup_) pageSetup_ = new QPrinter;
    QPageSetupDialog d(pageSetup_, this);
    d.exec();
}

bool MainFrame::CloseAll() {
    mdi_->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return mdi_->subWindowList().isEmpty();
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

TarnEditChild* MainFrame::ActiveEditor() const {
    QMdiSubWindow* w = mdi_->currentSubWindow();
    return w ? qobject_cast<TarnEditChild*>(w->widget()) : nullptr;
}

QList<TarnEditChild*> MainFrame::Editors() const {
    QList<TarnEditChild*> list;
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (auto* e = qobject_cast<TarnEditChild*>(w->widget())) list << e;
    return list;
}

TarnEditChild* MainFrame::EditorFor(const QString& path) const {
    if (path.isEmpty()) return nullptr;
    QString abs = QFileInfo(path).absoluteFilePath();
    for (TarnEditChild* e : Editors())
        if (e->FileName() == abs || e->FileName() == path) return e;
    return nullptr;
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
    connect(e, &TarnEditChild::CaretMoved, this, [this] { UpdateStatus(); });
    connect(e, &TarnEditChild::Closed, this,
            [this](const QString& path, int line, int col, int top) {
                AddRecentFile(desktop_, {QFile::encodeName(path).toStdString(), unsigned(line),
                                         unsigned(col), unsigned(top)});
            });
    connect(e, &TarnEditChild::StatusMessage, this,
            [this](const QString& t) { statusBar()->showMessage(t, 5000); });
    e->viewport()->installEventFilter(this);
    QMdiSubWindow* w = mdi_->addSubWindow(e);
    w->setAttribute(Qt::WA_DeleteOnClose);
    ReleaseSystemMenuKeys(w);
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
    mdi_->setActiveSubWindow(w);
    e->setFocus();
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
            if (line > 0) e->GoTo(line, std::max(col, 1));
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
    // The places of the last compilation's messages in this file.
    if (messages_) {
        const auto& records = messages_->Model().Records();
        for (size_t i = 0; i < records.size(); ++i)
            if (records[i].line &&
                QFileInfo(QString::fromLocal8Bit(records[i].file)).absoluteFilePath() == abs)
                e->SetMark(int(i) + 1, {int(records[i].line), std::max(1, int(records[i].col))});
    }
    return e;
}

// ---- projects -------------------------------------------------------------------------

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
    if (!CloseAll()) return false;  // a window with changes stayed open
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
    if (FlagSetting(project_, "maxwin"))
        if (QMdiSubWindow* w = mdi_->currentSubWindow()) w->showMaximized();
    return true;
}

void MainFrame::CopySamples() {
    if (settings_.samples != 0) return;
    QDir from(InstallDirectory() + "/samples");
    QStringList files = from.entryList(QDir::Files);
    if (files.isEmpty()) {
        settings_.samples = 1;
    } else {
        QDir to(UserProjectsFolder() + "/samples");
        if (!to.mkpath(".")) return;  // tried again at the next start
        for (const QString& f : files)
            if (!to.exists(f)) QFile::copy(from.filePath(f), to.filePath(f));
        settings_.samples = 2;
    }
    if (auto store = OpenUserSettingsStore()) SaveUserSettings(*store, settings_);
}

bool MainFrame::OpenDefaultProject() {
    Project p = DefaultProject();
    std::string note, error;
    if (!tarn::ide::OpenDefaultProject(p, QFile::encodeName(UserProjectsFolder()).toStdString(),
                                       QFile::encodeName(InstallDirectory()).toStdString(), note,
                                       error)) {
        ShowMessage(this, MessageIcon::Error, FRAME_TITLE, QString::fromLocal8Bit(error));
        return false;
    }
    if (!note.empty())
        ShowMessage(this, MessageIcon::Warning, FRAME_TITLE, QString::fromLocal8Bit(note));
    return OpenProject(QString::fromLocal8Bit(p.path));
}

bool MainFrame::NewProjectCommand() {
    QString path =
        ChooseFileName(this, true, "New Project", QDir::currentPath(), PROJECT_FILTERS, "tpj");
    if (path.isEmpty()) return false;
    if (!path.contains('.')) path += ".tpj";
    WriteDesktop();
    Project p = DefaultProject();
    std::string error;
    QString templ = InstallDirectory() + "/default.tpj";
    if (!NewProject(p, QFile::encodeName(templ).toStdString(),
                    QFile::encodeName(path).toStdString(), error) ||
        !WriteProjectFile(p, error)) {
        ShowMessage(this, MessageIcon::Error, FRAME_TITLE, QString::fromLocal8Bit(error));
        return false;
    }
    if (!CloseAll()) return false;
    project_ = std::move(p);
    QDir::setCurrent(QString::fromLocal8Bit(ProjectDirectory(project_)));
    setWindowTitle(QString("%1 - %2").arg(FRAME_TITLE, QFileInfo(path).fileName()));
    settings_.AddRecentProject(QFileInfo(path).absoluteFilePath());
    desktop_ = Desktop{};
    QString program = QString::fromLocal8Bit(ProgramFile(project_));
    if (QFileInfo::exists(program)) {
        OpenFile(program);
    } else {
        auto* e = new TarnEditChild;
        e->SetFileName(program);
        AddEditor(e);
    }
    return true;
}

bool MainFrame::OpenProjectCommand() {
    QString path =
        ChooseFileName(this, false, "Open Project", QDir::currentPath(), PROJECT_FILTERS);
    return !path.isEmpty() && OpenProject(path);
}

bool MainFrame::ChooseProgramCommand() {
    QString path =
        ChooseFileName(this, false, "Choose Program",
                       QString::fromLocal8Bit(ProjectDirectory(project_)), PROGRAM_FILTERS, "pas");
    if (path.isEmpty()) return false;
    std::string error;
    if (!SetProgramFile(project_, QFile::encodeName(path).toStdString(), error)) {
        ShowMessage(this, MessageIcon::Error, FRAME_TITLE, QString::fromLocal8Bit(error));
        return false;
    }
    if (!project_.path.empty()) WriteProjectFile(project_, error);
    return true;
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
    if (messages_) {
        std::array<QColor, 3> fg, bg;
        for (int t = 0; t < 3; ++t) {
            fg[size_t(t)] = settings_.colors[size_t(t + 1)].foreground;
            bg[size_t(t)] = settings_.colors[size_t(t + 1)].background;
        }
        messages_->Model().SetColors(fg, bg);
    }
    return true;
}

// ---- help and about -------------------------------------------------------------------

void MainFrame::ShowHelp(const char* manual, const QString& word) {
    if (!help_) help_ = new HelpWindow(this);
    // Shown first, so that the place found is scrolled into the window's real size.
    help_->show();
    help_->raise();
    QString path = ManualPath(manual);
    if (word.isEmpty())
        help_->OpenManual(path);
    else
        help_->SearchKeyword(path, word);
}

void MainFrame::ShowAbout() {
    QDialog d(this);
    d.setObjectName("about");
    d.setWindowTitle("About Tarn Pascal");
    auto* layout = new QVBoxLayout(&d);
    auto* logo = new QLabel;
    logo->setObjectName("logo");
    QPixmap pm(InstallDirectory() + "/tarnlogo.bmp");
    if (!pm.isNull()) logo->setPixmap(pm);
    logo->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(VERSION_TEXT);
    version->setObjectName("version");
    version->setAlignment(Qt::AlignCenter);
    auto* edition = new QLabel("(Linux Edition)");
    edition->setAlignment(Qt::AlignCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    layout->addWidget(logo);
    layout->addWidget(version);
    layout->addWidget(edition);
    layout->addWidget(buttons);
    d.exec();
}

// ---- compile and run ------------------------------------------------------------------

TarnMsgChild* MainFrame::EnsureMessageWindow() {
    if (messages_) return messages_;
    bool maximized = mdi_->currentSubWindow() && mdi_->currentSubWindow()->isMaximized();
    messages_ = new TarnMsgChild;
    std::array<QColor, 3> fg, bg;
    for (int t = 0; t < 3; ++t) {
        fg[size_t(t)] = settings_.colors[size_t(t + 1)].foreground;
        bg[size_t(t)] = settings_.colors[size_t(t + 1)].background;
    }
    messages_->Model().SetColors(fg, bg);
    QFont font(settings_.fontName, settings_.fontSize);
    font.setStyleHint(QFont::TypeWriter);
    messages_->SetTextFont(font);
    messages_->Model().SetMarkLookup(
        [this](const MessageRecord& r, int number, uint32_t& line, uint32_t& col) {
            TarnEditChild* e = EditorFor(QString::fromLocal8Bit(r.file));
            if (!e) return false;
            EditPos p = e->Mark(number);
            if (p.line <= 0) return false;
            line = uint32_t(p.line);
            if (col) col = uint32_t(p.col);
            return true;
        });
    connect(messages_, &TarnMsgChild::RecordActivated, this, [this](int row) { GoToMessage(row); });
    connect(messages_, &QObject::destroyed, this, [this] {
        messages_ = nullptr;
        messagesSub_ = nullptr;
    });
    messagesSub_ = mdi_->addSubWindow(messages_);
    messagesSub_->setAttribute(Qt::WA_DeleteOnClose);
    ReleaseSystemMenuKeys(messagesSub_);
    QSize area = mdi_->viewport()->size();
    messagesSub_->resize(area.width(), std::max(120, area.height() / 3));
    messagesSub_->move(0, area.height() - messagesSub_->height());
    if (maximized)
        messagesSub_->showMaximized();
    else
        messagesSub_->show();
    return messages_;
}

bool MainFrame::CompileSource(TarnEditChild*& editor, CompileJob& job) {
    editor = nullptr;
    if (settings_.fileMode) {
        editor = ActiveEditor();
        if (!editor) {
            // The message window may be active: the editor behind it is meant.
            for (QMdiSubWindow* w : mdi_->subWindowList(QMdiArea::ActivationHistoryOrder))
                if (auto* e = qobject_cast<TarnEditChild*>(w->widget())) editor = e;
        }
    } else {
        QString program = QString::fromLocal8Bit(ProgramFile(project_));
        editor = EditorFor(program);
        if (!editor && !program.isEmpty() && QFileInfo::exists(program)) editor = OpenFile(program);
    }
    if (!editor) {
        ShowMessage(this, MessageIcon::Error, FRAME_TITLE, "No file to compile.");
        return false;
    }
    job.source = QFile::encodeName(editor->FileName()).toStdString();
    if (settings_.fileMode) {
        job.output = ReplaceExtension(job.source, settings_.ext.toStdString());
        job.header = settings_.header.toStdString();
    } else {
        job.output = TextSetting(project_, "run").empty() ? "" : ExecutableFile(project_);
        job.header = TextSetting(project_, "header");
    }
    return true;
}

void MainFrame::AddMessage(const MessageRecord& r) {
    if (!messages_ || !messages_->Model().Add(r)) return;
    int number = int(messages_->Model().Records().size());
    if (r.line == 0 || r.file.empty()) return;
    if (TarnEditChild* e = EditorFor(QString::fromLocal8Bit(r.file)))
        e->SetMark(number, {int(r.line), std::max(1, int(r.col))});
}

bool MainFrame::Compile() {
    if (compiling_) return false;
    TarnEditChild* editor = nullptr;
    CompileJob job;
    if (!CompileSource(editor, job)) return false;
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (w->widget() == editor) mdi_->setActiveSubWindow(w);
    if (editor->IsModified()) {
        QString q = QString("'%1' has unsaved changes.\nDo you want to save before compiling?")
                        .arg(editor->FileName());
        switch (AskYesNoCancel(this, FRAME_TITLE, q)) {
        case Answer::Cancel: return false;
        case Answer::Yes:
            if (!editor->Save(false)) return false;
            break;
        case Answer::No: break;
        }
    }
    EnsureMessageWindow();
    statusBar()->showMessage("Compiling...");
    mdi_->setActiveSubWindow(messagesSub_);
    messages_->Model().Clear();
    for (TarnEditChild* e : Editors())
        for (int n = FIRST_MESSAGE_MARK; n < FIRST_MESSAGE_MARK + int(MAX_MESSAGE_RECORDS); ++n)
            e->SetMark(n, {0, 0});
    messages_->repaint();

    // The compiler runs with floating-point traps on; the messages are shown after it ends,
    // so that no window code runs meanwhile.
    std::vector<MessageRecord> received;
    compiling_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CompileOutcome outcome =
        RunCompiler(job, project_, [&received](const MessageRecord& r) { received.push_back(r); });
    QApplication::restoreOverrideCursor();
    compiling_ = false;
    lastCompile_ = outcome;
    if (!outcome.started) {
        ShowMessage(this, MessageIcon::Error, FRAME_TITLE, QString::fromLatin1(outcome.failure));
        statusBar()->showMessage(IDLE_TEXT);
        return false;
    }
    for (const MessageRecord& r : received) AddMessage(r);
    if (messages_->Model().rowCount() > 0) messages_->scrollToBottom();
    statusBar()->showMessage(outcome.errors ? "Compilation failed" : "Compilation done", 5000);
    return true;
}

bool MainFrame::GoToMessage(int row) {
    if (!messages_) return false;
    const auto& records = messages_->Model().Records();
    if (row < 0 || row >= int(records.size())) return false;
    MessageRecord r = records[size_t(row)];
    bool placed = r.kind == tpc::MsgKind::FATAL || r.kind == tpc::MsgKind::ERROR ||
                  r.kind == tpc::MsgKind::WARNING;
    if (!placed || r.line == 0 || r.file.empty()) return false;
    QString file = QString::fromLocal8Bit(r.file);
    TarnEditChild* e = EditorFor(file);
    if (!e) e = OpenFile(file);
    if (!e) return false;
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (w->widget() == e) mdi_->setActiveSubWindow(w);
    statusBar()->showMessage(QString::fromLocal8Bit(r.text));
    EditPos p = e->Mark(row + 1);
    if (p.line <= 0) p = {int(r.line), std::max(1, int(r.col))};
    e->GoTo(p.line, p.col);
    e->setFocus();
    UpdateStatus();
    return true;
}

QString MainFrame::RunTarget() const {
    if (settings_.fileMode) {
        TarnEditChild* e = ActiveEditor();
        if (!e) return {};
        return QString::fromLocal8Bit(ReplaceExtension(
            QFile::encodeName(e->FileName()).toStdString(), settings_.ext.toStdString()));
    }
    std::string source = ProgramFile(project_);
    if (source.empty()) return {};
    if (!TextSetting(project_, "run").empty())
        return QString::fromLocal8Bit(ExecutableFile(project_));
    return QString::fromLocal8Bit(ReplaceExtension(source, ".tvm"));
}

bool MainFrame::ImageOutOfDate() const {
    QString image = RunTarget();
    QFileInfo img(image);
    if (image.isEmpty() || !img.exists()) return true;
    QDateTime t = img.lastModified();
    if (settings_.fileMode) {
        TarnEditChild* e = ActiveEditor();
        return !e || !OlderThan(QFileInfo(e->FileName()), t);
    }
    if (!project_.path.empty() && !OlderThan(QFileInfo(QString::fromLocal8Bit(project_.path)), t))
        return true;
    QStringList sources = RecordedSources(image);
    QString program = QString::fromLocal8Bit(ProgramFile(project_));
    if (sources.isEmpty()) sources << program;
    for (const QString& s : sources) {
        QString abs = QFileInfo(s).isAbsolute()
                          ? s
                          : QString::fromLocal8Bit(ResolveProjectPath(project_, s.toStdString()));
        QFileInfo fi(abs);
        if (!fi.exists() || !OlderThan(fi, t)) return true;
        if (TarnEditChild* e = EditorFor(abs); e && e->IsModified()) return true;
    }
    return false;
}

bool MainFrame::Run() {
    if (console_ && console_->Running()) {
        console_->raise();
        console_->activateWindow();
        return false;
    }
    QString image = RunTarget();
    if (image.isEmpty() && !settings_.fileMode && ProgramFile(project_).empty()) {
        ShowMessage(this, MessageIcon::Error, FRAME_TITLE, "No file to compile.");
        return false;
    }
    if (image.isEmpty()) {
        ShowMessage(this, MessageIcon::Error, FRAME_TITLE, CANNOT_COMPILE_NAME);
        return false;
    }
    if (QFile::encodeName(image).size() > int(MAX_COMMAND_PIECE)) {
        ShowMessage(this, MessageIcon::Error, FRAME_TITLE, INVALID_OUTPUT_NAME);
        return false;
    }
    QString args =
        settings_.fileMode ? settings_.args : QString::fromLocal8Bit(TextSetting(project_, "args"));
    if (ImageOutOfDate()) {
        if (!Compile()) return false;
        image = lastCompile_.output.empty() ? image : QString::fromLocal8Bit(lastCompile_.output);
        if (!QFileInfo::exists(image)) return false;
    }
    QString program;
    QStringList argv;
    if (image.endsWith(".exe", Qt::CaseInsensitive)) {
        program = QFileInfo(image).absoluteFilePath();
        argv << program;
    } else {
        program = InstallDirectory() + "/tvm";
        argv << program << QFileInfo(image).absoluteFilePath();
    }
    if (QFile::encodeName(program).size() > int(MAX_COMMAND_PIECE) ||
        QFile::encodeName(args).size() > int(MAX_COMMAND_PIECE)) {
        ShowMessage(this, MessageIcon::Error, FRAME_TITLE, "Command line is too long");
        return false;
    }
    argv << QProcess::splitCommand(args);
    if (console_) console_->close();
    console_ = new TarnConsole(this);
    if (!console_->Start(program, argv, QDir::currentPath(), image)) {
        ShowMessage(this, MessageIcon::Error, FRAME_TITLE, "Can not start " + program);
        console_->close();
        return false;
    }
    console_->show();
    console_->raise();
    console_->activateWindow();
    console_->setFocus();
    return true;
}

// ---- shut-down ------------------------------------------------------------------------

void MainFrame::closeEvent(QCloseEvent* ev) {
    WriteDesktop();
    bool maximized = mdi_->currentSubWindow() && mdi_->currentSubWindow()->isMaximized();
    if (!CloseAll()) {
        ev->ignore();
        return;
    }
    if (!project_.path.empty()) {
        SetFlagSetting(project_, "maxwin", maximized);
        std::string error;
        WriteProjectFile(project_, error);
    }
    settings_.maximized = isMaximized();
    if (auto store = OpenUserSettingsStore()) SaveUserSettings(*store, settings_);
    if (help_) help_->close();
    if (console_) console_->close();
    if (find_) find_->close();
    ev->accept();
}

}  // namespace tarn::ide
