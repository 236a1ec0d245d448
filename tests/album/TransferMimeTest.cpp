#include "album/TransferMime.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QMimeData>
#include <QUrl>

#include "album/FilePatternList.h"
#include "album/FileSystem.h"
#include "album/FolderAlbum.h"
#include "support/QtFiles.h"

namespace orbpix {
namespace {

TEST(TransferMime, ASelectionOffersIndexesItemsAndFilesThatReadBack) {
    test::QtTempFolder temp;
    const QString folder = temp.path("Album");
    QDir().mkpath(folder);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        ASSERT_TRUE(test::writeFile(folder + '/' + name, "picture"));
    FilePatternList patterns;
    addImagingPatterns(patterns);
    auto album = FolderAlbum::open(folder.toStdString(), false, localFileSystem(), patterns);
    ASSERT_TRUE(album);
    ASSERT_TRUE(album->setProperty(2, "NAME", "Last"));

    // Selection order kept; an index past the end and a repeat are left out of the items.
    QMimeData mime;
    ASSERT_TRUE(offerSelection(mime, *album, {2, 7, 0, 2}));
    EXPECT_EQ(readIndexes(mime, ProcessCheck::SameProcessOnly),
              std::vector<std::uint32_t>({2, 0, 2}));
    EXPECT_EQ(mime.data(kIndexesMimeType).size(), 8 + 4 * 4);
    const QStringList accepted = {"*.jpg"};
    const QList<TransferItem> items = readItems(mime, accepted);
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0], transferItemFrom(*album->item(2)));
    EXPECT_EQ(items[0].properties.value(0), std::make_pair(QString("NAME"), QString("Last")));
    EXPECT_EQ(mime.urls(), QList<QUrl>({QUrl::fromLocalFile(folder + "/c.jpg"),
                                        QUrl::fromLocalFile(folder + "/a.jpg")}));
    EXPECT_TRUE(canAccept(mime));

    // The items format wins over the file list, even when its block is foreign: then
    // nothing is read, rather than the files without their properties.
    mime.setData(kItemsMimeType, QByteArray(16, '\x01'));
    EXPECT_TRUE(readItems(mime, accepted).isEmpty());

    // Files alone are filtered by the patterns' last four characters.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/x/a.JPEG"), QUrl::fromLocalFile("/x/notes.txt"),
                   QUrl("https://example.org/b.jpg")});
    const QList<TransferItem> dropped = readItems(files, {"*.bmp", "*.jpeg"});
    ASSERT_EQ(dropped.size(), 1);
    EXPECT_EQ(dropped[0].path, "/x/a.JPEG");
    EXPECT_FALSE(readIndexes(files, ProcessCheck::AnyProcess));

    QMimeData text;
    text.setText("a.jpg");
    EXPECT_FALSE(canAccept(text));
}

}  // namespace
}  // namespace orbpix
