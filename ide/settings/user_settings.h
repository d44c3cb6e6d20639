// Per-user settings that belong to no project: font, colours, file mode, recent projects,
// window state. Kept with QSettings in INI format, organisation "Tarnwerk", application
// "Tarn Pascal", group "Settings", under the value names of the original registry key.
#pragma once

#include <QColor>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

namespace tarn::ide {

// The four text types whose colours the user chooses.
enum class TextType { Editor = 0, Information, Warning, Error };
constexpr int TEXT_TYPES = 4;
constexpr int MAX_RECENT_PROJECTS = 9;

struct TextColors {
    QColor foreground, background;
};

struct UserSettings {
    bool maximized = false;
    QString fontName = "DejaVu Sans Mono";
    int fontSize = 10;
    std::array<TextColors, TEXT_TYPES> colors{{
        {QColor(0, 0, 0), QColor(255, 255, 255)},
        {QColor(0, 0, 128), QColor(255, 255, 255)},
        {QColor(160, 96, 0), QColor(255, 255, 255)},
        {QColor(192, 0, 0), QColor(255, 255, 255)},
    }};
    int samples = 0;  // 0 not copied yet, 1 nothing to copy, 2 copied
    bool fileMode = false;  // "IgnoreProjExec"
    QString ext = ".tvm", args, header;
    QStringList recentProjects;  // newest first

    // Puts a project at the front of the recent list (once), keeping nine.
    void AddRecentProject(const QString& path);
};

// The settings store of this user (QSettings::IniFormat, user scope).
std::unique_ptr<QSettings> OpenUserSettingsStore();
// Values missing or of the wrong form keep their defaults.
UserSettings LoadUserSettings(QSettings& store);
void SaveUserSettings(QSettings& store, const UserSettings& s);

// The "colors" value: eight 32-bit little-endian 0x00BBGGRR words, foreground then
// background of each text type in TextType order.
QByteArray EncodeColors(const std::array<TextColors, TEXT_TYPES>& c);
bool DecodeColors(const QByteArray& bytes, std::array<TextColors, TEXT_TYPES>& c);

// The per-user projects folder: the documents folder + "Tarnwerk/Pascal Projects".
QString UserProjectsFolder();

}  // namespace tarn::ide
