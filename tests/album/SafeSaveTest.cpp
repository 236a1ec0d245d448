#include <gtest/gtest.h>

#include "AlbumTestSupport.h"
#include "FaultyFileSystem.h"
#include "album/AlbumFile.h"

namespace orbpix {
namespace {

using test::FaultyFileSystem;
using Fault = FaultyFileSystem::Fault;

std::vector<AlbumItem> itemsNamed(const std::string& folder, const std::string& prefix, int n) {
    std::vector<AlbumItem> items;
    for (int i = 0; i < n; ++i) {
        AlbumItem item;
        item.path = folder + "/" + prefix + std::to_string(i) + ".jpg";
        item.properties.set("NAME", prefix + std::to_string(i));
        items.push_back(std::move(item));
    }
    return items;
}

struct SaveCase {
    bool oldFileExists;
    Fault fault;
};

class InterruptedSave : public ::testing::TestWithParam<SaveCase> {};

// Whatever step of the save fails or is the last to happen, the folder holds an album file
// that reads as the old list or as the new one; a save reported as done holds the new one.
TEST_P(InterruptedSave, LeavesTheOldOrTheNewAlbumNeverNeither) {
    const SaveCase c = GetParam();
    // Count the changes of an undisturbed save first.
    int steps = 0;
    {
        test::AlbumFolder f;
        FaultyFileSystem fs;
        if (c.oldFileExists) {
            ASSERT_TRUE(saveAlbumFile(fs, f.folder(), itemsNamed(f.folder(), "old", 3)));
        }
        fs.arm(Fault::None, 0);
        ASSERT_TRUE(saveAlbumFile(fs, f.folder(), itemsNamed(f.folder(), "new", 4)));
        steps = fs.changes();
        ASSERT_GE(steps, c.oldFileExists ? 3 : 2);
    }
    for (int k = 0; k <= steps; ++k) {
        SCOPED_TRACE("fault after " + std::to_string(k) + " changes");
        test::AlbumFolder f;
        const auto oldItems = itemsNamed(f.folder(), "old", 3);
        const auto newItems = itemsNamed(f.folder(), "new", 4);
        FaultyFileSystem fs;
        if (c.oldFileExists) {
            ASSERT_TRUE(saveAlbumFile(fs, f.folder(), oldItems));
        }
        fs.arm(c.fault, k);
        const bool saved = saveAlbumFile(fs, f.folder(), newItems);

        // The program starts again on the real file system.
        const AlbumFileContent content = loadAlbumFile(localFileSystem(), f.folder());
        if (saved) {
            EXPECT_EQ(content.items, newItems);
        } else if (c.oldFileExists) {
            EXPECT_TRUE(content.items == oldItems || content.items == newItems);
            EXPECT_EQ(content.outcome, AlbumFileLoad::Read);
        } else {
            EXPECT_TRUE(content.items.empty() || content.items == newItems);
        }
        // And the next save succeeds, at the latest the one after.
        if (!saveAlbumFile(localFileSystem(), f.folder(), newItems)) {
            ASSERT_TRUE(saveAlbumFile(localFileSystem(), f.folder(), newItems));
        }
        EXPECT_EQ(loadAlbumFile(localFileSystem(), f.folder()).items, newItems);
        EXPECT_EQ(test::folderFiles(f.folder()), std::vector<std::string>{".orp"});
    }
}

INSTANTIATE_TEST_SUITE_P(AlbumFileSave, InterruptedSave,
                         ::testing::Values(SaveCase{true, Fault::StopHere},
                                           SaveCase{true, Fault::FailOne},
                                           SaveCase{false, Fault::StopHere},
                                           SaveCase{false, Fault::FailOne}),
                         [](const auto& test) {
                             return std::string(test.param.oldFileExists ? "Replacing" : "First") +
                                    (test.param.fault == Fault::StopHere ? "Stopped" : "Failed");
                         });

TEST(AlbumFileSave, BothRenamesFailingKeepTheOnlyCopies) {
    // The old file set aside, then neither the new one nor the old one can be put in
    // place: the companions are all that is left of the album and must stay.
    test::AlbumFolder f;
    FaultyFileSystem fs;
    const auto oldItems = itemsNamed(f.folder(), "old", 2);
    ASSERT_TRUE(saveAlbumFile(fs, f.folder(), oldItems));
    // Changes of the next save: write .orp2, rename .orp -> .orp3, rename .orp2 -> .orp
    // (fails), rename .orp3 -> .orp (fails).
    fs.failOnlyRenamesAfterStop();
    fs.arm(Fault::StopHere, 2);
    EXPECT_FALSE(saveAlbumFile(fs, f.folder(), itemsNamed(f.folder(), "new", 2)));
    EXPECT_TRUE(test::fileExists(f.path(".orp3")));
    EXPECT_TRUE(test::fileExists(f.path(".orp2")));
    EXPECT_EQ(loadAlbumFile(localFileSystem(), f.folder()).items, oldItems);
}

}  // namespace
}  // namespace orbpix
