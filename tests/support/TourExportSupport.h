#pragma once

#include <gtest/gtest.h>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QString>
#include <optional>
#include <string>

#include "core/ByteStream.h"
#include "tourfmt/BlockScrambleStream.h"
#include "tourfmt/TourAlbum.h"
#include "tourfmt/TourContainer.h"

namespace orbpix::test {

// A ring photograph: dark ground, a bright ring between the two radii with a coloured
// pattern around it, so that every panorama differs and mirroring shows.
inline bool writeRingPicture(const QString& path, int width, int height, int inner, int outer,
                             int seed = 0) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(12, 10, 8));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width / 2.0, height / 2.0);
    for (int k = 0; k < 16; ++k) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromHsv((k * 23 + seed * 61) % 360, 160, 230));
        painter.drawPie(QRectF(centre.x() - outer, centre.y() - outer, 2 * outer, 2 * outer),
                        k * 360, 360);
    }
    painter.setBrush(QColor(12, 10, 8));
    painter.drawEllipse(centre, inner, inner);
    painter.end();
    return image.save(path, "JPEG", 90);
}

// The circles text of a picture drawn by writeRingPicture.
inline std::string ringCircles(int width, int height, int inner, int outer) {
    return std::to_string(width / 2) + "," + std::to_string(height / 2) + "," +
           std::to_string(inner) + "," + std::to_string(outer);
}

inline bool copyFile(const QString& from, const QString& to) {
    QFile::remove(to);
    return QDir().mkpath(QFileInfo(to).absolutePath()) && QFile::copy(from, to);
}

// A program folder laid out as an install: the resource library, Tourgen, a stand-in viewer
// (until the real one is part of the build) and the default tour skin. Programs named in
// extraPrograms are copied in, so that they take this folder as their own.
inline void makeProgramFolder(const QString& folder, const QStringList& extraPrograms = {}) {
    const QString built = QStringLiteral(ORBPIX_PROGRAM_DIR);
    ASSERT_TRUE(copyFile(built + "/OrbPixRes.rcc", folder + "/OrbPixRes.rcc"));
    ASSERT_TRUE(QDir().mkpath(folder + "/Export/Local"));
    ASSERT_TRUE(QFile::link(built + "/Export/Local/Tourgen", folder + "/Export/Local/Tourgen"));
    const QString viewer = QFileInfo::exists(built + "/Export/Local/OrbTour")
                               ? built + "/Export/Local/OrbTour"
                               : QStringLiteral(FAKE_VIEWER);
    ASSERT_TRUE(copyFile(viewer, folder + "/Export/Local/OrbTour"));
    ASSERT_TRUE(QDir().mkpath(folder + "/Skins"));
    ASSERT_TRUE(QFile::link(built + "/Skins/Default", folder + "/Skins/Default"));
    for (const QString& program : extraPrograms)
        ASSERT_TRUE(copyFile(built + "/" + program, folder + "/" + program));
}

// Reads a tour program's container and its embedded tour album as the viewer would.
struct ReadTour {
    TourDescriptor container;
    TourAlbum album;
};
inline std::optional<ReadTour> readTourProgram(const QString& path) {
    auto file = FileStream::open(path.toStdString(), FileStream::Mode::Read);
    if (!file)
        return std::nullopt;
    auto container = readTourContainer(*file);
    if (!container || container->fileCount() != 1)
        return std::nullopt;
    const auto bytes = readEmbeddedFile(*file, *container, 0);
    if (!bytes)
        return std::nullopt;
    auto memory = MemoryStream::create();
    if (!memory->write(*bytes) || !memory->seek(0, ByteStream::Origin::Begin))
        return std::nullopt;
    auto scrambled = BlockScrambleStream::create(shareStream(memory), kTourAlbumKey);
    return ReadTour{*container, readTourAlbum(*scrambled, scrambled.get())};
}

}  // namespace orbpix::test
