// The skins that ship: every element the windows ask for is there (the default skin's also built
// into the resource library), and every picture has the form its control expects.

#include <gtest/gtest.h>
#include <QFile>
#include <QResource>
#include <QSet>
#include <QTemporaryDir>

#include "skins/SkinBitmap.h"
#include "skins/SkinInfo.h"
#include "skins/SkinManager.h"
#include "skins/SkinPackage.h"

namespace orbpix {
namespace {

const QString kProgram = QStringLiteral(ORBPIX_PROGRAM_DIR);

const QStringList kButtons = {"BTM_OPEN_IMA",  "BTM_OPEN_ALB",  "BTM_SAVE_ALB",    "BTM_ORBT_EMAIL",
                              "BTM_ORBT_HTML", "BTM_ORBT_DD",   "MAIN_TRASH",      "BTM_SLIDE_L",
                              "BTM_SLIDE_R",   "BTM_ZOOM_M",    "BTM_ZOOM_P",      "BTM_A_FIX",
                              "BTM_NO_COR",    "BTN_ROTATE_UP", "BTN_ROTATE_DOWN", "BTM_MIN_BRI",
                              "BTM_MAX_BRI",   "BTM_MIN_CON",   "BTM_MAX_CON",     "BTM_MIN_SAT",
                              "BTM_MAX_SAT",   "BTN_OK",        "BTN_CANCEL"};
const QStringList kThumbs = {"CUR_SLID_BRI", "CUR_SLID_CON", "CUR_SLID_SAT"};
const QStringList kOthers = {
    "MAIN_BKG",      "BKG_D",         "MAIN_LOGO",     "BKG_BTM_ED_L",   "BKG_BTM_ED_R",
    "BKG_BTM_ED_T",  "BKG_DON_L",     "BKG_DON_R",     "BKG_DON_TILE",   "BKG_DON_HIGH",
    "PREVISU_HG",    "PREVISU_HD",    "PREVISU_BG",    "PREVISU_BD",     "PREVISU_H",
    "PREVISU_G",     "PREVISU_D",     "PREVISU_B",     "PREVISU_T_HHG",  "PREVISU_T_HHD",
    "PREVISU_T_GGH", "PREVISU_T_GGB", "PREVISU_T_DDH", "PREVISU_T_DDB",  "PREVISU_T_BBG",
    "PREVISU_T_BBD", "BKG_SLID_BRI",  "BKG_SLID_CON",  "BKG_SLID_SAT",   "BKG_ALBPROP",
    "BKG_IMGPROP",   "BKG_SAVEALBUM", "BKG_ABOUT",     "PI_HAUT_GAUCHE", "PI_HAUT_DROIT",
    "PI_BAS_GAUCHE", "PI_BAS_DROIT",  "PI_HAUT_TILE",  "PI_GAUCHE_TILE", "PI_DROIT_TILE",
    "PI_BAS_TILE"};
const QStringList kColours = {
    "DONUTS_BKG",        "DONUTS_BKGTXT",  "DONUTS_TXT",     "DONUTS_BKG_SEL",
    "DONUTS_BKGTXT_SEL", "DONUTS_TXT_SEL", "PROGRESS_START", "PROGRESS_END",
    "PROGRESS_TXT",      "PROGRESS_BKG",   "PI_COL"};

// Default lies in the program folder; Daylight ships as a package and is unpacked first.
class ShippedSkin : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(QResource::registerResource(kProgram + "/OrbPixRes.rcc"));
    }
    void SetUp() override {
        const QString name = GetParam();
        m_skins = kProgram + "/Skins";
        if (name != "Default") {
            m_skins = m_unpacked.path() + "/Skins";
            ASSERT_GT(
                extractZipArchive(kProgram + "/Skins/" + name + ".osz", m_skins + "/" + name,
                                  [](ZipError, const QString& m) { FAIL() << m.toStdString(); }),
                0);
        }
        ASSERT_TRUE(m_skin.initialise(m_skins, "Default", name));
        ASSERT_EQ(m_skin.getCurrentSkin(), name);
    }
    QString folder() const { return m_skins + "/" + GetParam() + "/"; }
    QString info() const { return folder() + "info.txt"; }

    QTemporaryDir m_unpacked;
    QString m_skins;
    SkinManager m_skin;
    SkinManager m_builtIn;  // never initialised: no current skin, so every element is built in
};

INSTANTIATE_TEST_SUITE_P(BothSkins, ShippedSkin, ::testing::Values("Default", "Daylight"));

TEST_P(ShippedSkin, EveryPictureLoadsFromTheFolderAsA24BitBitmap) {
    for (const QString& element : kButtons + kThumbs + kOthers) {
        SCOPED_TRACE(element.toStdString());
        const QImage fromFolder = m_skin.loadElementBitmap(element);
        ASSERT_FALSE(fromFolder.isNull());
        if (GetParam() == QStringLiteral("Default")) {
            const QImage builtIn = m_builtIn.loadElementBitmap(element);
            ASSERT_FALSE(builtIn.isNull());
            EXPECT_EQ(builtIn.convertToFormat(QImage::Format_RGB32),
                      fromFolder.convertToFormat(QImage::Format_RGB32));
        }
        QFile file(folder() + element + ".bmp");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(30);
        ASSERT_EQ(header.size(), 30);
        EXPECT_TRUE(header.startsWith("BM"));
        EXPECT_EQ(quint8(header[28]), 24);  // bits per pixel
    }
}

