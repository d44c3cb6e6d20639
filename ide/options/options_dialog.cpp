// The Project Options sheet.
#include "ide/options/options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ide/frame/notify.h"

namespace tarn::ide {

namespace {

constexpr int ALIGN_STEPS[] = {0, 1, 2, 4, 8};

const char* const EXTENSION_KEYS[] = {"ad", "bh", "co", "cr", "dq", "fn", "nn",
                                      "op", "ow", "pr", "rd", "ty", "ui", "va"};

bool ReadInt(QLineEdit* e, int lo, int hi, int& out) {
    bool ok = false;
    out = e->text().trimmed().toInt(&ok);
    return ok && out >= lo && out <= hi;
}

QGroupBox* Group(const QString& title, QLayout* layout) {
    auto* g = new QGroupBox(title);
    g->setLayout(layout);
    return g;
}

}  // namespace

void AlignSpinBox::stepBy(int steps) {
    int at = 0;
    while (at < 4 && ALIGN_STEPS[at] < value()) ++at;
    setValue(ALIGN_STEPS[std::clamp(at + steps, 1, 4)]);
}

ProjectOptionsDialog::ProjectOptionsDialog(Project& project, QWidget* parent)
    : QDialog(parent), project_(project) {
    setWindowTitle("Project Options");
    pages_ = new QTabWidget;
    pages_->addTab(WarningsPage(), "Warnings");
    pages_->addTab(ExtensionsPage(), "Extensions");
    pages_->addTab(RunTimePage(), "Run-Time Errors");
    pages_->addTab(CodeGenPage(), "Code Generation");
    pages_->addTab(EnvironmentPage(), "Environment");
    pages_->addTab(MiscPage(), "Miscellaneous");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &ProjectOptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
}

QCheckBox* ProjectOptionsDialog::Check(const char* key, const QString& label) {
    auto* box = new QCheckBox(label);
    box->setObjectName(key);
    box->setChecked(FlagSetting(project_, key));
    checks_.push_back({box, key});
    return box;
}

QLineEdit* ProjectOptionsDialog::Edit(const char* key, const QString& text) {
    auto* e = new QLineEdit(text);
    e->setObjectName(key);
    return e;
}

QWidget* ProjectOptionsDialog::WarningsPage() {
    auto* grid = new QGridLayout;
    for (int n = 1; n <= 20; ++n) {
        const ProjectSetting* row = FindSetting(project_, "W" + std::to_string(n));
        grid->addWidget(Check(row->key, row->description), (n - 1) % 10, (n - 1) / 10);
    }
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    v->addWidget(Group("Enable/Disable Warning Messages", grid));
    v->addStretch();
    return page;
}

QWidget* ProjectOptionsDialog::ExtensionsPage() {
    auto* grid = new QGridLayout;
    int i = 0;
    for (const char* key : EXTENSION_KEYS) {
        grid->addWidget(Check(key, FindSetting(project_, key)->description), i % 7, i / 7);
        ++i;
    }
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    v->addWidget(Group("Enable/Disable Extensions to Standard Pascal", grid));
    v->addStretch();
    return page;
}

QWidget* ProjectOptionsDialog::RunTimePage() {
    auto* detect = new QVBoxLayout;
    detect->addWidget(Check("ao", "Assignment overflow"));
    detect->addWidget(Check("i", "I/O errors"));
    detect->addWidget(Check("r", "Range errors"));
    detect->addWidget(Check("so", "Stack overflow"));
    detect->addWidget(Check("u", "Using undefined values"));
    detect->addWidget(Check("v", "Accessing inactive variants"));
    auto* show = new QVBoxLayout;
    show->addWidget(Check("rtsc", "On the console screen"));
    show->addWidget(Check("rtmb", "In message boxes"));
    show->addWidget(Check("rtlf", "In log files"));
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    v->addWidget(Group("Detect These Run-Time Errors", detect));
    v->addWidget(Group("Show Run-Time Errors", show));
    v->addStretch();
    return page;
}

QWidget* ProjectOptionsDialog::CodeGenPage() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    v->addWidget(Check("A", "Enable asserts"));
    v->addWidget(Check("gs", "Generate service application"));
    v->addWidget(Check("ln", "Insert line-number debugging info."));
    v->addWidget(Check("sc", "Use short-circuit evaluation"));
    // Alignments 3, 5, 6 and 7 are shown as 4, larger ones as 8.
    int a = NumberSetting(project_, "a");
    if (a == 3 || (a > 4 && a < 8)) a = 4;
    if (a > 8) a = 8;
    if (a < 0) a = 0;
    align_ = new AlignSpinBox;
    align_->setObjectName("a");
    align_->setRange(0, 8);
    align_->setValue(a);
    int s = NumberSetting(project_, "S");
    stack_ = Edit("S", QString::number(s >= 1 && s <= 1024 ? s : 64));
    auto* form = new QFormLayout;
    form->addRow("Align size:", align_);
    auto* stackRow = new QHBoxLayout;
    stackRow->addWidget(stack_);
    stackRow->addWidget(new QLabel("(1-1024) K"));
    form->addRow("Stack size:", stackRow);
    v->addLayout(form);
    v->addStretch();
    return page;
}

