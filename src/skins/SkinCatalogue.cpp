#include "skins/SkinCatalogue.h"

#include <QGuiApplication>
#include <QPalette>

namespace orbpix {

namespace {

enum class Desktop { None, Highlight, HighlightedText, Button };

struct ColourElement {
    const char* name;
    QRgb fixed;
    Desktop desktop;
};

constexpr QRgb kBlack = 0xff000000;
constexpr QRgb kGrey = 0xff808080;
constexpr QRgb kBlue = 0xff0000ff;

constexpr ColourElement kColourElements[] = {
    {"DONUTS_BKG", kBlack, Desktop::None},
    {"DONUTS_BKGTXT", kGrey, Desktop::None},
    {"DONUTS_TXT", kBlue, Desktop::None},
    {"DONUTS_BKG_SEL", kBlack, Desktop::None},
    {"DONUTS_BKGTXT_SEL", kGrey, Desktop::None},
    {"DONUTS_TXT_SEL", kBlue, Desktop::None},
    {"PROGRESS_START", 0, Desktop::Highlight},
    {"PROGRESS_END", 0, Desktop::Highlight},
    {"PROGRESS_TXT", 0, Desktop::HighlightedText},
    {"PROGRESS_BKG", 0, Desktop::Button},
    {"PI_COL", kGrey, Desktop::None},
};

QRgb desktopColour(Desktop which) {
    // Without a graphical application (the command-line tool) there is no desktop palette;
    // the toolkit's own light defaults stand in for it.
    const bool desktop = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    switch (which) {
        case Desktop::Highlight:
            return desktop ? QGuiApplication::palette().color(QPalette::Highlight).rgb()
                           : qRgb(48, 140, 198);
        case Desktop::HighlightedText:
            return desktop ? QGuiApplication::palette().color(QPalette::HighlightedText).rgb()
                           : qRgb(255, 255, 255);
        case Desktop::Button:
            return desktop ? QGuiApplication::palette().color(QPalette::Button).rgb()
                           : qRgb(239, 239, 239);
        case Desktop::None:
            break;
    }
    return kBlack;
}

}  // namespace

std::optional<QRgb> catalogueColour(const QString& element) {
    for (const ColourElement& e : kColourElements) {
        if (element == QLatin1String(e.name))
            return e.desktop == Desktop::None ? e.fixed : desktopColour(e.desktop);
    }
    return std::nullopt;
}

}  // namespace orbpix
