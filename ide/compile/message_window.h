// TarnMsgChild, the "Compiler Messages" window: one line per message record of the last
// compilation, drawn in the colours of its text type, the selected one with foreground
// and background swapped. Enter or a double-click goes to the message's place.
#pragma once

#include <QAbstractListModel>
#include <QColor>
#include <QListView>
#include <array>
#include <functional>
#include <vector>

#include "ide/compile/ide_compiler.h"

namespace tarn::ide {

inline const char* MESSAGE_WINDOW_TITLE = "Compiler Messages";

// Where a record's place is now: the mark of its number in the editor that has its file,
// when there is one; false to use the record's own line and column.
using MarkLookup =
    std::function<bool(const MessageRecord& r, int number, uint32_t& line, uint32_t& col)>;

// The record list; each row's text is built when it is shown, so that positions follow
// the marks.
class MessageModel : public QAbstractListModel {
    Q_OBJECT
public:
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Adds a record numbered count + 1; false (nothing stored) when 170 are stored.
    bool Add(const MessageRecord& r);
    void Clear();
    const std::vector<MessageRecord>& Records() const { return records_; }
    // The text of row `row` as the window shows it.
    QString LineText(int row) const;
    void SetMarkLookup(MarkLookup m) { lookup_ = std::move(m); }
    // Colours of the information, warning and error text types.
    void SetColors(const std::array<QColor, 3>& fg, const std::array<QColor, 3>& bg);

private:
    int TypeOf(const MessageRecord& r) const;
    std::vector<MessageRecord> records_;
    MarkLookup lookup_;
    std::array<QColor, 3> fg_{QColor(0, 0, 128), QColor(160, 96, 0), QColor(192, 0, 0)};
    std::array<QColor, 3> bg_{Qt::white, Qt::white, Qt::white};
};

class TarnMsgChild : public QListView {
    Q_OBJECT
public:
    explicit TarnMsgChild(QWidget* parent = nullptr);
    MessageModel& Model() { return model_; }
    int SelectedRecord() const;  // 0-based, -1 for none
    void SelectRecord(int row);
    void SetTextFont(const QFont& f);

signals:
    // Enter or double-click on a record (0-based row).
    void RecordActivated(int row);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    MessageModel model_;
};

}  // namespace tarn::ide
