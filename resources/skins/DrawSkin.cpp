// Draws a complete album-program skin, every picture and info.txt, into the folder named on
// the command line: "draw_skin default FOLDER" or "draw_skin daylight FOLDER". The output
// depends on nothing but these sources, so that no picture needs editing by hand.
//
// Shaped pictures (buttons, the strip highlight) are drawn over the flat colour of the place
// they sit on, and that colour is their see-through key: their anti-aliased edges then blend
// into the window without a fringe, and they look right even where a window draws them
// without the key.

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <cstring>

#include "SkinIcons.h"
#include "SkinOutput.h"
#include "SkinPalette.h"

namespace skinart {
namespace {

// Heights the main window's layout is built around.
constexpr int kBarHeight = 48;
constexpr int kBandHeight = 144;

QColor mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QImage filled(int width, int height, const QColor& colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// ---- buttons -------------------------------------------------------------------------------

struct ButtonDesign {
    const char* element;
    int width, height;
    Icon icon;
    int iconSize;
    double radius;
    bool primary = false;
};

QPainterPath buttonShape(const ButtonDesign& d, int inset) {
    QPainterPath path;
    const QRectF r(1 + inset, 1 + inset, d.width - 2 - 2 * inset, d.height - 2 - 2 * inset);
    path.addRoundedRect(r, d.radius - inset, d.radius - inset);
    return path;
}

// How much of each pixel the button's shape covers (0 = outside).
QImage shapeCoverage(const ButtonDesign& d) {
    QImage coverage(d.width, d.height, QImage::Format_ARGB32_Premultiplied);
    coverage.fill(Qt::transparent);
    QPainter painter(&coverage);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(buttonShape(d, 0), Qt::white);
    return coverage;
}

QImage buttonFace(const ButtonDesign& d, const ButtonLook& look, const QColor& host, bool pressed) {
    QImage face = filled(d.width, d.height, host);
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(buttonShape(d, 0), look.rim);
    QLinearGradient shade(0, 1, 0, d.height - 1);
    shade.setColorAt(0, look.faceTop);
    shade.setColorAt(1, look.faceBottom);
    painter.fillPath(buttonShape(d, 1), shade);
    const double shift = pressed ? 1 : 0;
    const QRectF box((d.width - d.iconSize) / 2.0, (d.height - d.iconSize) / 2.0 + shift,
                     d.iconSize, d.iconSize);
    drawIcon(painter, d.icon, box, look.icon, mix(look.faceTop, look.faceBottom, 0.5));
    return face;
}

// Five frames side by side: the shape (the key outside, one other colour inside), then normal,
// hover, pressed and disabled. Pixels outside the shape are the key in every frame.
QImage buttonPicture(const Palette& p, const ButtonDesign& d, const QColor& host) {
    const QImage coverage = shapeCoverage(d);
    const ButtonLook looks[4] = {d.primary ? p.primary : p.normal,
                                 d.primary ? p.primaryHover : p.hover,
                                 d.primary ? p.primaryPressed : p.pressed, p.disabled};
    QImage faces[5] = {filled(d.width, d.height, host.lightness() > 128 ? Qt::black : Qt::white)};
    for (int k = 0; k < 4; ++k)
        faces[k + 1] = buttonFace(d, looks[k], host, k == 2);
    QImage picture(d.width * 5, d.height, QImage::Format_RGB32);
    for (int k = 0; k < 5; ++k)
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x) {
                const bool inside = qAlpha(coverage.pixel(x, y)) > 0;
                picture.setPixel(k * d.width + x, y, inside ? faces[k].pixel(x, y) : host.rgb());
            }
    return picture;
}

void drawButtons(SkinOutput& out, const Palette& p, const std::vector<ButtonDesign>& designs,
                 const QColor& host) {
    for (const ButtonDesign& d : designs)
        out.keyed(QString::fromLatin1(d.element), buttonPicture(p, d, host), host);
}

void drawTopBarButtons(SkinOutput& out, const Palette& p) {
    // One pixel short of the bar, so that the bar's lower edge runs on under them.
    const int h = kBarHeight - 1, w = 52, icon = 24;
    drawButtons(out, p,
                {{"BTM_OPEN_IMA", w, h, Icon::AddPictures, icon, 9},
                 {"BTM_OPEN_ALB", w, h, Icon::Folder, icon, 9},
                 {"BTM_SAVE_ALB", w, h, Icon::Disk, icon, 9},
                 {"BTM_ORBT_EMAIL", w, h, Icon::Envelope, icon, 9},
                 {"BTM_ORBT_HTML", w, h, Icon::Globe, icon, 9},
                 {"BTM_ORBT_DD", w, h, Icon::Tour, icon, 9}},
                p.bar);
}

void drawWindowButtons(SkinOutput& out, const Palette& p) {
    drawButtons(out, p,
                {{"MAIN_TRASH", 44, 44, Icon::Trash, 26, 10},
                 {"BTM_ZOOM_M", 32, 28, Icon::ZoomOut, 18, 7},
                 {"BTM_ZOOM_P", 32, 28, Icon::ZoomIn, 18, 7},
                 {"BTM_A_FIX", 38, 30, Icon::MagicWand, 20, 7},
                 {"BTM_NO_COR", 38, 30, Icon::NoCorrection, 20, 7},
                 {"BTN_ROTATE_UP", 38, 30, Icon::LensUp, 20, 7},
                 {"BTN_ROTATE_DOWN", 38, 30, Icon::LensDown, 20, 7},
                 {"BTM_MIN_BRI", 28, 26, Icon::SunLow, 18, 6},
                 {"BTM_MAX_BRI", 28, 26, Icon::SunHigh, 18, 6},
                 {"BTM_MIN_CON", 28, 26, Icon::ContrastLow, 18, 6},
                 {"BTM_MAX_CON", 28, 26, Icon::ContrastHigh, 18, 6},
                 {"BTM_MIN_SAT", 28, 26, Icon::DropLow, 18, 6},
                 {"BTM_MAX_SAT", 28, 26, Icon::DropHigh, 18, 6}},
                p.window);
}

void drawStripButtons(SkinOutput& out, const Palette& p) {
    drawButtons(out, p,
                {{"BTM_SLIDE_L", 22, kBandHeight - 32, Icon::ChevronLeft, 18, 6},
                 {"BTM_SLIDE_R", 22, kBandHeight - 32, Icon::ChevronRight, 18, 6}},
                p.band);
}

void drawDialogButtons(SkinOutput& out, const Palette& p) {
    drawButtons(
        out, p,
        {{"BTN_OK", 88, 30, Icon::Check, 18, 7, true}, {"BTN_CANCEL", 88, 30, Icon::Cross, 18, 7}},
        p.dialog);
}

// ---- main window ---------------------------------------------------------------------------

void drawMainBackground(SkinOutput& out, const Palette& p) {
    out.picture(QStringLiteral("MAIN_BKG"), filled(32, 32, p.window));
    out.tile(QStringLiteral("MAIN_BKG"), 0);

    // A few faint arcs of a large ring, centred on the window's corner.
    QImage corner = filled(240, 150, p.window);
    QPainter painter(&corner);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    for (int k = 0; k < 4; ++k) {
        painter.setPen(QPen(p.watermark, 10 - 2 * k));
        const double r = 70 + 34 * k;
        painter.drawEllipse(QPointF(250, 160), r, r);
    }
    painter.end();
    out.picture(QStringLiteral("BKG_D"), corner);
}

QImage barSlice(const Palette& p, int width) {
    QImage slice = filled(width, kBarHeight, p.bar);
    QPainter painter(&slice);
    painter.fillRect(0, kBarHeight - 1, width, 1, p.barEdge);
    return slice;
}

void drawTopBar(SkinOutput& out, const Palette& p) {
    out.picture(QStringLiteral("BKG_BTM_ED_L"), barSlice(p, 24));
    out.picture(QStringLiteral("BKG_BTM_ED_T"), barSlice(p, 8));
    out.picture(QStringLiteral("BKG_BTM_ED_R"), barSlice(p, 24));
    out.tile(QStringLiteral("BKG_BTM_ED_T"), 0);

    QImage logo = barSlice(p, 64);
    QPainter painter(&logo);
    drawIcon(painter, Icon::Ring, QRectF(18, 8, 30, 30), p.accent, p.bar);
    painter.end();
    out.picture(QStringLiteral("MAIN_LOGO"), logo);
}

QImage bandSlice(const Palette& p, int width) {
    QImage slice = filled(width, kBandHeight, p.band);
    QPainter painter(&slice);
    // A soft shadow under the bar makes the strip a well the pictures sit in.
    painter.fillRect(0, 0, width, 1, mix(p.band, p.barEdge, 0.6));
    painter.fillRect(0, 1, width, 1, mix(p.band, p.barEdge, 0.3));
    painter.fillRect(0, kBandHeight - 1, width, 1, p.bandEdge);
    return slice;
}

void drawStripBand(SkinOutput& out, const Palette& p) {
    out.picture(QStringLiteral("BKG_DON_L"), bandSlice(p, 16));
    out.picture(QStringLiteral("BKG_DON_TILE"), bandSlice(p, 8));
    out.picture(QStringLiteral("BKG_DON_R"), bandSlice(p, 16));

    // A glow of the accent colour round the selected thumbnail (96 × 116).
    QImage glow = filled(110, 128, p.band);
    QPainter painter(&glow);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(p.accent, 2));
    painter.setBrush(mix(p.band, p.accent, 0.35));
    painter.drawRoundedRect(QRectF(1, 1, 108, 126), 9, 9);
    painter.end();
    out.keyed(QStringLiteral("BKG_DON_HIGH"), glow, p.band);
}

// The preview frame is drawn whole around a sample picture and cut into its sixteen pieces,
// so that the pieces always meet.
void drawPreviewFrame(SkinOutput& out, const Palette& p) {
    constexpr int t = 12, pw = 200, ph = 120;
    constexpr int A = t, B = t, C = t + pw, D = t + ph;
    QImage whole = filled(pw + 2 * t, ph + 2 * t, p.window);
    QPainter painter(&whole);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(p.frameEdge, 1));
    painter.setBrush(p.frame);
    painter.drawRoundedRect(QRectF(0.5, 0.5, pw + 2 * t - 1, ph + 2 * t - 1), 8, 8);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.fillRect(A - 1, B - 1, pw + 2, ph + 2, p.frameInner);
    // Small marks at the middle of each side, as a viewfinder has.
    painter.fillRect(A + pw / 2 - 8, 5, 16, 2, p.frameMark);
    painter.fillRect(A + pw / 2 - 8, D + 5, 16, 2, p.frameMark);
    painter.fillRect(5, B + ph / 2 - 8, 2, 16, p.frameMark);
    painter.fillRect(C + 5, B + ph / 2 - 8, 2, 16, p.frameMark);
    painter.end();

