#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace orbpix {

// The album program's own key; sections such as "Settings" and "User" hang below it.
inline constexpr const char* kProgramKey = "Software\\Orbworks\\OrbPixStudio";

// A setting is read from the user's hive, then from the machine's, then the default applies.
// A value present in the user's hive wins even when it is empty.
QString readText(const QString& section, const QString& value, const QString& fallback);
std::uint32_t readNumber(const QString& section, const QString& value, std::uint32_t fallback);
// Settings are written to the user's hive only. False when it cannot be written.
[[nodiscard]] bool writeText(const QString& section, const QString& value, const QString& text);
[[nodiscard]] bool writeNumber(const QString& section, const QString& value, std::uint32_t number);

// The settings that live in the application object between start-up and exit.
struct AppSettings {
    // "User": offered to exported albums unless userPrivate is not 0.
    QString userName;
    QString userAddress;
    QString userHomepage;
    std::uint32_t userPrivate = 0;
    // "Settings"
    std::uint32_t compressionLocal = 400;
    std::uint32_t compressionHtml = 100;
    std::uint32_t compressionOriginalSize = 0;
    std::uint32_t needASkin = 1;  // read only: never written back
    std::uint32_t launchCounter = 0;
    QString smtpServer;
    std::uint32_t smtpPort = 25;
    QString lastAlbum;
    QString twainSource;
    std::uint32_t defaultHtmlComp = 100;
    std::uint32_t defaultLocalComp = 400;
    // Name of the current skin. The skin manager owns it while the program runs; this copy is
    // what was read at start and what is written when no skin manager answers.
    QString skin;
    // Resolved at load time; never written here (the album library keeps its own key).
    QString libraryRoot;
};

// Connections to the parts of the program that own some of the values.
struct SettingsHooks {
    // Finds the album library's root without creating it; false when there is none.
    std::function<bool(QString* root)> resolveLibraryRoot;
    // The skin manager's current skin name, asked for when the settings are saved.
    std::function<QString()> currentSkinName;
};

// Reads every value into the record (all but "Exe"), then resolves the library root.
void loadSettings(AppSettings& settings, const SettingsHooks& hooks = {});
// Writes the values back in their fixed order; "NeedASkin" is never written. False when any
// write failed (the caller at exit may well ignore it: there is nobody left to tell).
[[nodiscard]] bool saveSettings(const AppSettings& settings, const SettingsHooks& hooks = {});

// The program file's path, written at every start so that other programs can start us.
[[nodiscard]] bool writeProgramFile(const QString& path);

}  // namespace orbpix
