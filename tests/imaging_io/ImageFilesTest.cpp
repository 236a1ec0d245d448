#include "imaging/io/ImageFiles.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <cstring>

#include "imaging/io/FormatPatterns.h"
#include "support/QtFiles.h"

namespace orbpix {
namespace {

QString writePicture(const test::QtTempFolder& folder, const QString& name, int w, int h,
                     const char* format = nullptr) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    const QString path = folder.path(name);
    EXPECT_TRUE(image.save(path, format));
    return path;
}

QString writeBytes(const test::QtTempFolder& folder, const QString& name, const QByteArray& bytes) {
    const QString path = folder.path(name);
    test::writeFile(path, bytes);
    return path;
}

TEST(ImageFiles, LoadFittedShrinksIntoTheBox) {
    test::QtTempFolder folder;
    PixelImage image;
    ASSERT_TRUE(loadFitted(writePicture(folder, "wide.png", 3000, 2000), 800, 800, image));
    EXPECT_EQ(image.width(), 800);
    EXPECT_EQ(image.height(), 533);
    ASSERT_TRUE(loadFitted(writePicture(folder, "tall.jpg", 2000, 3000), 800, 800, image));
    EXPECT_EQ(image.width(), 533);
    EXPECT_EQ(image.height(), 800);
    // A JPEG far larger than the box is decoded at a reduced scale, then fitted exactly.
    ASSERT_TRUE(loadFitted(writePicture(folder, "huge.jpg", 6000, 4000), 800, 800, image));
    EXPECT_EQ(image.width(), 800);
    EXPECT_EQ(image.height(), 533);
}

TEST(ImageFiles, LoadFittedNeverEnlargesAndKeepsPixels) {
    test::QtTempFolder folder;
    PixelImage image;
    const QString path = writePicture(folder, "small.png", 300, 200);
    ASSERT_TRUE(loadFitted(path, 800, 800, image));
    EXPECT_EQ(image.width(), 300);
    EXPECT_EQ(image.height(), 200);
    const std::uint8_t* p = image.pixel(250, 120);
    EXPECT_EQ(p[0], (250 + 120) % 256);  // blue
    EXPECT_EQ(p[1], 120);                // green
    EXPECT_EQ(p[2], 250);                // red
    ASSERT_TRUE(loadFitted(path, kUnlimited, kUnlimited, image));
    EXPECT_EQ(image.width(), 300);
}

// Full-size colour JPEGs are decoded straight into the picture's block, the rest through a
// conversion: either way the pixels are the reader's own, and a reused picture is replaced.
// The ring photographs are what the preview's histograms are made from.
TEST(ImageFiles, FullSizeDecodeGivesTheReadersPixels) {
    test::QtTempFolder folder;
    const QString colour = writePicture(folder, "colour.jpg", 301, 203);
    QImage grey(120, 90, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            grey.scanLine(y)[x] = std::uint8_t(x * 2 + y);
    const QString greyPath = folder.path("grey.jpg");
    ASSERT_TRUE(grey.save(greyPath));
    const QImage ring(QStringLiteral(ORBPIX_SOURCE_DIR "/examples/mars_1600x1200_normal.jpg"));
    ASSERT_FALSE(ring.isNull());
    const QString progressive = folder.path("progressive.jpg");
    QImageWriter writer(progressive, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.setQuality(95);
    ASSERT_TRUE(writer.write(ring));
    // Cut in the middle of its data: the reader fills the rest with grey.
    const QString cut = writeBytes(folder, "cut.jpg", test::readFile(colour).left(1500));
    PixelImage image;
    ASSERT_TRUE(image.allocate(2000, 2000));
    const std::uint8_t* block = image.bits();
    for (const QString& path :
         {colour, greyPath, progressive, cut,
          QStringLiteral(ORBPIX_SOURCE_DIR "/examples/mars_1600x1200_normal.jpg"),
          QStringLiteral(ORBPIX_SOURCE_DIR "/examples/mars_1200x900_reverse.jpg")}) {
        ASSERT_TRUE(loadFitted(path, kUnlimited, kUnlimited, image));
        EXPECT_EQ(image.bits(), block) << path.toStdString();
        const QImage expected = QImage(path).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(image.width(), expected.width());
        ASSERT_EQ(image.height(), expected.height());
        for (int y = 0; y < expected.height(); ++y)
            ASSERT_EQ(std::memcmp(image.row(y), expected.constScanLine(y), image.stride()), 0)
                << path.toStdString() << " row " << y;
    }
}

TEST(ImageFiles, SliverKeepsOneColumn) {
    test::QtTempFolder folder;
    PixelImage image;
    ASSERT_TRUE(loadFitted(writePicture(folder, "sliver.png", 1, 3000), 800, 800, image));
    EXPECT_EQ(image.width(), 1);
    EXPECT_EQ(image.height(), 800);
}

TEST(ImageFiles, BottomUpBitmapArrivesTopRowFirst) {
    // A 2 × 2 24-bit BMP with a positive height: rows are stored bottom row first.
    QByteArray bmp;
    auto u16 = [&](int v) { bmp.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); };
    auto u32 = [&](int v) {
        u16(v & 0xFFFF);
        u16((v >> 16) & 0xFFFF);
    };
    bmp.append("BM");
    u32(54 + 16);
    u32(0);
    u32(54);
    u32(40);
    u32(2);
    u32(2);
    u16(1);
    u16(24);
    u32(0);
    u32(16);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    const char bottom[] = {char(200), 10, 20, char(201), 11, 21, 0, 0};
    const char top[] = {1, 2, 3, 4, 5, 6, 0, 0};
    bmp.append(bottom, 8).append(top, 8);
    test::QtTempFolder folder;
    PixelImage image;
    ASSERT_TRUE(loadFitted(writeBytes(folder, "up.bmp", bmp), kUnlimited, kUnlimited, image));
    ASSERT_EQ(image.height(), 2);
    EXPECT_EQ(image.pixel(0, 0)[0], 1);
    EXPECT_EQ(image.pixel(1, 0)[2], 6);
    EXPECT_EQ(image.pixel(0, 1)[0], 200);
    EXPECT_EQ(image.pixel(1, 1)[1], 11);
}

TEST(ImageFiles, UnreadableFilesFailWithAReason) {
    test::QtTempFolder folder;
    PixelImage image;
    QString error;
    EXPECT_FALSE(loadFitted(folder.path("missing.jpg"), 800, 800, image, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("does not exist"))) << error.toStdString();
    // A pattern of the table that no installed reader handles.
    const QString pcd = writeBytes(folder, "photo.pcd", QByteArray(4096, '\x5A'));
    error.clear();
    EXPECT_FALSE(loadFitted(pcd, 800, 800, image, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("photo.pcd"))) << error.toStdString();
    // A JPEG cut short after its header.
    QFile whole(writePicture(folder, "whole.jpg", 64, 64));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QString cut = writeBytes(folder, "cut.jpg", whole.readAll().left(20));
    EXPECT_FALSE(loadFitted(cut, 800, 800, image));
    EXPECT_FALSE(loadFitted(folder.root(), 800, 800, image));
    EXPECT_TRUE(loadScreenImage(pcd, 96, 96).isNull());
}

TEST(ImageFiles, FileInfoRecordFillsOnlyTheDeclaredFields) {
    test::QtTempFolder folder;
    const QString path = writePicture(folder, "info.png", 321, 123);
    std::uint32_t record[10];
    std::fill(std::begin(record), std::end(record), 0xDEADBEEFu);
    record[0] = 16;
    ASSERT_TRUE(readFileInfoRecord(path, record));
    EXPECT_EQ(record[1], std::uint32_t{kFormatPng});
    EXPECT_EQ(record[2], 321u);
    EXPECT_EQ(record[3], 123u);
    EXPECT_EQ(record[4], 0xDEADBEEFu);  // beyond the declared 16 bytes
    std::fill(std::begin(record), std::end(record), 0xDEADBEEFu);
    record[0] = 10;  // covers the format and half the width
    ASSERT_TRUE(readFileInfoRecord(path, record));
    EXPECT_EQ(record[1], std::uint32_t{kFormatPng});
    EXPECT_NE(record[2], 321u);
    EXPECT_EQ(record[3], 0xDEADBEEFu);
    // A declared size beyond the record is cut to the record.
    std::uint32_t small[3] = {4096, 7, 7};
    ASSERT_TRUE(readFileInfoRecord(path, small));
    EXPECT_EQ(small[2], 321u);
    EXPECT_FALSE(readFileInfoRecord(folder.path("none.png"), small));

    const auto info = readImageFileInfo(writePicture(folder, "info.jpg", 64, 32));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->formatCode, kFormatJpeg);
    EXPECT_EQ(info->width, 64);
    EXPECT_EQ(info->height, 32);
    EXPECT_GT(info->fileSize, 0);
}

TEST(ImageFiles, SaveAndReloadIsExactForLosslessFormats) {
    PixelImage image;
    ASSERT_TRUE(image.allocate(37, 21));
    for (std::size_t i = 0; i < image.byteCount(); ++i)
        image.bits()[i] = static_cast<std::uint8_t>(i * 31 + 7);
    test::QtTempFolder folder;
    for (const auto& [name, code] : {std::pair{"a.png", kFormatPng}, std::pair{"a.bmp", kFormatBmp},
                                     std::pair{"a.tif", kFormatTiff}}) {
        const QString path = folder.path(QString::fromLatin1(name));
        QString error;
        ASSERT_TRUE(saveImage(image, path, code, -1, &error)) << name << error.toStdString();
        PixelImage back;
        ASSERT_TRUE(loadFitted(path, kUnlimited, kUnlimited, back)) << name;
        ASSERT_EQ(back.width(), 37);
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 37; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(back.pixel(x, y)[c], image.pixel(x, y)[c]) << name;
        EXPECT_EQ(back.pixel(0, 0)[3], 0xFF);
    }
}

TEST(ImageFiles, SaveJpegHonoursQualityAndRefusesUnknownFormats) {
    PixelImage image;
    ASSERT_TRUE(image.allocate(64, 64));
    for (std::size_t i = 0; i < image.byteCount(); ++i)
        image.bits()[i] = static_cast<std::uint8_t>((i * 7919) >> 3);
    test::QtTempFolder folder;
    ASSERT_TRUE(saveImage(image, folder.path("low.jpg"), kFormatJpeg, 10));
    ASSERT_TRUE(saveImage(image, folder.path("high.jpg"), kFormatJpeg, 95));
    EXPECT_LT(QFileInfo(folder.path("low.jpg")).size(), QFileInfo(folder.path("high.jpg")).size());
    QString error;
    EXPECT_FALSE(saveImage(image, folder.path("x.pcd"), kFormatPcd, 90, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(saveImage(PixelImage{}, folder.path("empty.png"), kFormatPng, -1));
    EXPECT_FALSE(saveImage(image, folder.path("no/such/folder.png"), kFormatPng, -1));
}

TEST(ImageFiles, ScreenImageIsFitted) {
    test::QtTempFolder folder;
    QString error;
    const QImage thumb = loadScreenImage(writePicture(folder, "t.jpg", 400, 300), 96, 96, &error);
    ASSERT_FALSE(thumb.isNull()) << error.toStdString();
    EXPECT_EQ(thumb.size(), QSize(96, 72));
}

}  // namespace
}  // namespace orbpix
