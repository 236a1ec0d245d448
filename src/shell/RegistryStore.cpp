#include "shell/RegistryStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace orbpix::registry {

namespace {

QString absoluteEnvFolder(const char* name) {
    // Relative entries are invalid for the XDG variables and must be ignored.
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

bool validComponent(const QString& part) {
    return !part.isEmpty() && part != QLatin1String(".") && part != QLatin1String("..") &&
           !part.contains(QLatin1Char('/')) && !part.contains(QChar(0));
}

// The settings key inside the file for a value name; "" is the key's default value. Value
// names match without regard to case, and an existing value keeps its first spelling.
std::optional<QString> settingsKey(const QSettings& settings, const KeyLocation& where,
                                   const QString& valueName) {
    QString name = valueName.isEmpty() ? QString::fromLatin1(kDefaultValueName) : valueName;
    // A slash or backslash would address another group; such names cannot be stored.
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return std::nullopt;
    const QString prefix = where.group.isEmpty() ? QString() : where.group + QLatin1Char('/');
    if (!settings.contains(prefix + name)) {
        for (const QString& key : settings.allKeys()) {
            if (key.size() == prefix.size() + name.size() && key.startsWith(prefix) &&
                QStringView(key).sliced(prefix.size()).compare(name, Qt::CaseInsensitive) == 0) {
                name = key.sliced(prefix.size());
                break;
            }
        }
    }
    return prefix + name;
}

[[nodiscard]] bool writeValue(Hive hive, const QString& keyPath, const QString& valueName,
                              const QVariant& value) {
    const auto where = locateKey(hive, keyPath);
    if (!where)
        return false;
    QSettings settings(where->file, QSettings::IniFormat);
    const auto key = settingsKey(settings, *where, valueName);
    if (!key || !settings.isWritable())
        return false;
    settings.setValue(*key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace

QString hiveFolder(Hive hive) {
    if (hive == Hive::User) {
        const QString config = absoluteEnvFolder("XDG_CONFIG_HOME");
        return config.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : config;
    }
    const QStringList dirs =
        qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& dir : dirs) {
        if (QDir::isAbsolutePath(dir))
            return QDir::cleanPath(dir);
    }
    return QStringLiteral("/etc/xdg");
}

std::optional<KeyLocation> locateKey(Hive hive, const QString& keyPath) {
    QStringList parts = keyPath.split(QLatin1Char('\\'));
    if (parts.size() > 1 &&
        parts.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    for (const QString& part : parts) {
        if (!validComponent(part))
            return std::nullopt;
    }
    KeyLocation where;
    const QString folder = hiveFolder(hive);
    if (parts.size() == 1) {
        where.file = folder + QLatin1Char('/') + parts.front() + QStringLiteral(".conf");
        return where;
    }
    where.file = folder + QLatin1Char('/') + parts[0] + QLatin1Char('/') + parts[1] +
                 QStringLiteral(".conf");
    where.group = parts.mid(2).join(QLatin1Char('/'));
    return where;
}

std::optional<QString> readText(Hive hive, const QString& keyPath, const QString& valueName) {
    const auto where = locateKey(hive, keyPath);
    if (!where || !QFileInfo(where->file).isFile())
        return std::nullopt;
    const QSettings settings(where->file, QSettings::IniFormat);
    const auto key = settingsKey(settings, *where, valueName);
    if (!key)
        return std::nullopt;
    const QVariant value = settings.value(*key);
    if (!value.isValid())
        return std::nullopt;
    // The INI reader turns unquoted commas into a list; the stored text had them as commas.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

std::optional<std::uint32_t> parseNumber(const QString& text) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < -2147483648LL || value > 4294967295LL)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::optional<std::uint32_t> readNumber(Hive hive, const QString& keyPath,
                                        const QString& valueName) {
    const auto text = readText(hive, keyPath, valueName);
    if (!text)
        return std::nullopt;
    return parseNumber(*text);
}

bool writeText(Hive hive, const QString& keyPath, const QString& valueName, const QString& text) {
    return writeValue(hive, keyPath, valueName, text);
}

bool writeNumber(Hive hive, const QString& keyPath, const QString& valueName,
                 std::uint32_t number) {
    return writeValue(hive, keyPath, valueName, QString::number(number));
}

}  // namespace orbpix::registry
