// The frame window of tpidew: an MDI area of editor windows, the current project and the
// user's settings. For now it opens the files and projects named on the command line; the
// menus, toolbar and commands build on it.
#pragma once

#include <QMainWindow>

#include "ide/editor/edit_window.h"
#include "ide/project/desktop.h"
#include "ide/project/project.h"
#include "ide/settings/user_settings.h"

class QLabel;
class QMdiArea;

namespace tarn::ide {

class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit MainFrame(QWidget* parent = nullptr);
    ~MainFrame() override;

    TarnEditChild* NewFile();
    // Opens a file in a new window (or shows the window that has it) at a caret position.
    TarnEditChild* OpenFile(const QString& path, int line = 0, int col = 0, int top = 0);
    // Closes every window, reads the project and reopens its desktop ("Can not open
    // project file" when it cannot be read).
    bool OpenProject(const QString& path);
    // The per-user default project, copied from beside the program when missing.
    bool OpenDefaultProject();
    // Writes the desktop file of the current project.
    void WriteDesktop();

    TarnEditChild* ActiveEditor() const;
    QList<TarnEditChild*> Editors() const;
    Project& CurrentProject() { return project_; }
    const Desktop& RecentFiles() const { return desktop_; }
    UserSettings& Settings() { return settings_; }
    // Sends the project's editor settings (ts, ut, ai, bak) and the user's font and colours
    // to a window.
    void ApplyEditorSettings(TarnEditChild* e);

    // The Project Options sheet; on OK the project file is written and the editor settings
    // go to the windows. The User Preferences sheet; on OK the settings are saved and the
    // font and colours go to the windows.
    bool EditProjectOptions();
    bool EditPreferences();
    // The find or replace dialog (one at a time, modeless) for the active window.
    void ShowFindDialog(bool replace);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void CreateAccelerators();
    TarnEditChild* AddEditor(TarnEditChild* e);
    void ShowCaret(int line, int col);

    QMdiArea* mdi_;
    QLabel* caret_;
    class FindDialog* find_ = nullptr;
    Project project_;
    Desktop desktop_;  // the recent files of the project; its open windows are the MDI's
    UserSettings settings_;
};

}  // namespace tarn::ide
