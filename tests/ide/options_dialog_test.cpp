// The Project Options sheet (its pages, controls and checks, storing into the project and
// writing it) and the per-user settings store.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "compiler/base/messages.h"
#include "compiler/base/options.h"
#include "ide/options/options_dialog.h"
#include "ide/project/apply_options.h"
#include "ide/settings/preferences_dialog.h"
#include "ide/settings/user_settings.h"
#include "ide_test_support.h"

using namespace tarn::ide;
using tarn::ide::test::MessageRecorder;

class OptionsDialogTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void sixPagesInOrderWithEveryControl() {
        Project p = DefaultProject();
        ProjectOptionsDialog d(p);
        QCOMPARE(d.windowTitle(), QString("Project Options"));
        QStringList titles;
        for (int i = 0; i < d.Pages()->count(); ++i) titles << d.Pages()->tabText(i);
        QCOMPARE(titles, QStringList({"Warnings", "Extensions", "Run-Time Errors",
                                      "Code Generation", "Environment", "Miscellaneous"}));
        // Every row but the in-memory "edit" and the frame's "maxwin" has its control.
        for (const ProjectSetting& row : p.settings) {
            if (std::string(row.key) == "edit" || std::string(row.key) == "maxwin") continue;
            QVERIFY2(d.findChild<QWidget*>(row.key), row.key);
        }
        struct Label {
            const char* key;
            const char* text;
        } labels[] = {
            {"W1", "Program parameter has invalid type"},
            {"W20", "Comparing signed and unsigned integral values"},
            {"ui", "Underscores (_) in identifiers"},
            {"ao", "Assignment overflow"},
            {"u", "Using undefined values"},
            {"rtsc", "On the console screen"},
            {"ln", "Insert line-number debugging info."},
            {"ai", "Auto indent lines"},
            {"dclick_help", "Double-click word search"},
            {"cm20", "Compatibility with version 2.0"},
        };
        for (const Label& l : labels)
            QCOMPARE(d.findChild<QCheckBox*>(l.key)->text(), QString(l.text));
        QCOMPARE(d.findChild<QCheckBox*>("W15")->isChecked(), false);
        QCOMPARE(d.findChild<QCheckBox*>("W14")->isChecked(), true);
    }

    void okStoresEveryPageAndWritesTheProject() {
        MessageRecorder rec;
        Project p = DefaultProject();
        p.path = dir_.filePath("opts.tpj").toStdString();
        ProjectOptionsDialog d(p);
        d.findChild<QCheckBox*>("W5")->setChecked(false);
        d.findChild<QCheckBox*>("W20")->setChecked(true);
        d.findChild<QCheckBox*>("ow")->setChecked(false);
        d.findChild<QCheckBox*>("r")->setChecked(false);
        d.findChild<QCheckBox*>("rtlf")->setChecked(true);
        d.findChild<QCheckBox*>("gs")->setChecked(true);
        d.findChild<QSpinBox*>("a")->setValue(8);
        d.findChild<QLineEdit*>("S")->setText("256");
        d.findChild<QCheckBox*>("ut")->setChecked(false);
        d.findChild<QSpinBox*>("ts")->setValue(8);
        d.findChild<QLineEdit*>("run")->setText("out/prog.tvm");
        d.findChild<QLineEdit*>("args")->setText("-v \"two words\"");
        d.findChild<QLineEdit*>("me")->setText("500");  // the page accepts up to 1000
        d.findChild<QCheckBox*>("C")->setChecked(true);
        d.accept();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(rec.shown.isEmpty());
        QVERIFY(!FlagSetting(p, "W5"));
        QVERIFY(FlagSetting(p, "W20"));
        QVERIFY(!FlagSetting(p, "ow"));
        QVERIFY(!FlagSetting(p, "r"));
        QVERIFY(FlagSetting(p, "rtlf"));
        QVERIFY(FlagSetting(p, "gs"));
        QVERIFY(FlagSetting(p, "C"));
        QVERIFY(!FlagSetting(p, "ut"));
        QCOMPARE(NumberSetting(p, "a"), 8);
        QCOMPARE(NumberSetting(p, "S"), 256);
        QCOMPARE(NumberSetting(p, "ts"), 8);
        QCOMPARE(NumberSetting(p, "me"), 500);
        QCOMPARE(TextSetting(p, "args"), std::string("-v \"two words\""));

        // The file was written; read back, me=500 is beyond what a file may hold.
        Project q = DefaultProject();
        std::string error;
        QVERIFY2(ReadProjectFile(q, p.path, error), error.c_str());
        QCOMPARE(TextSetting(q, "run"), std::string("out/prog.tvm"));
        QCOMPARE(NumberSetting(q, "S"), 256);
        QCOMPARE(NumberSetting(q, "me"), 25);
        QVERIFY(!FlagSetting(q, "r"));
    }

    // What the sheet stores reaches the compiler's option store.
    void sheetSetsTheCompilersOptionStore() {
        MessageRecorder rec;
        Project p = DefaultProject();
        ProjectOptionsDialog d(p);
        d.findChild<QCheckBox*>("r")->setChecked(false);
        d.findChild<QCheckBox*>("va")->setChecked(false);
        d.findChild<QCheckBox*>("W15")->setChecked(true);
        d.findChild<QCheckBox*>("W1")->setChecked(false);
        d.findChild<QCheckBox*>("nc")->setChecked(true);
        d.findChild<QSpinBox*>("a")->setValue(2);
        d.findChild<QLineEdit*>("S")->setText("200");
        d.findChild<QLineEdit*>("mw")->setText("7");
        d.accept();
        tarn::tpc::InitOptions();
        tarn::tpc::InitMessages();
        QVERIFY(tarn::tpc::IsFlagOption(tarn::tpc::opt::r));
        ApplyProjectOptions(p);
        QVERIFY(!tarn::tpc::IsFlagOption(tarn::tpc::opt::r));
        QVERIFY(!tarn::tpc::IsFlagOption(tarn::tpc::opt::eva));
        QVERIFY(tarn::tpc::IsFlagOption(tarn::tpc::opt::nc));
        QVERIFY(tarn::tpc::IsFlagOption(tarn::tpc::opt::ety));
        QVERIFY(!tarn::tpc::MessageSwitchedOff(54));
        QVERIFY(tarn::tpc::MessageSwitchedOff(40));
        QCOMPARE(tarn::tpc::GetOption(tarn::tpc::opt::a), 2);
        QCOMPARE(tarn::tpc::GetOption(tarn::tpc::opt::S), 200 * 1024);
        QCOMPARE(tarn::tpc::GetOption(tarn::tpc::opt::mw), 7);
    }

    void outOfRangeValuesKeepTheSheetOpen() {
        struct Case {
            const char* key;
            const char* value;
            const char* message;
            const char* page;
        } cases[] = {
            {"S", "0", "Stack size specified is invalid", "Code Generation"},
            {"S", "1025", "Stack size specified is invalid", "Code Generation"},
            {"S", "big", "Stack size specified is invalid", "Code Generation"},
            {"me", "1001", "Maximum number of errors is invalid (must be between 0 and 1000)",
             "Miscellaneous"},
            {"mw", "-1", "Maximum number of warnings is invalid (must be between 0 and 1000)",
             "Miscellaneous"},
        };
        for (const Case& c : cases) {
            MessageRecorder rec;
            Project p = DefaultProject();
            ProjectOptionsDialog d(p);
            d.findChild<QCheckBox*>("r")->setChecked(false);
            d.findChild<QLineEdit*>(c.key)->setText(c.value);
            d.Pages()->setCurrentIndex(0);
            d.accept();
            QVERIFY2(rec.Saw(c.message), c.value);
            QCOMPARE(d.result(), 0);  // still open
            QCOMPARE(d.Pages()->tabText(d.Pages()->currentIndex()), QString(c.page));
            QVERIFY(FlagSetting(p, "r"));  // nothing stored
        }
    }

    void shownValuesAndTheAlignmentSteps() {
        Project p = DefaultProject();
        SetNumberSetting(p, "a", 3);
        SetNumberSetting(p, "S", 0);
        {
            ProjectOptionsDialog d(p);
            QCOMPARE(d.findChild<QSpinBox*>("a")->value(), 4);
            QCOMPARE(d.findChild<QLineEdit*>("S")->text(), QString("64"));
        }
        SetNumberSetting(p, "a", 12);
        ProjectOptionsDialog d(p);
        auto* align = d.findChild<QSpinBox*>("a");
        QCOMPARE(align->value(), 8);
        QList<int> seen;
        for (int i = 0; i < 4; ++i) {
            align->stepBy(-1);
            seen << align->value();
        }
        QCOMPARE(seen, QList<int>({4, 2, 1, 1}));
        align->stepBy(1);
        align->stepBy(1);
        QCOMPARE(align->value(), 4);
        align->setValue(0);
        align->stepBy(1);
        QCOMPARE(align->value(), 1);
    }

    void unwritableProjectFileIsReported() {
        MessageRecorder rec;
        Project p = DefaultProject();
        QDir(dir_.path()).mkpath("adir.tpj");
        p.path = dir_.filePath("adir.tpj").toStdString();
        ProjectOptionsDialog d(p);
        d.accept();
        QVERIFY(rec.Saw("The project file could not be written"));
        QCOMPARE(d.result(), 0);
    }

    void preferencesSheetStoresFontColoursAndFileMode() {
        MessageRecorder rec;
        UserSettings s;
        PreferencesDialog d(s);
        QCOMPARE(d.windowTitle(), QString("User Preferences"));
        QCOMPARE(d.Pages()->count(), 2);
        QCOMPARE(d.Pages()->tabText(0), QString("Text"));
        QCOMPARE(d.Pages()->tabText(1), QString("Executable"));
        d.SetTextColor(TextType::Warning, true, QColor(10, 20, 30));
        QCOMPARE(d.Sample(TextType::Warning)->palette().color(QPalette::WindowText),
                 QColor(10, 20, 30));
        QCOMPARE(s.colors[size_t(TextType::Warning)].foreground,
                 UserSettings().colors[2].foreground);  // not yet
        d.SetTextFont(QFont("Courier", 15));
        auto* fileMode = d.findChild<QCheckBox*>("fileMode");
        auto* header = d.findChild<QLineEdit*>("header");
        QVERIFY(!header->isEnabled());  // the header belongs to file mode
        fileMode->setChecked(true);
        QVERIFY(header->isEnabled());
        header->setText("#!/usr/local/bin/tvm");
        d.findChild<QComboBox*>("ext")->setCurrentText("cgi");
        d.accept();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(s.colors[size_t(TextType::Warning)].foreground, QColor(10, 20, 30));
        QCOMPARE(s.fontName, QString("Courier"));
        QCOMPARE(s.fontSize, 15);
        QVERIFY(s.fileMode);
        QCOMPARE(s.ext, QString(".cgi"));  // the period put in front
        QCOMPARE(s.header, QString("#!/usr/local/bin/tvm"));
        QVERIFY(rec.shown.isEmpty());

        PreferencesDialog e(s);
        e.findChild<QComboBox*>("ext")->setCurrentText(QString(260, 'x'));
        e.accept();
        QVERIFY(
            rec.Saw("The executable extension does not start with a period, and is too long for a "
                    "period to be inserted."));
        QCOMPARE(e.result(), 0);
        QCOMPARE(s.ext, QString(".cgi"));
        QCOMPARE(PreferencesDialog::NormalisedExtension(QString(259, 'x')).size(), 260);
        QCOMPARE(PreferencesDialog::NormalisedExtension(".exe"), QString(".exe"));
    }

    void userSettingsRoundTripInTheSettingsGroup() {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.filePath("config"));
        auto store = OpenUserSettingsStore();
        UserSettings s;
        s.maximized = true;
        s.fontName = "Courier";
        s.fontSize = 13;
        s.colors[size_t(TextType::Error)] = {QColor(1, 2, 3), QColor(250, 251, 252)};
        s.samples = 2;
        s.fileMode = true;
        s.ext = ".exe";
        s.args = "a b";
        s.header = "#!/usr/bin/tvm";
        for (int i = 1; i <= 11; ++i) s.AddRecentProject(QString("/p/%1.tpj").arg(i));
        QCOMPARE(s.recentProjects.size(), 9);
        QCOMPARE(s.recentProjects.first(), QString("/p/11.tpj"));
        SaveUserSettings(*store, s);

        QString file = store->fileName();
        QVERIFY(file.endsWith("Tarnwerk/Tarn Pascal.ini"));
        QSettings raw(file, QSettings::IniFormat);
        QCOMPARE(raw.value("Settings/maximized").toString(), QString("yes"));
        QCOMPARE(raw.value("Settings/font name").toString(), QString("Courier"));
        QCOMPARE(raw.value("Settings/colors").toByteArray().size(), 32);
        QCOMPARE(raw.value("Settings/IgnoreProjExec").toString(), QString("Y"));
        QCOMPARE(raw.value("Settings/proj1").toString(), QString("/p/11.tpj"));

        UserSettings t = LoadUserSettings(*store);
        QCOMPARE(t.maximized, true);
        QCOMPARE(t.fontName, QString("Courier"));
        QCOMPARE(t.fontSize, 13);
        QCOMPARE(t.colors[size_t(TextType::Error)].foreground, QColor(1, 2, 3));
        QCOMPARE(t.colors[size_t(TextType::Error)].background, QColor(250, 251, 252));
        QCOMPARE(t.samples, 2);
        QCOMPARE(t.fileMode, true);
        QCOMPARE(t.ext, QString(".exe"));
        QCOMPARE(t.recentProjects, s.recentProjects);

        // A shorter list deletes the values past its end; damaged values give defaults.
        t.recentProjects = {"/only.tpj"};
        SaveUserSettings(*store, t);
        raw.sync();
        QVERIFY(!raw.contains("Settings/proj2"));
        raw.setValue("Settings/colors", QByteArray("short"));
        raw.setValue("Settings/font size", "huge");
        raw.setValue("Settings/Samples", 7);
        raw.sync();
        store->sync();
        UserSettings u = LoadUserSettings(*store);
        QCOMPARE(u.fontSize, UserSettings().fontSize);
        QCOMPARE(u.colors[0].foreground, UserSettings().colors[0].foreground);
        QCOMPARE(u.samples, 0);
        QCOMPARE(u.recentProjects, QStringList({"/only.tpj"}));
    }
};

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