    const auto cut = [&](const char* element, int x, int y, int w, int h) {
        out.picture(QString::fromLatin1(element), whole.copy(x, y, w, h));
    };
    const int midX = A + (pw - 48) / 2, midY = B + (ph - 48) / 2;
    cut("PREVISU_HG", 0, 0, t, t);
    cut("PREVISU_HD", C, 0, t, t);
    cut("PREVISU_BG", 0, D, t, t);
    cut("PREVISU_BD", C, D, t, t);
    cut("PREVISU_H", midX, 0, 48, t);
    cut("PREVISU_B", midX, D, 48, t);
    cut("PREVISU_G", 0, midY, t, 48);
    cut("PREVISU_D", C, midY, t, 48);
    cut("PREVISU_T_HHG", A + 8, 0, 4, t);
    cut("PREVISU_T_HHD", C - 12, 0, 4, t);
    cut("PREVISU_T_BBG", A + 8, D, 4, t);
    cut("PREVISU_T_BBD", C - 12, D, 4, t);
    cut("PREVISU_T_GGH", 0, B + 8, t, 4);
    cut("PREVISU_T_GGB", 0, D - 12, t, 4);
    cut("PREVISU_T_DDH", C, B + 8, t, 4);
    cut("PREVISU_T_DDB", C, D - 12, t, 4);
    // The fillers are even along their length; laying them from their own corner keeps the
    // partial tile next to the centre mark.
    out.tile(QStringLiteral("PREVISU_T_HHD"), 1);
    out.tile(QStringLiteral("PREVISU_T_BBD"), 2);
    out.tile(QStringLiteral("PREVISU_T_BBG"), 3);
    out.tile(QStringLiteral("PREVISU_T_GGB"), 3);
    out.tile(QStringLiteral("PREVISU_T_DDB"), 2);
}

