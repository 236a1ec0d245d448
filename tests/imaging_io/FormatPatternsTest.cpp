#include "imaging/io/FormatPatterns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orbpix {
namespace {

TEST(FormatPatterns, TableOrderAndCodes) {
    std::vector<std::string> rows;
    enumeratePatterns([&](int code, const char* pattern) {
        rows.push_back(std::string(pattern) + "=" + std::to_string(code));
    });
    const std::vector<std::string> expected = {
        "*.bmp=6", "*.cmp=5",  "*.jpg=10", "*.jpeg=10", "*.jfif=10", "*.tif=3",  "*.tiff=3",
        "*.tga=4", "*.png=75", "*.eps=16", "*.pict=56", "*.pct=56",  "*.fpx=80", "*.pcd=57"};
    EXPECT_EQ(rows, expected);
}

TEST(FormatPatterns, DescriptionTexts) {
    EXPECT_EQ(formatDescriptionTextId(2), 715);
    EXPECT_EQ(formatDescriptionTextId(kFormatTiff), 625);
    EXPECT_EQ(formatDescriptionTextId(kFormatTga), 720);
    EXPECT_EQ(formatDescriptionTextId(kFormatCmp), 700);
    EXPECT_EQ(formatDescriptionTextId(kFormatBmp), 705);
    EXPECT_EQ(formatDescriptionTextId(kFormatJpeg), 710);
    EXPECT_EQ(formatDescriptionTextId(kFormatEps), 730);
    EXPECT_EQ(formatDescriptionTextId(kFormatPict), 735);
    EXPECT_EQ(formatDescriptionTextId(kFormatPcd), 745);
    EXPECT_EQ(formatDescriptionTextId(kFormatPng), 725);
    EXPECT_EQ(formatDescriptionTextId(kFormatFpx), 740);
    EXPECT_EQ(formatDescriptionTextId(1), 790);
}

TEST(FormatPatterns, OpenDialogFilter) {
    const QString filter = openDialogFilter([](int id) {
        return id == kAllPicturesTextId ? QStringLiteral("All")
                                        : QStringLiteral("T%1 (%s)").arg(id);
    });
    EXPECT_EQ(
        filter.toStdString(),
        "All|*.bmp;*.cmp;*.jpg;*.jpeg;*.jfif;*.tif;*.tiff;*.tga;*.png;*.eps;*.pict;*.pct;"
        "*.fpx;*.pcd"
        "|T705 (*.bmp)|*.bmp|T700 (*.cmp)|*.cmp|T710 (*.jpg;*.jpeg;*.jfif)|*.jpg;*.jpeg;*.jfif"
        "|T625 (*.tif;*.tiff)|*.tif;*.tiff|T720 (*.tga)|*.tga|T725 (*.png)|*.png"
        "|T730 (*.eps)|*.eps|T735 (*.pict;*.pct)|*.pict;*.pct|T740 (*.fpx)|*.fpx"
        "|T745 (*.pcd)|*.pcd||");
}

TEST(FormatPatterns, CodeForSuffix) {
    EXPECT_EQ(formatCodeForSuffix(QStringLiteral("JPG")), kFormatJpeg);
    EXPECT_EQ(formatCodeForSuffix(QStringLiteral(".jfif")), kFormatJpeg);
    EXPECT_EQ(formatCodeForSuffix(QStringLiteral("*.tiff")), kFormatTiff);
    EXPECT_EQ(formatCodeForSuffix(QStringLiteral("png")), kFormatPng);
    EXPECT_EQ(formatCodeForSuffix(QStringLiteral("gif")), 0);
    EXPECT_EQ(formatCodeForSuffix(QString()), 0);
}

}  // namespace
}  // namespace orbpix
