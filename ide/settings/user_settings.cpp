// Per-user settings in the "Settings" group of the Tarnwerk/Tarn Pascal INI file.
#include "ide/settings/user_settings.h"

#include <QDir>
#include <QStandardPaths>

namespace tarn::ide {

void UserSettings::AddRecentProject(const QString& path) {
    recentProjects.removeAll(path);
    recentProjects.prepend(path);
    while (recentProjects.size() > MAX_RECENT_PROJECTS) recentProjects.removeLast();
}

std::unique_ptr<QSettings> OpenUserSettingsStore() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Tarnwerk",
                                       "Tarn Pascal");
}

QByteArray EncodeColors(const std::array<TextColors, TEXT_TYPES>& c) {
    QByteArray out;
    for (const TextColors& t : c) {
        for (const QColor& q : {t.foreground, t.background}) {
            out.append(char(q.red()));
            out.append(char(q.green()));
            out.append(char(q.blue()));
            out.append(char(0));
        }
    }
    return out;
}

bool DecodeColors(const QByteArray& bytes, std::array<TextColors, TEXT_TYPES>& c) {
    if (bytes.size() != 32) return false;
    auto at = [&](int word) {
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData()) + word * 4;
        return QColor(b[0], b[1], b[2]);
    };
    for (int i = 0; i < TEXT_TYPES; ++i) c[size_t(i)] = {at(2 * i), at(2 * i + 1)};
    return true;
}

UserSettings LoadUserSettings(QSettings& store) {
    UserSettings s;
    store.beginGroup("Settings");
    s.maximized = store.value("maximized", "no").toString() == "yes";
    QString font = store.value("font name").toString();
    if (!font.isEmpty()) s.fontName = font;
    bool ok = false;
    int size = store.value("font size").toInt(&ok);
    if (ok && size >= 4 && size <= 96) s.fontSize = size;
    DecodeColors(store.value("colors").toByteArray(), s.colors);
    int samples = store.value("Samples", 0).toInt(&ok);
    if (ok && samples >= 0 && samples <= 2) s.samples = samples;
    QString mode = store.value("IgnoreProjExec").toString();
    s.fileMode = mode == "Y" || mode == "y" || mode == "1";
    if (store.contains("Ext")) s.ext = store.value("Ext").toString();
    s.args = store.value("Args").toString();
    s.header = store.value("Header").toString();
    for (int i = 1; i <= MAX_RECENT_PROJECTS; ++i) {
        QString p = store.value(QString("proj%1").arg(i)).toString();
        if (p.isEmpty()) break;
        s.recentProjects << p;
    }
    store.endGroup();
    return s;
}

void SaveUserSettings(QSettings& store, const UserSettings& s) {
    store.beginGroup("Settings");
    store.setValue("maximized", s.maximized ? "yes" : "no");
    store.setValue("font name", s.fontName);
    store.setValue("font size", s.fontSize);
    store.setValue("colors", EncodeColors(s.colors));
    store.setValue("Samples", s.samples);
    store.setValue("IgnoreProjExec", s.fileMode ? "Y" : "N");
    store.setValue("Ext", s.ext);
    store.setValue("Args", s.args);
    store.setValue("Header", s.header);
    int n = 0;
    for (; n < s.recentProjects.size() && n < MAX_RECENT_PROJECTS; ++n)
        store.setValue(QString("proj%1").arg(n + 1), s.recentProjects[n]);
    for (int i = n + 1; i <= MAX_RECENT_PROJECTS; ++i) store.remove(QString("proj%1").arg(i));
    store.endGroup();
    store.sync();
}

QString UserProjectsFolder() {
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty()) docs = QDir::homePath() + "/Documents";
    return docs + "/Tarnwerk/Pascal Projects";
}

}  // namespace tarn::ide