// ---- sliders -------------------------------------------------------------------------------

constexpr int kTrackHeight = 22;

QImage track(const Palette& p, int width) {
    QImage groove = filled(width, kTrackHeight, p.window);
    QPainter painter(&groove);
    painter.fillRect(0, 9, width, 4, p.groove);
    painter.fillRect(0, 13, width, 1, p.grooveEdge);
    return groove;
}

// The thumb is drawn over the track it slides on, so it needs no see-through colour.
QImage thumbFrame(const Palette& p, const ButtonLook& look) {
    QImage thumb = track(p, 14);
    QPainter painter(&thumb);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(look.rim, 1));
    QLinearGradient shade(0, 2, 0, 20);
    shade.setColorAt(0, look.faceTop);
    shade.setColorAt(1, look.faceBottom);
    painter.setBrush(shade);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 11, 19), 4, 4);
    painter.setPen(QPen(look.rim, 1));
    painter.drawLine(QPointF(5.5, 8), QPointF(5.5, 14));
    painter.drawLine(QPointF(8.5, 8), QPointF(8.5, 14));
    return thumb;
}

void drawSliders(SkinOutput& out, const Palette& p) {
    QImage thumbs(14 * 3, kTrackHeight, QImage::Format_RGB32);
    QPainter painter(&thumbs);
    painter.drawImage(0, 0, thumbFrame(p, p.thumb));
    painter.drawImage(14, 0, thumbFrame(p, p.thumbDragged));
    painter.drawImage(28, 0, thumbFrame(p, p.thumbDisabled));
    painter.end();
    for (const char* which : {"BRI", "CON", "SAT"}) {
        out.picture(QStringLiteral("CUR_SLID_") + QLatin1String(which), thumbs);
        out.picture(QStringLiteral("BKG_SLID_") + QLatin1String(which), track(p, 8));
    }
}

