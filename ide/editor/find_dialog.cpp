// The Find and Replace dialog.
#include "ide/editor/find_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ide/editor/edit_window.h"

namespace tarn::ide {

FindDialog::FindDialog(bool replace, std::function<TarnEditChild*()> target, QWidget* parent)
    : QDialog(parent), target_(std::move(target)) {
    setModal(false);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Fi&nd what:"), 0, 0);
    grid->addWidget(findText = new QLineEdit, 0, 1);
    replaceLabel_ = new QLabel("Re&place with:");
    grid->addWidget(replaceLabel_, 1, 0);
    grid->addWidget(replaceText = new QLineEdit, 1, 1);
    matchCase = new QCheckBox("Match &case");
    wholeWord = new QCheckBox("Match &whole word only");
    auto* direction = new QGroupBox("Direction");
    auto* dirLayout = new QHBoxLayout(direction);
    dirLayout->addWidget(up = new QRadioButton("&Up"));
    dirLayout->addWidget(down = new QRadioButton("&Down"));
    down->setChecked(true);
    auto* options = new QVBoxLayout;
    options->addWidget(wholeWord);
    options->addWidget(matchCase);
    auto* lower = new QHBoxLayout;
    lower->addLayout(options);
    lower->addWidget(direction);
    auto* left = new QVBoxLayout;
    left->addLayout(grid);
    left->addLayout(lower);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(findNext = new QPushButton("&Find Next"));
    buttons->addWidget(replaceOne = new QPushButton("&Replace"));
    buttons->addWidget(replaceAll = new QPushButton("Replace &All"));
    auto* cancel = new QPushButton("Cancel");
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* all = new QHBoxLayout(this);
    all->addLayout(left);
    all->addLayout(buttons);
    findNext->setDefault(true);

    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    connect(findNext, &QPushButton::clicked, this, [this] {
        if (TarnEditChild* e = target_()) e->Find(findText->text(), Flags());
    });
    connect(replaceOne, &QPushButton::clicked, this, [this] {
        if (TarnEditChild* e = target_())
            e->Replace(findText->text(), replaceText->text(), Flags());
    });
    connect(replaceAll, &QPushButton::clicked, this, [this] {
        if (TarnEditChild* e = target_())
            e->ReplaceAll(findText->text(), replaceText->text(), Flags());
    });
    SetReplaceMode(replace);
}

void FindDialog::SetReplaceMode(bool replace) {
    replaceMode_ = replace;
    setWindowTitle(replace ? "Replace" : "Find");
    replaceLabel_->setVisible(replace);
    replaceText->setVisible(replace);
    replaceOne->setVisible(replace);
    replaceAll->setVisible(replace);
    up->parentWidget()->setVisible(!replace);  // Replace works downward
}

int FindDialog::Flags() const {
    int f = 0;
    if (down->isChecked() || replaceMode_) f |= SEARCH_DOWN;
    if (matchCase->isChecked()) f |= SEARCH_MATCH_CASE;
    if (wholeWord->isChecked()) f |= SEARCH_WHOLE_WORD;
    return f;
}

}  // namespace tarn::ide
