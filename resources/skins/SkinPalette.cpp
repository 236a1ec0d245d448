#include "SkinPalette.h"

namespace skinart {

// Neutral greys, so that nothing around a photograph tints how its colours are judged; one
// calm blue marks what is active.
Palette darkPalette() {
    Palette p;
    p.name = QStringLiteral("Default");
    p.window = QColor(29, 32, 37);
    p.watermark = QColor(36, 40, 46);
    p.bar = QColor(40, 44, 51);
    p.barEdge = QColor(17, 19, 22);
    p.band = QColor(22, 24, 28);
    p.bandEdge = QColor(48, 53, 61);
    p.accent = QColor(64, 150, 240);
    p.frame = QColor(20, 22, 26);
    p.frameEdge = QColor(50, 55, 63);
    p.frameInner = QColor(8, 9, 11);
    p.frameMark = QColor(64, 150, 240);
    p.groove = QColor(14, 15, 18);
    p.grooveEdge = QColor(58, 63, 72);
    p.thumb = {QColor(226, 230, 236), QColor(186, 192, 201), QColor(12, 13, 16), {}};
    p.thumbDragged = {QColor(140, 196, 255), QColor(64, 150, 240), QColor(12, 13, 16), {}};
    p.thumbDisabled = {QColor(74, 79, 88), QColor(62, 67, 75), QColor(24, 26, 30), {}};
    p.normal = {QColor(58, 63, 72), QColor(49, 54, 62), QColor(72, 78, 89), QColor(222, 226, 232)};
    p.hover = {QColor(76, 83, 95), QColor(64, 70, 81), QColor(108, 118, 134),
               QColor(255, 255, 255)};
    p.pressed = {QColor(24, 27, 32), QColor(30, 34, 40), QColor(64, 150, 240),
                 QColor(130, 190, 255)};
    p.disabled = {QColor(38, 41, 47), QColor(36, 39, 45), QColor(44, 48, 55), QColor(86, 91, 100)};
    p.primary = {QColor(72, 156, 244), QColor(52, 132, 222), QColor(86, 168, 255),
                 QColor(255, 255, 255)};
    p.primaryHover = {QColor(100, 176, 255), QColor(72, 152, 240), QColor(150, 204, 255),
                      QColor(255, 255, 255)};
    p.primaryPressed = {QColor(34, 100, 180), QColor(40, 110, 190), QColor(30, 84, 150),
                        QColor(210, 230, 255)};
    p.dialog = QColor(34, 37, 43);
    p.dialogHeader = QColor(42, 46, 53);
    p.dialogLine = QColor(22, 24, 28);
    p.dialogMark = QColor(64, 150, 240);
    p.margin = QColor(24, 26, 31);
    p.panelEdge = QColor(56, 61, 70);

    p.itemBack = QColor(14, 15, 18);
    p.captionBack = QColor(34, 37, 43);
    p.captionText = QColor(196, 201, 209);
    p.itemBackSelected = QColor(18, 34, 54);
    p.captionBackSelected = QColor(52, 132, 222);
    p.captionTextSelected = QColor(255, 255, 255);
    p.progressStart = QColor(40, 110, 200);
    p.progressEnd = QColor(100, 180, 255);
    p.progressText = QColor(255, 255, 255);
    p.progressBack = QColor(20, 22, 26);
    return p;
}

// Paper white and soft greys for bright rooms, with a deeper blue that reads on white.
Palette daylightPalette() {
    Palette p;
    p.name = QStringLiteral("Daylight");
    p.window = QColor(233, 235, 238);
    p.watermark = QColor(224, 227, 231);
    p.bar = QColor(250, 250, 251);
    p.barEdge = QColor(204, 208, 214);
    p.band = QColor(221, 224, 229);
    p.bandEdge = QColor(200, 204, 211);
    p.accent = QColor(0, 110, 220);
    p.frame = QColor(250, 250, 251);
    p.frameEdge = QColor(198, 202, 209);
    p.frameInner = QColor(150, 156, 166);
    p.frameMark = QColor(0, 110, 220);
    p.groove = QColor(196, 200, 207);
    p.grooveEdge = QColor(170, 175, 184);
    p.thumb = {QColor(255, 255, 255), QColor(238, 240, 243), QColor(130, 137, 148), {}};
    p.thumbDragged = {QColor(70, 150, 240), QColor(0, 110, 220), QColor(0, 80, 170), {}};
    p.thumbDisabled = {QColor(238, 239, 241), QColor(232, 233, 236), QColor(200, 203, 208), {}};
    p.normal = {QColor(255, 255, 255), QColor(244, 245, 247), QColor(194, 199, 207),
                QColor(52, 58, 68)};
    p.hover = {QColor(236, 244, 254), QColor(222, 235, 252), QColor(110, 160, 225),
               QColor(0, 96, 200)};
    p.pressed = {QColor(200, 218, 242), QColor(212, 226, 245), QColor(0, 110, 220),
                 QColor(0, 72, 150)};
    p.disabled = {QColor(242, 243, 245), QColor(240, 241, 243), QColor(220, 223, 228),
                  QColor(180, 184, 191)};
    p.primary = {QColor(20, 126, 232), QColor(0, 104, 210), QColor(0, 92, 190),
                 QColor(255, 255, 255)};
    p.primaryHover = {QColor(60, 150, 245), QColor(24, 126, 232), QColor(0, 104, 210),
                      QColor(255, 255, 255)};
    p.primaryPressed = {QColor(0, 84, 172), QColor(0, 92, 186), QColor(0, 70, 150),
                        QColor(220, 235, 255)};
    p.dialog = QColor(246, 247, 249);
    p.dialogHeader = QColor(255, 255, 255);
    p.dialogLine = QColor(218, 221, 226);
    p.dialogMark = QColor(0, 110, 220);
    p.margin = QColor(226, 229, 234);
    p.panelEdge = QColor(200, 204, 211);

    p.itemBack = QColor(255, 255, 255);
    p.captionBack = QColor(240, 241, 244);
    p.captionText = QColor(52, 58, 68);
    p.itemBackSelected = QColor(228, 239, 253);
    p.captionBackSelected = QColor(0, 110, 220);
    p.captionTextSelected = QColor(255, 255, 255);
    // Dark figures read on the light blue fill as well as on the grey behind it.
    p.progressStart = QColor(84, 152, 236);
    p.progressEnd = QColor(140, 198, 252);
    p.progressText = QColor(22, 30, 42);
    p.progressBack = QColor(214, 218, 224);
    return p;
}

}  // namespace skinart
