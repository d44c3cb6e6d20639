// The frame window of tpidew: menus, toolbar and status bar built from the command table,
// an MDI area of editor windows and the "Compiler Messages" window, the current project
// and the user's settings. Every command goes through RunCommand.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <map>

#include "ide/compile/ide_compiler.h"
#include "ide/editor/edit_window.h"
#include "ide/frame/commands.h"
#include "ide/project/desktop.h"
#include "ide/project/project.h"
#include "ide/settings/user_settings.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;

namespace tarn::ide {

class TarnMsgChild;
class TarnConsole;
class HelpWindow;

// What the active child window is; the menus follow it.
enum class ChildKind { None, Editor, Messages };

inline const char* IDLE_TEXT = "Ready";
inline const char* FILE_FILTERS =
    "Pascal source (*.pas *.p *.inc);;Text files (*.txt);;HTML files (*.html *.htm *.shtml);;"
    "C source (*.c *.cpp *.h *.hpp);;All Files (*)";
// The filter (0-based in FILE_FILTERS) of a file's kind: Pascal source for ".pas", ".p",
// ".inc", then text, HTML, C source, and All Files for anything else (any case).
int FileFilterFor(const QString& path);
inline const char* PROJECT_FILTERS = "Project file (*.tpj);;All Files (*)";
inline const char* PROGRAM_FILTERS = "Pascal source (*.pas *.p)";

class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit MainFrame(QWidget* parent = nullptr);
    ~MainFrame() override;

    // Carries out a command of the command table (or passes it to the active child).
    // Returns false when the command could not be carried out or was cancelled.
    bool RunCommand(int id);
    QAction* Action(int id) const;
    QMenu* Menu(MenuId m) const;
    // The context menu of an editor window (menu 103).
    QMenu* ContextMenu() const { return context_; }
    // Runs the preparation a drop-down menu gets when it opens (and that ends when it
    // closes): recent entries, and Cut/Copy/Clear/Paste/Find Again by the editor's state.
    void PrepareMenu(MenuId m);
    void EndMenu(MenuId m);

    TarnEditChild* NewFile();
    // Opens a file in a new window (or shows the window that has it) at a caret position.
    TarnEditChild* OpenFile(const QString& path, int line = 0, int col = 0, int top = 0);
    // Closes every child window; false when the user cancelled a save question.
    bool CloseAll();
    // Closes every window, reads the project and reopens its desktop ("Can not open
    // project file" when it cannot be read).
    bool OpenProject(const QString& path);
    // The per-user default project, copied from beside the program when missing.
    bool OpenDefaultProject();
    // Writes the desktop file of the current project.
    void WriteDesktop();
    // Copies the "samples" folder beside the program into the per-user projects folder,
    // once (the "Samples" setting records that it was done, or that there was nothing).
    void CopySamples();

    ChildKind ActiveKind() const;
    TarnEditChild* ActiveEditor() const;
    QList<TarnEditChild*> Editors() const;
    TarnEditChild* EditorFor(const QString& path) const;
    TarnMsgChild* MessageWindow() const { return messages_; }
    TarnConsole* Console() const;
    HelpWindow* Help() const;
    Project& CurrentProject() { return project_; }
    const Desktop& RecentFiles() const { return desktop_; }
    UserSettings& Settings() { return settings_; }
    // The status bar's parts 1 to 3: " line:col", " Insert"/" Overwrite", " Modified".
    QStringList StatusParts() const;
    // Sends the project's editor settings (ts, ut, ai, bak) and the user's font and colours
    // to a window.
    void ApplyEditorSettings(TarnEditChild* e);

    bool EditProjectOptions();
    bool EditPreferences();
    // The find or replace dialog (one at a time, modeless) for the active window.
    void ShowFindDialog(bool replace);

    // Compile: returns true when the compiler could be started. Run: makes the image up to
    // date and starts it in the console window; true when the program was started.
    bool Compile();
    bool Run();
    // The outcome of the last compilation.
    const CompileOutcome& LastCompile() const { return lastCompile_; }
    // Goes to the place of message record `row` (0-based) of the message window.
    bool GoToMessage(int row);
    // The image the next Run would start, and whether Run would compile it first.
    QString RunTarget() const;
    bool ImageOutOfDate() const;

    // The directory of the program (tvm, the help files, the installed default project).
    static QString InstallDirectory();
    // The help manual file of that name beside the program.
    static QString ManualPath(const char* name);

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void CreateCommands();
    void CreateToolBar();
    void CreateStatusBar();
    void UpdateMenus();
    void UpdateStatus();
    void RebuildRecentFiles(QMenu* m);
    void RebuildRecentProjects(QMenu* m);
    void RebuildWindowMenu(QMenu* m);
    bool RunEditorCommand(int id, TarnEditChild* e);
    bool OpenFileCommand();
    bool SaveAsCommand(TarnEditChild* e);
    bool NewProjectCommand();
    bool OpenProjectCommand();
    bool ChooseProgramCommand();
    void PageSetup();
    void ShowContextMenu(TarnEditChild* e, QPoint global);
    void ShowAbout();
    void ShowHelp(const char* manual, const QString& word);
    void GrowSelection(TarnEditChild* e);
    TarnEditChild* AddEditor(TarnEditChild* e);
    TarnMsgChild* EnsureMessageWindow();
    // The source, output and header of a compilation in the current mode; false with a
    // message shown when there is nothing to compile.
    bool CompileSource(TarnEditChild*& editor, CompileJob& job);
    void AddMessage(const MessageRecord& r);

    QMdiArea* mdi_;
    QLabel* caret_;
    QLabel* mode_;
    QLabel* modified_;
    QMenu* context_ = nullptr;
    std::map<int, QAction*> actions_;
    std::map<MenuId, QMenu*> menus_;
    QList<QAction*> recentActions_;
    TarnMsgChild* messages_ = nullptr;
    QMdiSubWindow* messagesSub_ = nullptr;
    QPointer<TarnConsole> console_;
    QPointer<HelpWindow> help_;
    class FindDialog* find_ = nullptr;
    QPrinter* pageSetup_ = nullptr;
    Project project_;
    Desktop desktop_;  // the recent files of the project; its open windows are the MDI's
    UserSettings settings_;
    CompileOutcome lastCompile_;
    bool compiling_ = false;
};

}  // namespace tarn::ide
