// What the IDE's Qt tests share: the message boxes replaced by a recorder that answers
// questions as the test says, and a scratch directory.
#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "ide/frame/notify.h"

namespace tarn::ide::test {

struct MessageRecorder {
    QStringList shown;  // "title|text"
    QStringList asked;
    Answer answer = Answer::Cancel;
    QString chosen;  // what the file dialogs answer ("" = cancelled)
    QStringList dialogs;  // "save|title|filters" of each file dialog

    MessageRecorder() {
        SetMessageHooks({[this](MessageIcon, const QString& title, const QString& text) {
                             shown << title + "|" + text;
                         },
                         [this](const QString&, const QString& text) {
                             asked << text;
                             return answer;
                         },
                         [this](bool save, const QString& title, const QString& filters) {
                             dialogs << QString("%1|%2|%3").arg(int(save)).arg(title, filters);
                             return chosen;
                         }});
    }
    ~MessageRecorder() { SetMessageHooks({}); }
    bool Saw(const QString& part) const {
        for (const QString& s : shown)
            if (s.contains(part)) return true;
        return false;
    }
    int Count(const QString& part) const {
        int n = 0;
        for (const QString& s : shown) n += s.contains(part);
        return n;
    }
};

inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void WriteFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(data);
}

}  // namespace tarn::ide::test
