#pragma once

#include <QRgb>
#include <QString>
#include <optional>

namespace orbpix {

// A skin's "info.txt": an INI-style file read the way the platform's profile functions read
// one. Sections and keys match without regard to case, the first of a repeated section or key
// counts, blanks around keys and values and one pair of quotes around a value are dropped.
class SkinInfoFile {
public:
    // The longest value handed out, as a 4096-byte buffer with its terminator would hold.
    static constexpr int kMaxValueLength = 4095;

    // Nothing when the file, the section or the key is missing.
    static std::optional<QString> value(const QString& path, const QString& section,
                                        const QString& key);
    // The value, or the fallback when the key is missing.
    static QString string(const QString& path, const QString& section, const QString& key,
                          const QString& fallback);
    // The leading whole number of the value (0 when it has none); the fallback when the key
    // is missing or empty.
    static int integer(const QString& path, const QString& section, const QString& key,
                       int fallback);
};

// "red,green,blue" as the "Color" and "Transparency" sections write them: exactly three whole
// numbers, blanks allowed before each, of which only the low 8 bits count. Nothing otherwise.
std::optional<QRgb> parseSkinColour(const QString& text);

}  // namespace orbpix
