#include "ui/PreferencesRules.h"

#include <algorithm>

#include "shell/Settings.h"

namespace orbpix {

PreferenceValues preferencesFromSettings(const AppSettings& settings,
                                         const QString& libraryFolder) {
    PreferenceValues values;
    values.userName = settings.userName;
    values.userAddress = settings.userAddress;
    values.userHomepage = settings.userHomepage;
    values.userPrivate = settings.userPrivate != 0;
    values.libraryFolder = libraryFolder;
    values.compressionLocal = int(settings.compressionLocal);
    values.compressionHtml = int(settings.compressionHtml);
    return values;
}

void applyPreferences(const PreferenceValues& values, AppSettings& settings) {
    settings.userName = values.userName;
    settings.userAddress = values.userAddress;
    settings.userHomepage = withHttpPrefix(values.userHomepage);
    settings.userPrivate = values.userPrivate ? 1u : 0u;
    settings.compressionLocal = std::uint32_t(std::max(values.compressionLocal, 0));
    settings.compressionHtml = std::uint32_t(std::max(values.compressionHtml, 0));
}

QString withHttpPrefix(const QString& homepage) {
    static const QString prefix = QStringLiteral("http://");
    // A secure address already names its scheme; "http://https://…" would lead nowhere.
    static const QString secure = QStringLiteral("https://");
    if (homepage.isEmpty() || homepage.startsWith(prefix, Qt::CaseSensitive) ||
        homepage.startsWith(secure, Qt::CaseSensitive))
        return homepage;
    return prefix + homepage;
}

int roundUpToStep(int position, int step) {
    if (step <= 0)
        return position;
    return (position + step - 1) / step * step;
}

}  // namespace orbpix
