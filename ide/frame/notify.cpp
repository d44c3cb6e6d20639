// Message boxes, or the hooks that stand in for them.
#include "ide/frame/notify.h"

#include <QFileDialog>
#include <QMessageBox>

namespace tarn::ide {

namespace {
MessageHooks gHooks;
}

void SetMessageHooks(MessageHooks hooks) { gHooks = std::move(hooks); }

void ShowMessage(QWidget* parent, MessageIcon icon, const QString& title, const QString& text) {
    if (gHooks.show) {
        gHooks.show(icon, title, text);
        return;
    }
    switch (icon) {
    case MessageIcon::Information: QMessageBox::information(parent, title, text); break;
    case MessageIcon::Warning: QMessageBox::warning(parent, title, text); break;
    case MessageIcon::Error: QMessageBox::critical(parent, title, text); break;
    }
}

Answer AskYesNoCancel(QWidget* parent, const QString& title, const QString& text) {
    if (gHooks.ask) return gHooks.ask(title, text);
    auto b = QMessageBox::question(parent, title, text,
                                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return b == QMessageBox::Yes ? Answer::Yes : b == QMessageBox::No ? Answer::No : Answer::Cancel;
}

QString ChooseFileName(QWidget* parent, bool save, const QString& title, const QString& dir,
                       const QString& filters, const QString& defaultSuffix, int filter) {
    if (gHooks.choose) return gHooks.choose(save, title, filters);
    QFileDialog d(parent, title, dir, filters);
    d.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!defaultSuffix.isEmpty()) d.setDefaultSuffix(defaultSuffix);
    QStringList list = filters.split(";;");
    if (filter > 0 && filter < list.size()) d.selectNameFilter(list[filter]);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
    return d.selectedFiles().first();
}

}  // namespace tarn::ide
