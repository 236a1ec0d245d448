// Photographs the album strip as a user sees it: the shipped skin's strip band with an album
// of the example rings, two pictures selected, one caption too long for its cell, and a drop
// marker between two pictures.
//   strip_screenshot PROGRAM-FOLDER EXAMPLES-FOLDER OUTPUT.png [SKIN]
// Under Xvfb the window is taken from the screen; elsewhere it is rendered.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <cstdio>

#include "album/EditHistory.h"
#include "album/FilePatternList.h"
#include "album/FileSystem.h"
#include "album/FolderAlbum.h"
#include "skins/SkinBitmap.h"
#include "skins/SkinManager.h"
#include "skins/SkinPackage.h"
#include "ui/AlbumStrip.h"

namespace orbpix {
namespace {

// The strip band of the main window, under a strip that leaves its gaps to it.
class Band : public QWidget {
public:
    explicit Band(const SkinManager& skins) {
        (void)m_left.load(skins, QStringLiteral("BKG_DON_L"));
        (void)m_tile.load(skins, QStringLiteral("BKG_DON_TILE"));
        (void)m_right.load(skins, QStringLiteral("BKG_DON_R"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QImage surface(size(), QImage::Format_RGB32);
        surface.fill(QColor(40, 40, 40));
        SkinCanvas canvas(surface);
        m_left.draw(canvas, 0, 0);
        (void)m_tile.drawTiled(canvas,
                               QRect(m_left.width(), 0, width() - m_left.width() - m_right.width(),
                                     std::max(m_tile.height(), height())));
        m_right.draw(canvas, width() - m_right.width(), 0);
        QPainter(this).drawImage(0, 0, surface);
    }

private:
    SkinBitmap m_left, m_tile, m_right;
};

QColor colour(const SkinManager& skins, const char* name) {
    return QColor(skins.getSkinColor(QString::fromLatin1(name), qRgb(255, 0, 255)));
}

}  // namespace
}  // namespace orbpix

int main(int argc, char** argv) {
    using namespace orbpix;
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: strip_screenshot PROGRAM-FOLDER EXAMPLES-FOLDER OUT.png [SKIN]\n");
        return 2;
    }
    const QString skin = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("Default");
    QString skinsFolder = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/Skins");
    // A skin shipped only as a package is unpacked for the picture, as installing it would.
    QTemporaryDir unpacked;
    const QString package = skinsFolder + QLatin1Char('/') + skin + QStringLiteral(".osz");
    if (!QFileInfo(skinsFolder + QLatin1Char('/') + skin).isDir() && QFileInfo::exists(package)) {
        if (extractZipArchive(package, unpacked.path() + QLatin1Char('/') + skin, {}) <= 0)
            return 1;
        skinsFolder = unpacked.path();
    }
    SkinManager skins;
    if (!skins.initialise(skinsFolder, skin, skin)) {
        std::fprintf(stderr, "strip_screenshot: no skin %s\n", qPrintable(skin));
        return 1;
    }

    QTemporaryDir temp;
    const QString folder = temp.path() + QStringLiteral("/Mars");
    QDir().mkpath(folder);
    const QDir examples(QString::fromLocal8Bit(argv[2]));
    const QStringList rings =
        examples.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    for (int copy = 0; copy < 3; ++copy) {
        for (const QString& ring : rings)
            QFile::copy(examples.filePath(ring), folder + QStringLiteral("/%1-").arg(copy) + ring);
    }
    FilePatternList patterns;
    addImagingPatterns(patterns);
    auto album = FolderAlbum::open(folder.toStdString(), false, localFileSystem(), patterns);
    if (!album || album->itemCount() == 0)
        return 1;
    (void)album->setProperty(1, "NAME", "Valles Marineris from the northern rim at dawn");
    (void)album->setProperty(2, "NAME", "Rover");

    Band band(skins);
    band.resize(760, 150);
    EditHistory history;
    AlbumStrip strip(&band, history, EditLabels{}, {});
    strip.setGeometry(5, 6, 750, 140);
    strip.setItemColours(colour(skins, "DONUTS_BKG"), colour(skins, "DONUTS_BKGTXT"),
                         colour(skins, "DONUTS_TXT"), colour(skins, "DONUTS_BKG_SEL"),
                         colour(skins, "DONUTS_BKGTXT_SEL"), colour(skins, "DONUTS_TXT_SEL"));
    SkinBitmap highlight, left, right;
    (void)highlight.load(skins, QStringLiteral("BKG_DON_HIGH"));
    (void)left.load(skins, QStringLiteral("BTM_SLIDE_L"));
    (void)right.load(skins, QStringLiteral("BTM_SLIDE_R"));
    strip.setHighlight(highlight);
    strip.setScrollButtonPictures(left, right);
    strip.setAlbum(album.get());
    strip.selectOnly(1);
    strip.selectItem(2);
    band.show();
    if (!QTest::qWaitForWindowExposed(&band))
        return 1;
    const bool all = QTest::qWaitFor(
        [&] {
            for (int i = 0; i < strip.itemCount(); ++i)
                if (!strip.itemAt(i).hasThumbnail())
                    return false;
            return true;
        },
        20000);
    if (!all)
        std::fprintf(stderr, "strip_screenshot: not every thumbnail arrived\n");

    // A file hovering between the fourth and fifth picture.
    QMimeData hovering;
    hovering.setUrls({QUrl::fromLocalFile(examples.filePath(rings.value(0)))});
    const QPoint over = strip.itemAt(3).bounds().center() + QPoint(40, 0);
    QDragEnterEvent enter(over, Qt::CopyAction, &hovering, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&strip, &enter);
    QTest::qWait(200);

    const auto shoot = [&](const QString& path) {
        QImage shot;
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            shot = band.screen()->grabWindow(band.winId()).toImage();
        else
            shot = band.grab().toImage();
        if (shot.isNull() || !shot.save(path))
            return false;
        std::printf("strip_screenshot: %s (%s)\n", qPrintable(path),
                    qPrintable(QGuiApplication::platformName()));
        return true;
    };
    const QString out = QString::fromLocal8Bit(argv[3]);
    if (!shoot(out))
        return 1;

    // The same strip with a caption being edited.
    QDragLeaveEvent leave;
    QApplication::sendEvent(&strip, &leave);
    strip.beginCaptionEdit(2);
    QTest::qWait(200);
    QString editing = out;
    editing.replace(QStringLiteral(".png"), QStringLiteral("-editing.png"));
    return shoot(editing) ? 0 : 1;
}