// ---- dialogs -------------------------------------------------------------------------------

QImage dialogBackground(const Palette& p, int width, int height, Icon icon, int headerHeight) {
    QImage image = filled(width, height, p.dialog);
    QPainter painter(&image);
    painter.fillRect(0, 0, width, headerHeight, p.dialogHeader);
    painter.fillRect(0, headerHeight, width, 1, p.dialogLine);
    painter.fillRect(0, 0, width, 2, p.dialogMark);
    // The button row at the foot is set off by a line.
    painter.fillRect(16, height - 50, width - 32, 1, p.dialogLine);
    const int size = headerHeight - 20;
    drawIcon(painter, icon, QRectF(16, 11, size, size), p.dialogMark, p.dialogHeader);
    return image;
}

// The about window: the program's icon and name stand in the header as controls of their own.
// The window opens cut off above the line; the credits band lies below it.
QImage aboutBackground(const Palette& p) {
    constexpr int width = 400, height = 428, headerHeight = 84, fold = 200;
    QImage image = filled(width, height, p.dialog);
    QPainter painter(&image);
    painter.fillRect(0, 0, width, headerHeight, p.dialogHeader);
    painter.fillRect(0, headerHeight, width, 1, p.dialogLine);
    painter.fillRect(0, 0, width, 2, p.dialogMark);
    painter.fillRect(0, fold, width, 1, p.dialogLine);
    return image;
}

