#pragma once

#include <QString>
#include <cstdint>

namespace orbpix {

struct AppSettings;

// The two quality figures offered on the compression page: their ranges and the steps the
// sliders snap to.
struct CompressionRange {
    int minimum;
    int maximum;
    int step;
};
inline constexpr CompressionRange kLocalCompressionRange{100, 500, 100};
inline constexpr CompressionRange kHtmlCompressionRange{50, 250, 50};

// What the preferences edit, copied out of the settings when they open and written back
// only when they close with OK.
struct PreferenceValues {
    QString userName;
    QString userAddress;
    QString userHomepage;
    bool userPrivate = false;
    QString libraryFolder;
    int compressionLocal = 400;
    int compressionHtml = 100;

    friend bool operator==(const PreferenceValues&, const PreferenceValues&) = default;
};

PreferenceValues preferencesFromSettings(const AppSettings& settings, const QString& libraryFolder);
// Writes the user's details and the qualities into the settings (the library folder belongs
// to the album library); the home page gets its prefix.
void applyPreferences(const PreferenceValues& values, AppSettings& settings);

// A home page that is not empty and does not begin with "http://" (exactly, in lower case)
// gets "http://" put in front of it; one that begins with "https://" is left as it is.
QString withHttpPrefix(const QString& homepage);
// A slider position rounded up to the next multiple of the step (positive positions).
int roundUpToStep(int position, int step);

}  // namespace orbpix
