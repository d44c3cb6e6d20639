// The help viewer.
#include "ide/help/help_window.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace tarn::ide {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpWindow");
    setWindowTitle("Tarn Pascal Help");
    browser_ = new QTextBrowser;
    browser_->setOpenExternalLinks(true);
    search_ = new QLineEdit;
    search_->setObjectName("keyword");
    search_->setPlaceholderText("Keyword");
    auto* go = new QPushButton("&Search");
    auto* back = new QPushButton("&Back");
    auto* contents = new QPushButton("C&ontents");
    note_ = new QLabel;
    auto* bar = new QHBoxLayout;
    bar->addWidget(back);
    bar->addWidget(contents);
    bar->addWidget(new QLabel("Search for:"));
    bar->addWidget(search_, 1);
    bar->addWidget(go);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);
    layout->addWidget(note_);
    connect(go, &QPushButton::clicked, this, &HelpWindow::SearchTyped);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    back->setEnabled(false);
    connect(contents, &QPushButton::clicked, this, [this] {
        browser_->scrollToAnchor("contents");
        browser_->moveCursor(QTextCursor::Start);
    });
    connect(search_, &QLineEdit::returnPressed, this, &HelpWindow::SearchTyped);
    resize(760, 640);
}

bool HelpWindow::Load(const QString& path) {
    if (!QFileInfo::exists(path)) {
        note_->setText(QString("The help file %1 is missing.").arg(path));
        return false;
    }
    if (current_ != path) {
        browser_->setSource(QUrl::fromLocalFile(path));
        current_ = path;
    }
    note_->clear();
    return true;
}

bool HelpWindow::OpenManual(const QString& path) {
    if (!Load(path)) return false;
    browser_->scrollToAnchor("contents");
    browser_->moveCursor(QTextCursor::Start);
    return true;
}

bool HelpWindow::SearchKeyword(const QString& path, const QString& word) {
    if (!Load(path)) return false;
    search_->setText(word);
    if (word.isEmpty()) return false;
    QTextDocument* doc = browser_->document();
    QRegularExpression whole("\\b" + QRegularExpression::escape(word) + "\\b",
                             QRegularExpression::CaseInsensitiveOption);
    // The index entry first: the anchor "kw-" + the word marks the word's main place.
    QString lower = word.toLower();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            QTextFragment f = it.fragment();
            if (!f.charFormat().anchorNames().contains("kw-" + lower)) continue;
            QTextCursor c = doc->find(whole, f.position());
            if (c.isNull()) continue;
            ShowFound(c);
            note_->clear();
            return true;
        }
    }
    // Then a heading that names it.
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().headingLevel() == 0) continue;
        QRegularExpressionMatch m = whole.match(b.text());
        if (m.hasMatch()) {
            QTextCursor c(b);
            c.setPosition(b.position() + int(m.capturedStart()));
            c.setPosition(b.position() + int(m.capturedEnd()), QTextCursor::KeepAnchor);
            ShowFound(c);
            note_->clear();
            return true;
        }
    }
    QTextCursor c = doc->find(whole);
    if (c.isNull()) {
        note_->setText(QString("'%1' was not found in this manual.").arg(word));
        return false;
    }
    ShowFound(c);
    note_->clear();
    return true;
}

// The place found, selected and scrolled to the upper part of the window once the text is
// laid out.
void HelpWindow::ShowFound(const QTextCursor& c) {
    browser_->setTextCursor(c);
    auto scroll = [b = browser_] {
        QScrollBar* bar = b->verticalScrollBar();
        bar->setValue(bar->value() + b->cursorRect().top() - b->viewport()->height() / 4);
    };
    scroll();
    QTimer::singleShot(0, browser_, scroll);
}

void HelpWindow::SearchTyped() {
    if (!current_.isEmpty()) SearchKeyword(current_, search_->text().trimmed());
}

}  // namespace tarn::ide
