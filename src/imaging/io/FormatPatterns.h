#pragma once

#include <QString>
#include <functional>
#include <span>

namespace orbpix {

// Format codes of the picture files the suite knows.
enum FormatCode : int {
    kFormatTiff = 3,
    kFormatTga = 4,
    kFormatCmp = 5,
    kFormatBmp = 6,
    kFormatJpeg = 10,
    kFormatEps = 16,
    kFormatPict = 56,
    kFormatPcd = 57,
    kFormatPng = 75,
    kFormatFpx = 80,
};

struct FormatPattern {
    const char* pattern;  // e.g. "*.jpg"
    int code;
};

// The file patterns that identify picture files, "*.bmp" first.
std::span<const FormatPattern> formatPatternTable();

// Calls back once per pattern, in table order.
void enumeratePatterns(const std::function<void(int code, const char* pattern)>& callback);

// Resource text of a format's description (a format string for its pattern list).
int formatDescriptionTextId(int code);
// Resource text of the entry for all pictures.
inline constexpr int kAllPicturesTextId = 795;

// The open dialog's filter: "all|patterns|desc|patterns|...||", with each description's
// "%s" replaced by its patterns joined with ";". text() looks up resource texts.
QString openDialogFilter(const std::function<QString(int id)>& text);

// The format code of a file pattern or extension ("jpg", "*.JPG"), 0 when unknown.
int formatCodeForSuffix(const QString& suffix);

}  // namespace orbpix