QWidget* ProjectOptionsDialog::EnvironmentPage() {
    auto* editor = new QVBoxLayout;
    editor->addWidget(Check("ut", "Use tab character"));
    editor->addWidget(Check("ai", "Auto indent lines"));
    editor->addWidget(Check("bak", "Create backup file"));
    editor->addWidget(Check("dclick_help", "Double-click word search"));
    tabSize_ = new QSpinBox;
    tabSize_->setObjectName("ts");
    tabSize_->setRange(1, 16);
    tabSize_->setValue(NumberSetting(project_, "ts"));
    auto* form = new QFormLayout;
    form->addRow("Tab size:", tabSize_);
    editor->addLayout(form);
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    v->addWidget(Group("Editor Options", editor));
    v->addStretch();
    return page;
}

QWidget* ProjectOptionsDialog::MiscPage() {
    auto* exe = new QFormLayout;
    for (auto [key, label] :
         {std::pair{"run", "Name:"}, {"args", "Arguments:"}, {"header", "#! header:"}}) {
        QLineEdit* e = Edit(key, QString::fromLocal8Bit(TextSetting(project_, key)));
        e->setMaxLength(int(MAX_PATH_LENGTH));
        texts_.push_back({e, key});
        exe->addRow(label, e);
    }
    auto* limits = new QFormLayout;
    limits->addRow("Maximum errors:",
                   maxErrors_ = Edit("me", QString::number(NumberSetting(project_, "me"))));
    limits->addRow("Maximum warnings:",
                   maxWarnings_ = Edit("mw", QString::number(NumberSetting(project_, "mw"))));
    auto* language = new QVBoxLayout;
    language->addWidget(Check("nc", "Nested comments"));
    language->addWidget(Check("C", "Case-sensitive identifiers"));
    language->addWidget(Check("p", "Require parentheses"));
    language->addWidget(Check("nu", "Non-standard unary operators"));
    language->addWidget(Check("tf", "Open temp files if no name"));
    language->addWidget(Check("cm20", "Compatibility with version 2.0"));
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(Group("Executable Options", exe), 0, 0, 1, 2);
    grid->addWidget(Group("Message Limits", limits), 1, 0);
    grid->addWidget(Group("Language Options", language), 1, 1);
    grid->setRowStretch(2, 1);
    return page;
}

bool ProjectOptionsDialog::Invalid(QWidget* control, const char* message) {
    for (QWidget* w = control; w; w = w->parentWidget()) {
        int page = pages_->indexOf(w);
        if (page >= 0) pages_->setCurrentIndex(page);
    }
    ShowMessage(this, MessageIcon::Error, windowTitle(), message);
    control->setFocus();
    return false;
}

bool ProjectOptionsDialog::Store() {
    int stack, me, mw;
    if (!ReadInt(stack_, 1, 1024, stack)) return Invalid(stack_, "Stack size specified is invalid");
    if (!ReadInt(maxErrors_, 0, 1000, me))
        return Invalid(maxErrors_,
                       "Maximum number of errors is invalid (must be between 0 and 1000)");
    if (!ReadInt(maxWarnings_, 0, 1000, mw))
        return Invalid(maxWarnings_,
                       "Maximum number of warnings is invalid (must be between 0 and 1000)");
    int ts = tabSize_->value();
    if (ts < 1 || ts > 16)
        return Invalid(tabSize_, "Tab size is invalid (must be between 0 and 16)");

    // Each row is stored in its own section, as every page stores its rows.
    auto store = [&](const char* key, auto set) {
        ProjectSetting row;
        CopySetting(project_, key, row);
        set(row);
        project_.currentSection = row.section;
        StoreSetting(project_, row);
    };
    for (auto [box, key] : checks_)
        store(key, [&](ProjectSetting& r) { r.flag = box->isChecked(); });
    for (auto [edit, key] : texts_)
        store(key, [&](ProjectSetting& r) { r.text = edit->text().toLocal8Bit().toStdString(); });
    store("a", [&](ProjectSetting& r) { r.number = align_->value(); });
    store("S", [&](ProjectSetting& r) { r.number = stack; });
    store("me", [&](ProjectSetting& r) { r.number = me; });
    store("mw", [&](ProjectSetting& r) { r.number = mw; });
    store("ts", [&](ProjectSetting& r) { r.number = ts; });
    project_.currentSection = ProjectSection::NONE;
    return true;
}

void ProjectOptionsDialog::accept() {
    if (!Store()) return;
    std::string error;
    if (!project_.path.empty() && !WriteProjectFile(project_, error)) {
        ShowMessage(this, MessageIcon::Error, windowTitle(),
                    "The project file could not be written\n" + QString::fromLocal8Bit(error));
        return;
    }
    QDialog::accept();
}

}  // namespace tarn::ide
