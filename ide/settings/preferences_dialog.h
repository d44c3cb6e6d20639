// The "User Preferences" sheet: the "Text" page (font, and the colours of the editor and
// the three message kinds, each with a sample) and the "Executable" page (file mode and
// its extension, arguments and header). OK stores into the UserSettings it was given.
#pragma once

#include <QDialog>

#include "ide/settings/user_settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace tarn::ide {

class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    PreferencesDialog(UserSettings& settings, QWidget* parent = nullptr);
    QTabWidget* Pages() const { return pages_; }
    // The checks and storing of OK; false (message shown) when the extension is unusable.
    bool Store();
    // The extension as it is stored: a period put in front when missing; empty when that
    // would make it longer than a path may be.
    static QString NormalisedExtension(const QString& typed);

    // Colour and font choices, as the dialogs behind the buttons make them.
    void SetTextColor(TextType t, bool foreground, const QColor& c);
    void SetTextFont(const QFont& f);
    QLabel* Sample(TextType t) const { return samples_[int(t)]; }

public slots:
    void accept() override;

private:
    QWidget* TextPage();
    QWidget* ExecutablePage();
    void ShowSamples();
    void FileModeChanged();

    UserSettings& settings_;
    UserSettings edited_;
    QTabWidget* pages_;
    QLabel* samples_[TEXT_TYPES];
    QLabel* fontLabel_;
    QListWidget* types_;
    QCheckBox* fileMode_;
    QComboBox* ext_;
    QLineEdit* args_;
    QLineEdit* header_;
};

}  // namespace tarn::ide
