// The "Project Options" sheet: six pages whose controls are filled from the project's
// setting rows and stored back into them on OK, after which the project file is written.
// Every control's object name is the key of its row.
#pragma once

#include <QDialog>
#include <QSpinBox>
#include <utility>
#include <vector>

#include "ide/project/project.h"

class QCheckBox;
class QLineEdit;
class QTabWidget;

namespace tarn::ide {

// The alignment control: steps 1 -> 2 -> 4 -> 8 and back (0, which only a project file
// can hold, steps to 1).
class AlignSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    void stepBy(int steps) override;
};

class ProjectOptionsDialog : public QDialog {
    Q_OBJECT
public:
    ProjectOptionsDialog(Project& project, QWidget* parent = nullptr);
    QTabWidget* Pages() const { return pages_; }
    // The checks and the storing of OK; false (with the message shown) when a value is
    // out of range.
    bool Store();

public slots:
    void accept() override;

private:
    QWidget* WarningsPage();
    QWidget* ExtensionsPage();
    QWidget* RunTimePage();
    QWidget* CodeGenPage();
    QWidget* EnvironmentPage();
    QWidget* MiscPage();
    QCheckBox* Check(const char* key, const QString& label);
    QLineEdit* Edit(const char* key, const QString& text);
    bool Invalid(QWidget* control, const char* message);

    Project& project_;
    QTabWidget* pages_;
    std::vector<std::pair<QCheckBox*, const char*>> checks_;
    std::vector<std::pair<QLineEdit*, const char*>> texts_;  // text rows
    QLineEdit* stack_;
    QLineEdit* maxErrors_;
    QLineEdit* maxWarnings_;
    AlignSpinBox* align_;
    QSpinBox* tabSize_;
};

}  // namespace tarn::ide
