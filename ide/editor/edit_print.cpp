// Printing an editor window: a heading with the file name and page number, a rule, then
// the lines with their tabs expanded, wide lines continued on the next output line.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include "ide/editor/edit_window.h"
#include "ide/frame/notify.h"

namespace tarn::ide {

namespace {

constexpr int MAX_PRINT_LINE = 2400;

QString ExpandForPrint(const std::string& line, int tabSize) {
    QString out;
    for (char c : line) {
        if (out.size() >= MAX_PRINT_LINE) break;
        if (c == '\t')
            out.append(QString(tabSize - out.size() % tabSize, ' '));
        else
            out.append(QChar(static_cast<unsigned char>(c)));
    }
    return out.left(MAX_PRINT_LINE);
}

}  // namespace

int TarnEditChild::PrintDocument(QPrinter& printer, int fromLine, int toLine,
                                 const std::function<bool()>& cancelled) {
    fromLine = std::clamp(fromLine, 1, engine_.LineCount());
    toLine = std::clamp(toLine, fromLine, engine_.LineCount());
    QPainter p;
    if (!p.begin(&printer)) return 0;
    // The screen font scaled to the printer by the ratio of their vertical resolutions.
    QFont font = font_;
    if (font.pixelSize() > 0)
        font.setPixelSize(
            std::max(1, font.pixelSize() * printer.logicalDpiY() / std::max(1, logicalDpiY())));
    p.setFont(font);
    QFontMetrics fm(font, &printer);
    int lineHeight = fm.height() + fm.leading();
    QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    page.moveTo(0, 0);
    int linesPerPage = std::max(1, page.height() / lineHeight - 2);
    int columns = std::max(1, page.width() / std::max(1, fm.horizontalAdvance('M')));

    int pageNo = 0, row = linesPerPage;  // row == linesPerPage: a new page is due
    auto startPage = [&] {
        if (pageNo > 0) printer.newPage();
        ++pageNo;
        p.setPen(Qt::black);
        p.drawText(0, fm.ascent(), QString("File: %1, Page: %2").arg(fileName_).arg(pageNo));
        int ruleY = lineHeight * 3 / 2;
        p.drawLine(0, ruleY, page.width(), ruleY);
        row = 0;
    };
    for (int l = fromLine; l <= toLine; ++l) {
        QString text = ExpandForPrint(engine_.LineText(l), options_.tabSize);
        int at = 0;
        do {
            if (row == linesPerPage) {
                if (cancelled && cancelled()) {
                    printer.abort();
                    return -1;
                }
                startPage();
            }
            p.drawText(0, (row + 2) * lineHeight + fm.ascent(), text.mid(at, columns));
            ++row;
            at += columns;
        } while (at < text.size());
    }
    p.end();
    return pageNo;
}

void TarnEditChild::Print() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(1, engine_.LineCount());  // the range is one of lines
    dialog.setFromTo(1, engine_.LineCount());
    if (dialog.exec() != QDialog::Accepted) return;
    int from = 1, to = engine_.LineCount();
    if (printer.printRange() == QPrinter::PageRange) {
        from = printer.fromPage();
        to = printer.toPage();
    }
    QDialog box(this);
    box.setWindowTitle(FRAME_TITLE);
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(new QLabel("Cancel Printing ?"));
    auto* cancel = new QPushButton("&Cancel");
    layout->addWidget(cancel);
    bool stop = false;
    connect(cancel, &QPushButton::clicked, &box, [&stop] { stop = true; });
    box.setModal(false);
    box.show();
    PrintDocument(printer, from, to, [&stop] {
        QApplication::processEvents();
        return stop;
    });
}

}  // namespace tarn::ide
