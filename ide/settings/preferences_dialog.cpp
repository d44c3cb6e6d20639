// The User Preferences sheet.
#include "ide/settings/preferences_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ide/frame/notify.h"
#include "ide/project/project.h"

namespace tarn::ide {

namespace {

const char* const TYPE_NAMES[TEXT_TYPES] = {"Editor window", "Information message",
                                            "Warning message", "Error message"};
const char* const SAMPLE_TEXTS[TEXT_TYPES] = {
    "begin writeln('Hello') end.", "Compiling 'hello.pas'.", "Warning 44: 'x' is never used",
    "Error 12: ';' expected"};

}  // namespace

PreferencesDialog::PreferencesDialog(UserSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings), edited_(settings) {
    setWindowTitle("User Preferences");
    pages_ = new QTabWidget;
    pages_->addTab(TextPage(), "Text");
    pages_->addTab(ExecutablePage(), "Executable");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &PreferencesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    ShowSamples();
    FileModeChanged();
}

QWidget* PreferencesDialog::TextPage() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* samples = new QVBoxLayout;
    for (int t = 0; t < TEXT_TYPES; ++t) {
        samples_[t] = new QLabel(SAMPLE_TEXTS[t]);
        samples_[t]->setAutoFillBackground(true);
        samples_[t]->setObjectName(QString("sample%1").arg(t));
        samples->addWidget(samples_[t]);
    }
    v->addWidget([&] {
        auto* g = new QGroupBox("Samples");
        g->setLayout(samples);
        return g;
    }());
    auto* fontRow = new QHBoxLayout;
    fontLabel_ = new QLabel;
    auto* selectFont = new QPushButton("&Select Font...");
    fontRow->addWidget(fontLabel_, 1);
    fontRow->addWidget(selectFont);
    v->addLayout(fontRow);
    auto* colourRow = new QHBoxLayout;
    types_ = new QListWidget;
    for (const char* n : TYPE_NAMES) types_->addItem(n);
    types_->setCurrentRow(0);
    auto* buttons = new QVBoxLayout;
    auto* fg = new QPushButton("&Foreground Color...");
    auto* bg = new QPushButton("&Background Color...");
    buttons->addWidget(fg);
    buttons->addWidget(bg);
    buttons->addStretch();
    colourRow->addWidget(types_);
    colourRow->addLayout(buttons);
    v->addLayout(colourRow);

    connect(selectFont, &QPushButton::clicked, this, [this] {
        bool ok = false;
        QFont f = QFontDialog::getFont(&ok, QFont(edited_.fontName, edited_.fontSize), this);
        if (ok) SetTextFont(f);
    });
    auto pick = [this](bool foreground) {
        TextType t = TextType(std::max(0, types_->currentRow()));
        const TextColors& c = edited_.colors[size_t(t)];
        QColor chosen = QColorDialog::getColor(foreground ? c.foreground : c.background, this);
        if (chosen.isValid()) SetTextColor(t, foreground, chosen);
    };
    connect(fg, &QPushButton::clicked, this, [pick] { pick(true); });
    connect(bg, &QPushButton::clicked, this, [pick] { pick(false); });
    return page;
}

QWidget* PreferencesDialog::ExecutablePage() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    fileMode_ = new QCheckBox("File mode");
    fileMode_->setObjectName("fileMode");
    fileMode_->setChecked(edited_.fileMode);
    v->addWidget(fileMode_);
    auto* form = new QFormLayout;
    ext_ = new QComboBox;
    ext_->setObjectName("ext");
    ext_->setEditable(true);
    ext_->addItems({".tvm", ".exe", ".cgi"});
    ext_->setCurrentText(edited_.ext);
    args_ = new QLineEdit(edited_.args);
    args_->setObjectName("args");
    header_ = new QLineEdit(edited_.header);
    header_->setObjectName("header");
    form->addRow("Extension:", ext_);
    form->addRow("Arguments:", args_);
    form->addRow("#! Header:", header_);
    auto* g = new QGroupBox("File executable options");
    g->setLayout(form);
    v->addWidget(g);
    v->addStretch();
    connect(fileMode_, &QCheckBox::toggled, this, &PreferencesDialog::FileModeChanged);
    return page;
}

// The header belongs to file mode only.
void PreferencesDialog::FileModeChanged() { header_->setEnabled(fileMode_->isChecked()); }

void PreferencesDialog::ShowSamples() {
    QFont font(edited_.fontName, edited_.fontSize);
    fontLabel_->setText(QString("%1, %2 pt").arg(edited_.fontName).arg(edited_.fontSize));
    for (int t = 0; t < TEXT_TYPES; ++t) {
        QPalette p = samples_[t]->palette();
        p.setColor(QPalette::WindowText, edited_.colors[size_t(t)].foreground);
        p.setColor(QPalette::Window, edited_.colors[size_t(t)].background);
        samples_[t]->setPalette(p);
        samples_[t]->setFont(font);
    }
}

void PreferencesDialog::SetTextColor(TextType t, bool foreground, const QColor& c) {
    TextColors& colors = edited_.colors[size_t(t)];
    (foreground ? colors.foreground : colors.background) = c;
    ShowSamples();
}

void PreferencesDialog::SetTextFont(const QFont& f) {
    edited_.fontName = f.family();
    if (f.pointSize() > 0) edited_.fontSize = f.pointSize();
    ShowSamples();
}

QString PreferencesDialog::NormalisedExtension(const QString& typed) {
    QString ext = typed.trimmed();
    if (ext.isEmpty() || ext.startsWith('.')) return ext;
    if (ext.size() + 1 > int(MAX_PATH_LENGTH)) return {};
    return "." + ext;
}

bool PreferencesDialog::Store() {
    QString typed = ext_->currentText().trimmed();
    QString ext = NormalisedExtension(typed);
    if (ext.isEmpty() && !typed.isEmpty()) {
        pages_->setCurrentIndex(1);
        ShowMessage(this, MessageIcon::Error, windowTitle(),
                    "The executable extension does not start with a period, and is too long for a "
                    "period to be "
                    "inserted.");
        return false;
    }
    ext_->setCurrentText(ext);
    edited_.fileMode = fileMode_->isChecked();
    edited_.ext = ext;
    edited_.args = args_->text();
    edited_.header = header_->text();
    settings_ = edited_;
    return true;
}

void PreferencesDialog::accept() {
    if (Store()) QDialog::accept();
}

}  // namespace tarn::ide
