// The IDE's help viewer: the HTML manuals that lie beside the program ("user.html",
// "progref.html"), shown at their contents or searched for a keyword. A keyword is looked
// up in the manual's headings and index entries first, then in its text.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QTextCursor;

namespace tarn::ide {

inline const char* USER_MANUAL = "user.html";
inline const char* PROGREF_MANUAL = "progref.html";

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Opens a manual at its contents; false (and a note in the window) when it is missing.
    bool OpenManual(const QString& path);
    // Opens the manual and goes to the first place that names the word: a heading or an
    // index entry with that text, else the first whole-word occurrence. False when the
    // word is not there.
    bool SearchKeyword(const QString& path, const QString& word);
    QTextBrowser* Browser() const { return browser_; }
    QString CurrentManual() const { return current_; }

private:
    bool Load(const QString& path);
    void ShowFound(const QTextCursor& c);
    void SearchTyped();

    QTextBrowser* browser_;
    QLineEdit* search_;
    QLabel* note_;
    QString current_;
};

}  // namespace tarn::ide
