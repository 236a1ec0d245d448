#include "skins/SkinInfo.h"

#include <QFile>
#include <QStringList>
#include <cstdint>

namespace orbpix {

namespace {

QString unquoted(QString value) {
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value.left(SkinInfoFile::kMaxValueLength);
}

// A whole number at `pos` after optional blanks and a sign; advances past it. Only the low
// bits are kept, as a C conversion into a 32-bit int would leave them.
std::optional<std::int32_t> leadingNumber(const QString& text, qsizetype& pos) {
    while (pos < text.size() && text[pos].isSpace())
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+'))
        negative = text[pos++] == u'-';
    std::uint32_t value = 0;
    const qsizetype start = pos;
    while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9')
        value = value * 10 + static_cast<std::uint32_t>(text[pos++].unicode() - u'0');
    if (pos == start)
        return std::nullopt;
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

}  // namespace

std::optional<QString> SkinInfoFile::value(const QString& path, const QString& section,
                                           const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool inSection = false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            const qsizetype end = line.indexOf(u']');
            const QString name = line.mid(1, end < 0 ? -1 : end - 1).trimmed();
            if (inSection)
                return std::nullopt;  // only the first section of the name counts
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection || line.isEmpty() || line.startsWith(u';'))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        const QString name = (equals < 0 ? line : line.left(equals)).trimmed();
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return equals < 0 ? QString() : unquoted(line.mid(equals + 1));
    }
    return std::nullopt;
}

QString SkinInfoFile::string(const QString& path, const QString& section, const QString& key,
                             const QString& fallback) {
    return value(path, section, key).value_or(fallback);
}

int SkinInfoFile::integer(const QString& path, const QString& section, const QString& key,
                          int fallback) {
    const auto text = value(path, section, key);
    if (!text || text->isEmpty())
        return fallback;
    qsizetype pos = 0;
    return leadingNumber(*text, pos).value_or(0);
}

std::optional<QRgb> parseSkinColour(const QString& text) {
    int channels[3] = {};
    qsizetype pos = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            // The separator must follow the number at once; blanks may only precede numbers.
            if (pos >= text.size() || text[pos] != u',')
                return std::nullopt;
            ++pos;
        }
        const auto number = leadingNumber(text, pos);
        if (!number)
            return std::nullopt;
        channels[i] = static_cast<int>(static_cast<std::uint32_t>(*number) & 0xffu);
    }
    return qRgb(channels[0], channels[1], channels[2]);
}

}  // namespace orbpix
