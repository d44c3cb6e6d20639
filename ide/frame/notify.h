// Message boxes and questions of the IDE, all through one pair of hooks so that tests can
// answer them and record what was shown instead of blocking on a modal box.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tarn::ide {

inline const char* FRAME_TITLE = "Tarn Pascal (Linux Edition)";

enum class MessageIcon { Information, Warning, Error };
enum class Answer { Yes, No, Cancel };

void ShowMessage(QWidget* parent, MessageIcon icon, const QString& title, const QString& text);
Answer AskYesNoCancel(QWidget* parent, const QString& title, const QString& text);
// A file dialog: an existing file to open, or a name to save under; "" when cancelled.
// `filters` are separated by ";;"; `filter` (0-based) is the one shown first, and a name
// typed without an extension gets `defaultSuffix`.
QString ChooseFileName(QWidget* parent, bool save, const QString& title, const QString& dir,
                       const QString& filters, const QString& defaultSuffix = {}, int filter = 0);

struct MessageHooks {
    std::function<void(MessageIcon, const QString& title, const QString& text)> show;
    std::function<Answer(const QString& title, const QString& text)> ask;
    // Stands in for the file dialogs: gets save/open, the title and the filters.
    std::function<QString(bool save, const QString& title, const QString& filters)> choose;
};
// Replaces the message boxes; empty hooks put the boxes back.
void SetMessageHooks(MessageHooks hooks);

}  // namespace tarn::ide