// Frame 0 must be the key outside and another colour inside; the shown frames must keep the
// key outside (no fringe of another colour) and must each look different.
TEST_P(ShippedSkin, ButtonPicturesHoldFiveFramesAroundOneKeyedShape) {
    for (const QString& element : kButtons) {
        SCOPED_TRACE(element.toStdString());
        SkinBitmap picture;
        ASSERT_TRUE(m_skin.loadElement(element, picture));
        const QImage image = picture.picture().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(image.width() % 5, 0);
        const int w = image.width() / 5, h = image.height();
        const QRgb key = image.pixel(0, 0) & RGB_MASK;
        ASSERT_TRUE(picture.transparentColour());
        EXPECT_EQ(*picture.transparentColour() & RGB_MASK, key);

        int inside = 0;
        QSet<QRgb> shapeColours;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const QRgb shape = image.pixel(x, y) & RGB_MASK;
                const bool in = shape != key;
                inside += in ? 1 : 0;
                if (in)
                    shapeColours.insert(shape);
                for (int frame = 1; frame < 5 && !in; ++frame) {
                    const QRgb shown = image.pixel(frame * w + x, y) & RGB_MASK;
                    ASSERT_EQ(shown, key) << "frame " << frame << " at " << x << "," << y;
                }
            }
        EXPECT_EQ(shapeColours.size(), 1);
        EXPECT_GT(inside, w * h / 2);  // the shape fills most of the frame
        EXPECT_NE(image.pixel(w / 2, h / 2) & RGB_MASK, key);
        EXPECT_EQ(image.pixel(w - 1, h - 1) & RGB_MASK, key);
        for (int a = 1; a < 5; ++a)
            for (int b = a + 1; b < 5; ++b)
                EXPECT_NE(image.copy(a * w, 0, w, h), image.copy(b * w, 0, w, h))
                    << "frames " << a << " and " << b;
    }
}

TEST_P(ShippedSkin, SliderThumbsHoldThreeFramesAsHighAsTheirTracks) {
    for (const QString which : {"BRI", "CON", "SAT"}) {
        SCOPED_TRACE(which.toStdString());
        SkinBitmap thumb, track;
        ASSERT_TRUE(thumb.load(m_skin, "CUR_SLID_" + which));
        ASSERT_TRUE(track.load(m_skin, "BKG_SLID_" + which));
        EXPECT_EQ(thumb.width() % 3, 0);
        EXPECT_GT(thumb.width(), 0);
        EXPECT_EQ(thumb.height(), track.height());
        const QImage frames = thumb.picture();
        const int w = thumb.width() / 3;
        EXPECT_NE(frames.copy(0, 0, w, frames.height()), frames.copy(w, 0, w, frames.height()));
        EXPECT_NE(frames.copy(0, 0, w, frames.height()), frames.copy(2 * w, 0, w, frames.height()));
    }
}

TEST_P(ShippedSkin, EveryColourIsGivenAndParses) {
    for (const QString& element : kColours) {
        SCOPED_TRACE(element.toStdString());
        const auto text = SkinInfoFile::value(info(), "Color", element);
        ASSERT_TRUE(text);
        const auto colour = parseSkinColour(*text);
        ASSERT_TRUE(colour);
        EXPECT_EQ(m_skin.getSkinColor(element, qRgb(1, 2, 3)), *colour);
    }
    // Captions stay readable on their grounds.
    const auto lightness = [&](const char* element) {
        return qGray(m_skin.getSkinColor(element, 0));
    };
    EXPECT_GT(std::abs(lightness("DONUTS_TXT") - lightness("DONUTS_BKGTXT")), 100);
    EXPECT_GT(std::abs(lightness("DONUTS_TXT_SEL") - lightness("DONUTS_BKGTXT_SEL")), 60);
}

// The pieces of a frame are laid edge to edge, so pieces that meet must agree in size.
TEST_P(ShippedSkin, FramePiecesMeet) {
    const auto size = [&](const QString& element) {
        return m_skin.loadElementBitmap(element).size();
    };
    const int side = size("PREVISU_H").height();
    for (const char* e : {"PREVISU_HG", "PREVISU_HD", "PREVISU_BG", "PREVISU_BD"})
        EXPECT_EQ(size(e), QSize(side, side)) << e;
    for (const char* e :
         {"PREVISU_B", "PREVISU_T_HHG", "PREVISU_T_HHD", "PREVISU_T_BBG", "PREVISU_T_BBD"})
        EXPECT_EQ(size(e).height(), side) << e;
    for (const char* e : {"PREVISU_G", "PREVISU_D", "PREVISU_T_GGH", "PREVISU_T_GGB",
                          "PREVISU_T_DDH", "PREVISU_T_DDB"})
        EXPECT_EQ(size(e).width(), side) << e;
    EXPECT_EQ(size("BKG_BTM_ED_L").height(), size("BKG_BTM_ED_T").height());
    EXPECT_EQ(size("BKG_BTM_ED_R").height(), size("BKG_BTM_ED_T").height());
    EXPECT_EQ(size("BKG_DON_L").height(), size("BKG_DON_TILE").height());
    EXPECT_EQ(size("BKG_DON_R").height(), size("BKG_DON_TILE").height());
    // Top-bar buttons stand on the bar without covering its lower edge.
    for (const char* e : {"BTM_OPEN_IMA", "BTM_ORBT_DD"})
        EXPECT_LT(size(e).height(), size("BKG_BTM_ED_T").height()) << e;
}

}  // namespace
}  // namespace orbpix