void drawDialogs(SkinOutput& out, const Palette& p) {
    out.picture(QStringLiteral("BKG_ALBPROP"), dialogBackground(p, 400, 230, Icon::Folder, 44));
    out.picture(QStringLiteral("BKG_SAVEALBUM"), dialogBackground(p, 400, 180, Icon::Disk, 44));
    out.picture(QStringLiteral("BKG_ABOUT"), aboutBackground(p));
    // The image properties dialog grows with its picture: an even ground, framed below.
    out.picture(QStringLiteral("BKG_IMGPROP"), filled(32, 32, p.dialog));
}

// The image properties frame: a margin round a rounded panel of the dialog colour, drawn whole
// and cut into corners and sides. Inside it is the dialog colour, so that the OK and Cancel
// buttons sit on the same ground as in every other dialog.
void drawPropertiesFrame(SkinOutput& out, const Palette& p) {
    constexpr int w = 200, h = 160, c = 20;
    QImage whole = filled(w, h, p.margin);
    QPainter painter(&whole);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(p.panelEdge, 1));
    painter.setBrush(p.dialog);
    painter.drawRoundedRect(QRectF(8.5, 8.5, w - 17, h - 17), 8, 8);
    painter.end();
    const auto cut = [&](const char* element, int x, int y, int cw, int ch) {
        out.picture(QString::fromLatin1(element), whole.copy(x, y, cw, ch));
    };
    cut("PI_HAUT_GAUCHE", 0, 0, c, c);
    cut("PI_HAUT_DROIT", w - c, 0, c, c);
    cut("PI_BAS_GAUCHE", 0, h - c, c, c);
    cut("PI_BAS_DROIT", w - c, h - c, c, c);
    cut("PI_HAUT_TILE", 2 * c, 0, 4, c);
    cut("PI_BAS_TILE", 2 * c, h - c, 4, c);
    cut("PI_GAUCHE_TILE", 0, 2 * c, c, 4);
    cut("PI_DROIT_TILE", w - c, 2 * c, c, 4);
    out.colour(QStringLiteral("PI_COL"), p.dialog);
}

void writeColours(SkinOutput& out, const Palette& p) {
    out.colour(QStringLiteral("DONUTS_BKG"), p.itemBack);
    out.colour(QStringLiteral("DONUTS_BKGTXT"), p.captionBack);
    out.colour(QStringLiteral("DONUTS_TXT"), p.captionText);
    out.colour(QStringLiteral("DONUTS_BKG_SEL"), p.itemBackSelected);
    out.colour(QStringLiteral("DONUTS_BKGTXT_SEL"), p.captionBackSelected);
    out.colour(QStringLiteral("DONUTS_TXT_SEL"), p.captionTextSelected);
    out.colour(QStringLiteral("PROGRESS_START"), p.progressStart);
    out.colour(QStringLiteral("PROGRESS_END"), p.progressEnd);
    out.colour(QStringLiteral("PROGRESS_TXT"), p.progressText);
    out.colour(QStringLiteral("PROGRESS_BKG"), p.progressBack);
}

SkinOutput drawSkin(const Palette& p) {
    SkinOutput out;
    drawMainBackground(out, p);
    drawTopBar(out, p);
    drawStripBand(out, p);
    drawPreviewFrame(out, p);
    drawSliders(out, p);
    drawTopBarButtons(out, p);
    drawWindowButtons(out, p);
    drawStripButtons(out, p);
    drawDialogButtons(out, p);
    drawDialogs(out, p);
    drawPropertiesFrame(out, p);
    writeColours(out, p);
    return out;
}

}  // namespace
}  // namespace skinart

int main(int argc, char** argv) {
    const bool light = argc == 3 && std::strcmp(argv[1], "daylight") == 0;
    if (argc != 3 || (!light && std::strcmp(argv[1], "default") != 0)) {
        std::fprintf(stderr, "usage: %s default|daylight SKIN-FOLDER\n", argv[0]);
        return 1;
    }
    const skinart::Palette palette = light ? skinart::daylightPalette() : skinart::darkPalette();
    if (!skinart::drawSkin(palette).write(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "the skin could not be written to %s\n", argv[2]);
        return 1;
    }
    return 0;
}
