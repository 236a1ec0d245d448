#include "shell/Settings.h"

#include "shell/RegistryStore.h"

namespace orbpix {

namespace {

QString sectionKey(const QString& section) {
    return QString::fromLatin1(kProgramKey) + QLatin1Char('\\') + section;
}

const QString kUser = QStringLiteral("User");
const QString kSettings = QStringLiteral("Settings");

}  // namespace

QString readText(const QString& section, const QString& value, const QString& fallback) {
    const QString key = sectionKey(section);
    if (auto text = registry::readText(registry::Hive::User, key, value))
        return *text;
    if (auto text = registry::readText(registry::Hive::Machine, key, value))
        return *text;
    return fallback;
}

std::uint32_t readNumber(const QString& section, const QString& value, std::uint32_t fallback) {
    const QString key = sectionKey(section);
    if (auto number = registry::readNumber(registry::Hive::User, key, value))
        return *number;
    if (auto number = registry::readNumber(registry::Hive::Machine, key, value))
        return *number;
    return fallback;
}

bool writeText(const QString& section, const QString& value, const QString& text) {
    return registry::writeText(registry::Hive::User, sectionKey(section), value, text);
}

bool writeNumber(const QString& section, const QString& value, std::uint32_t number) {
    return registry::writeNumber(registry::Hive::User, sectionKey(section), value, number);
}

void loadSettings(AppSettings& s, const SettingsHooks& hooks) {
    const AppSettings defaults;
    s.userName = readText(kUser, QStringLiteral("Name"), defaults.userName);
    s.userAddress = readText(kUser, QStringLiteral("Address"), defaults.userAddress);
    s.userHomepage = readText(kUser, QStringLiteral("Homepage"), defaults.userHomepage);
    s.userPrivate = readNumber(kUser, QStringLiteral("Private"), defaults.userPrivate);
    s.compressionLocal =
        readNumber(kSettings, QStringLiteral("CompressionLocal"), defaults.compressionLocal);
    s.compressionHtml =
        readNumber(kSettings, QStringLiteral("CompressionHtml"), defaults.compressionHtml);
    s.compressionOriginalSize = readNumber(kSettings, QStringLiteral("CompressionOriginalSize"),
                                           defaults.compressionOriginalSize);
    s.needASkin = readNumber(kSettings, QStringLiteral("NeedASkin"), defaults.needASkin);
    s.launchCounter =
        readNumber(kSettings, QStringLiteral("LaunchCounter"), defaults.launchCounter);
    s.smtpServer = readText(kSettings, QStringLiteral("SMTPServer"), defaults.smtpServer);
    s.smtpPort = readNumber(kSettings, QStringLiteral("SMTPPort"), defaults.smtpPort);
    s.lastAlbum = readText(kSettings, QStringLiteral("LastAlbum"), defaults.lastAlbum);
    s.twainSource = readText(kSettings, QStringLiteral("TwainSource"), defaults.twainSource);
    s.defaultHtmlComp =
        readNumber(kSettings, QStringLiteral("DefaultHTMLComp"), defaults.defaultHtmlComp);
    s.defaultLocalComp =
        readNumber(kSettings, QStringLiteral("DefaultLocalComp"), defaults.defaultLocalComp);
    s.skin = readText(kSettings, QStringLiteral("Skin"), defaults.skin);

    s.libraryRoot.clear();
    if (hooks.resolveLibraryRoot) {
        QString root;
        if (hooks.resolveLibraryRoot(&root))
            s.libraryRoot = root;
    }
}

bool saveSettings(const AppSettings& s, const SettingsHooks& hooks) {
    // Every value is attempted even after a failure, so that one bad value loses nothing else.
    bool ok = true;
    const auto text = [&ok](const QString& section, const char* name, const QString& value) {
        ok = writeText(section, QString::fromLatin1(name), value) && ok;
    };
    const auto number = [&ok](const QString& section, const char* name, std::uint32_t value) {
        ok = writeNumber(section, QString::fromLatin1(name), value) && ok;
    };
    text(kUser, "Name", s.userName);
    text(kUser, "Address", s.userAddress);
    text(kUser, "Homepage", s.userHomepage);
    number(kUser, "Private", s.userPrivate);
    number(kSettings, "CompressionLocal", s.compressionLocal);
    number(kSettings, "CompressionHtml", s.compressionHtml);
    number(kSettings, "CompressionOriginalSize", s.compressionOriginalSize);
    number(kSettings, "LaunchCounter", s.launchCounter);
    text(kSettings, "SMTPServer", s.smtpServer);
    number(kSettings, "SMTPPort", s.smtpPort);
    text(kSettings, "LastAlbum", s.lastAlbum);
    text(kSettings, "Skin", hooks.currentSkinName ? hooks.currentSkinName() : s.skin);
    text(kSettings, "TwainSource", s.twainSource);
    number(kSettings, "DefaultHTMLComp", s.defaultHtmlComp);
    number(kSettings, "DefaultLocalComp", s.defaultLocalComp);
    return ok;
}

bool writeProgramFile(const QString& path) {
    return writeText(kSettings, QStringLiteral("Exe"), path);
}

}  // namespace orbpix
