#pragma once

#include <QString>

#include "shell/TextTable.h"

namespace orbpix {

// The album program's texts, pictures and dialog layouts, kept in a resource file beside
// the program ("OrbPixRes.rcc") so that they can be changed without rebuilding it.
class ResourceLibrary {
public:
    static constexpr const char* kFileName = "OrbPixRes.rcc";
    // Shown when the library cannot be loaded; the program cannot say anything else then.
    static constexpr const char* kMissingMessage =
        "Fatal error: Unable to find the resource library...";
    // Where the library's files appear once it is loaded.
    static constexpr const char* kRoot = ":/OrbPixRes";

    ResourceLibrary() = default;
    ResourceLibrary(const ResourceLibrary&) = delete;
    ResourceLibrary& operator=(const ResourceLibrary&) = delete;
    ~ResourceLibrary();

    // Loads the library file from a folder; false when it is missing or damaged.
    [[nodiscard]] bool load(const QString& folder);
    void unload();
    bool isLoaded() const { return !m_file.isEmpty(); }

    // A text by number; empty when the library has none.
    QString text(int id) const { return m_texts.text(id); }
    // A text by number, or the given fallback when the library has none.
    QString text(int id, const QString& fallback) const {
        return m_texts.contains(id) ? m_texts.text(id) : fallback;
    }
    bool hasText(int id) const { return m_texts.contains(id); }
    const TextTable& texts() const { return m_texts; }

    // Resource path of a bitmap by number or by name, e.g. ":/OrbPixRes/bitmaps/119.bmp".
    static QString bitmapPath(int id);
    static QString bitmapPath(const QString& name);

private:
    QString m_file;
    TextTable m_texts;
};

// The library of this process, loaded by the program at start.
ResourceLibrary& resourceLibrary();

}  // namespace orbpix
