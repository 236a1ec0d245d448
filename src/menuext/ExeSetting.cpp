#include "menuext/ExeSetting.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace orbpix::menu {

namespace {

const QString kSettingsPath = QStringLiteral("/Orbworks/OrbPixStudio.conf");

}  // namespace

QString userSettingsFile() {
    // A relative value is invalid for the XDG variables and is ignored, as the album program
    // does when it writes the file.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString folder =
        QDir::isAbsolutePath(config) ? QDir::cleanPath(config) : QDir::homePath() + "/.config";
    return folder + kSettingsPath;
}

QString machineSettingsFile() {
    const QStringList dirs =
        qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& dir : dirs)
        if (QDir::isAbsolutePath(dir))
            return QDir::cleanPath(dir) + kSettingsPath;
    return QStringLiteral("/etc/xdg") + kSettingsPath;
}

std::optional<QString> readExe(const QString& settingsFile) {
    if (!QFileInfo(settingsFile).isFile())
        return std::nullopt;
    QSettings settings(settingsFile, QSettings::IniFormat);
    for (const QString& group : settings.childGroups()) {
        if (group.compare(QLatin1String("Settings"), Qt::CaseInsensitive) != 0)
            continue;
        settings.beginGroup(group);
        for (const QString& key : settings.childKeys()) {
            if (key.compare(QLatin1String("Exe"), Qt::CaseInsensitive) != 0)
                continue;
            const QVariant value = settings.value(key);
            // Unquoted commas make the INI reader split the text into a list.
            const QString text = value.userType() == QMetaType::QStringList
                                     ? value.toStringList().join(QLatin1Char(','))
                                     : value.toString();
            if (!text.isEmpty())
                return text;
        }
        settings.endGroup();
    }
    return std::nullopt;
}

std::optional<QString> findExe() {
    if (auto exe = readExe(userSettingsFile()))
        return exe;
    return readExe(machineSettingsFile());
}

}  // namespace orbpix::menu
