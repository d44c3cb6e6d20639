// The modeless Find and Replace dialog (one at a time). It acts on whichever editor window
// the frame says is active.
#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarn::ide {

class TarnEditChild;

class FindDialog : public QDialog {
    Q_OBJECT
public:
    FindDialog(bool replace, std::function<TarnEditChild*()> target, QWidget* parent = nullptr);
    void SetReplaceMode(bool replace);
    int Flags() const;

    QLineEdit* findText;
    QLineEdit* replaceText;
    QCheckBox* matchCase;
    QCheckBox* wholeWord;
    QRadioButton* up;
    QRadioButton* down;
    QPushButton* findNext;
    QPushButton* replaceOne;
    QPushButton* replaceAll;

private:
    std::function<TarnEditChild*()> target_;
    QWidget* replaceLabel_;
    bool replaceMode_ = false;
};

}  // namespace tarn::ide
