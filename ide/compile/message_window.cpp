// The "Compiler Messages" window.
#include "ide/compile/message_window.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace tarn::ide {

namespace {

using tpc::MsgKind;

// Rows are drawn in their own colours; the selected row swaps them.
class RecordDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QColor fg = index.data(Qt::ForegroundRole).value<QColor>();
        QColor bg = index.data(Qt::BackgroundRole).value<QColor>();
        if (option.state & QStyle::State_Selected) std::swap(fg, bg);
        p->fillRect(option.rect, bg);
        p->setPen(fg);
        p->setFont(option.font);
        p->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                    index.data(Qt::DisplayRole).toString());
    }
};

}  // namespace

int MessageModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(records_.size());
}

int MessageModel::TypeOf(const MessageRecord& r) const {
    switch (r.kind) {
    case MsgKind::FATAL:
    case MsgKind::ERROR: return 2;
    case MsgKind::WARNING: return 1;
    default: return 0;
    }
}

QString MessageModel::LineText(int row) const {
    if (row < 0 || row >= int(records_.size())) return {};
    const MessageRecord& r = records_[size_t(row)];
    QString s;
    if (r.kind == MsgKind::FATAL || r.kind == MsgKind::ERROR)
        s = "ERROR: ";
    else if (r.kind == MsgKind::WARNING)
        s = "WARNING: ";
    bool placed = r.kind != MsgKind::INFORM && r.kind != MsgKind::TRACE;
    uint32_t line = r.line, col = r.col;
    if (placed && line != 0) {
        if (lookup_) lookup_(r, row + 1, line, col);
        s += col ? QString("(%1,%2): ").arg(line).arg(col) : QString("(%1): ").arg(line);
    }
    return s + QString::fromLocal8Bit(r.text);
}

QVariant MessageModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(records_.size())) return {};
    const MessageRecord& r = records_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole: return LineText(index.row());
    case Qt::ForegroundRole: return fg_[size_t(TypeOf(r))];
    case Qt::BackgroundRole: return bg_[size_t(TypeOf(r))];
    default: return {};
    }
}

bool MessageModel::Add(const MessageRecord& r) {
    if (records_.size() >= MAX_MESSAGE_RECORDS) return false;
    int row = int(records_.size());
    beginInsertRows({}, row, row);
    records_.push_back(r);
    endInsertRows();
    return true;
}

void MessageModel::Clear() {
    beginResetModel();
    records_.clear();
    endResetModel();
}

void MessageModel::SetColors(const std::array<QColor, 3>& fg, const std::array<QColor, 3>& bg) {
    fg_ = fg;
    bg_ = bg;
    if (!records_.empty()) emit dataChanged(index(0), index(int(records_.size()) - 1));
}

TarnMsgChild::TarnMsgChild(QWidget* parent) : QListView(parent) {
    setWindowTitle(MESSAGE_WINDOW_TITLE);
    setObjectName("TarnMsgChild");
    setModel(&model_);
    setItemDelegate(new RecordDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont f("DejaVu Sans Mono", 10);
    f.setStyleHint(QFont::TypeWriter);
    setFont(f);
    connect(this, &QListView::doubleClicked, this,
            [this](const QModelIndex& i) { emit RecordActivated(i.row()); });
}

void TarnMsgChild::SetTextFont(const QFont& f) { setFont(f); }

int TarnMsgChild::SelectedRecord() const {
    QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

void TarnMsgChild::SelectRecord(int row) { setCurrentIndex(model_.index(row)); }

void TarnMsgChild::keyPressEvent(QKeyEvent* e) {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && SelectedRecord() >= 0) {
        emit RecordActivated(SelectedRecord());
        return;
    }
    QListView::keyPressEvent(e);
}

}  // namespace tarn::ide
