#include "imaging/io/FormatPatterns.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <vector>

namespace orbpix {

namespace {

constexpr std::array<FormatPattern, 14> kTable{{
    {"*.bmp", kFormatBmp},
    {"*.cmp", kFormatCmp},
    {"*.jpg", kFormatJpeg},
    {"*.jpeg", kFormatJpeg},
    {"*.jfif", kFormatJpeg},
    {"*.tif", kFormatTiff},
    {"*.tiff", kFormatTiff},
    {"*.tga", kFormatTga},
    {"*.png", kFormatPng},
    {"*.eps", kFormatEps},
    {"*.pict", kFormatPict},
    {"*.pct", kFormatPict},
    {"*.fpx", kFormatFpx},
    {"*.pcd", kFormatPcd},
}};

}  // namespace

std::span<const FormatPattern> formatPatternTable() {
    return kTable;
}

void enumeratePatterns(const std::function<void(int code, const char* pattern)>& callback) {
    for (const FormatPattern& row : formatPatternTable())
        callback(row.code, row.pattern);
}

int formatDescriptionTextId(int code) {
    switch (code) {
        case 2:
            return 715;
        case kFormatTiff:
            return 625;
        case kFormatTga:
            return 720;
        case kFormatCmp:
            return 700;
        case kFormatBmp:
            return 705;
        case kFormatJpeg:
            return 710;
        case kFormatEps:
            return 730;
        case kFormatPict:
            return 735;
        case kFormatPcd:
            return 745;
        case kFormatPng:
            return 725;
        case kFormatFpx:
            return 740;
        default:
            return 790;
    }
}

QString openDialogFilter(const std::function<QString(int id)>& text) {
    // Codes in the order of their first pattern in the table.
    std::vector<int> codes;
    QStringList all;
    for (const FormatPattern& row : formatPatternTable()) {
        all << QString::fromLatin1(row.pattern);
        if (std::find(codes.begin(), codes.end(), row.code) == codes.end())
            codes.push_back(row.code);
    }
    QString filter = text(kAllPicturesTextId) + u'|' + all.join(u';');
    for (const int code : codes) {
        QStringList patterns;
        for (const FormatPattern& row : formatPatternTable())
            if (row.code == code)
                patterns << QString::fromLatin1(row.pattern);
        const QString joined = patterns.join(u';');
        QString description = text(formatDescriptionTextId(code));
        description.replace(QStringLiteral("%s"), joined);
        filter += u'|' + description + u'|' + joined;
    }
    return filter + QStringLiteral("||");
}

int formatCodeForSuffix(const QString& suffix) {
    QString pattern = suffix.toLower();
    if (!pattern.startsWith(QStringLiteral("*.")))
        pattern = QStringLiteral("*.") + (pattern.startsWith(u'.') ? pattern.mid(1) : pattern);
    for (const FormatPattern& row : formatPatternTable())
        if (pattern == QLatin1String(row.pattern))
            return row.code;
    return 0;
}

}  // namespace orbpix
