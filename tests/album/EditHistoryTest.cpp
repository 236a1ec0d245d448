#include "album/EditHistory.h"

#include <gtest/gtest.h>

#include "AlbumTestSupport.h"
#include "album/EditSteps.h"
#include "imaging/io/ItemCircles.h"

namespace orbpix {
namespace {

using test::AlbumFolder;
using test::fileExists;
using test::folderFiles;
using test::itemFileNames;
using test::readFile;
using Names = std::vector<std::string>;
using Moves = std::vector<std::pair<std::size_t, std::size_t>>;

// An album of five pictures p0.jpg … p4.jpg, each with a "NAME".
struct FiveAlbum {
    FiveAlbum() {
        for (int i = 0; i < 5; ++i)
            folder.addPicture("p" + std::to_string(i) + ".jpg");
        album = folder.open();
        for (std::size_t i = 0; i < 5; ++i)
            EXPECT_TRUE(album->setProperty(i, "NAME", "Picture " + std::to_string(i)));
        EXPECT_TRUE(album->saveIfDirty());
    }
    AlbumFolder folder;
    std::unique_ptr<FolderAlbum> album;
    EditHistory history;
};

struct RecordingEditObserver : EditObserver {
    void itemsInserted(Album&, const std::vector<std::size_t>& i) override { inserted = i; }
    void itemsRemoved(Album&, const std::vector<std::size_t>& i) override { removed = i; }
    void itemsMoved(Album&, const Moves& m) override { moved = m; }
    void itemChanged(Album&, std::size_t i) override { changed.push_back(i); }
    void albumRenamed(Album&) override { ++renamed; }
    std::vector<std::size_t> inserted, removed, changed;
    Moves moved;
    int renamed = 0;
};

TEST(MoveBlockPlan, GathersTheSourcesWhereTheTargetStood) {
    struct Case {
        std::vector<std::size_t> sources;
        std::size_t target;
        Names expected;
    };
    const std::vector<Case> cases{
        {{3, 4}, 1, {"0", "3", "4", "1", "2"}}, {{0, 2}, 4, {"1", "3", "0", "2", "4"}},
        {{0}, 99, {"1", "2", "3", "4", "0"}},   {{4, 0, 4, 9}, 2, {"1", "0", "4", "2", "3"}},
        {{1, 3}, 2, {"0", "1", "3", "2", "4"}},
    };
    for (const Case& c : cases) {
        Names list{"0", "1", "2", "3", "4"};
        for (const auto& [from, to] : moveBlockPlan(c.sources, c.target, list.size())) {
            ASSERT_LT(from, list.size());
            ASSERT_LT(to, list.size());
            const std::string moving = list[from];
            list.erase(list.begin() + std::ptrdiff_t(from));
            list.insert(list.begin() + std::ptrdiff_t(to), moving);
        }
        EXPECT_EQ(list, c.expected) << "target " << c.target;
    }
}

TEST(EditHistoryMove, ItemsThreeAndFourToPositionOneAndBack) {
    FiveAlbum f;
    RecordingEditObserver observer;
    ASSERT_TRUE(f.history.perform(
        std::make_unique<MoveStep>(*f.album, std::vector<std::size_t>{3, 4}, 1, &observer)));
    EXPECT_EQ(itemFileNames(*f.album), (Names{"p0.jpg", "p3.jpg", "p4.jpg", "p1.jpg", "p2.jpg"}));
    EXPECT_EQ(observer.moved, (Moves{{3, 1}, {4, 2}}));
    EXPECT_TRUE(f.album->isDirty());
    ASSERT_TRUE(f.history.undo());
    EXPECT_EQ(itemFileNames(*f.album), (Names{"p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg"}));
    EXPECT_FALSE(f.album->isDirty()) << "undo gives back the clean state";
    ASSERT_TRUE(f.history.redo());
    EXPECT_EQ(itemFileNames(*f.album), (Names{"p0.jpg", "p3.jpg", "p4.jpg", "p1.jpg", "p2.jpg"}));
    EXPECT_TRUE(f.album->isDirty());
    EXPECT_FALSE(
        f.history.perform(std::make_unique<MoveStep>(*f.album, std::vector<std::size_t>{2}, 2)))
        << "a move that moves nothing is no step";
    EXPECT_EQ(f.history.undoCount(), 1u);
}

TEST(EditHistoryDelete, UndoBringsBackFilesAndProperties) {
    FiveAlbum f;
    const std::string before = readFile(f.folder.path("p3.jpg"));
    ASSERT_TRUE(f.history.perform(
        std::make_unique<DeleteStep>(*f.album, std::vector<std::size_t>{3, 1, 3, 7})));
    EXPECT_EQ(itemFileNames(*f.album), (Names{"p0.jpg", "p2.jpg", "p4.jpg"}))
        << "a repeated index removes one item only";
    EXPECT_TRUE(fileExists(f.folder.path(".deleted.p1.jpg")));
    EXPECT_TRUE(fileExists(f.folder.path(".deleted.p3.jpg")));
    EXPECT_FALSE(fileExists(f.folder.path("p3.jpg")));

    ASSERT_TRUE(f.history.undo());
    EXPECT_EQ(itemFileNames(*f.album), (Names{"p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg"}));
    EXPECT_EQ(f.album->property(1, "NAME"), "Picture 1");
    EXPECT_EQ(f.album->property(3, "NAME"), "Picture 3");
    EXPECT_EQ(readFile(f.folder.path("p3.jpg")), before);
    EXPECT_EQ(folderFiles(f.folder.folder()).size(), 6u) << "no parked file is left";
    EXPECT_FALSE(f.album->isDirty());

    ASSERT_TRUE(f.history.redo());
    EXPECT_EQ(f.album->itemCount(), 3u);
    ASSERT_TRUE(f.history.undo());
    EXPECT_EQ(f.album->itemCount(), 5u);
}

TEST(EditHistoryDelete, UndoAfterTheNameWasTakenAgainUsesAPrefixedName) {
    FiveAlbum f;
    ASSERT_TRUE(
        f.history.perform(std::make_unique<DeleteStep>(*f.album, std::vector<std::size_t>{0})));
    f.folder.addPicture("p0.jpg", "newcomer");
    ASSERT_TRUE(f.history.undo());
    EXPECT_EQ(f.album->item(0)->path, f.folder.path("(1)p0.jpg"));
    EXPECT_EQ(readFile(f.folder.path("(1)p0.jpg")), "picture p0.jpg");
    EXPECT_EQ(readFile(f.folder.path("p0.jpg")), "newcomer");
}

TEST(EditHistoryDelete, SavingForgetsTheAlbumsSteps) {
    FiveAlbum f;
    ASSERT_TRUE(
        f.history.perform(std::make_unique<DeleteStep>(*f.album, std::vector<std::size_t>{0})));
    ASSERT_TRUE(f.history.saveAlbum(*f.album));
    EXPECT_FALSE(f.history.undo());
    EXPECT_EQ(f.album->itemCount(), 4u);
    // The parked file goes with the next open.
    EXPECT_TRUE(fileExists(f.folder.path(".deleted.p0.jpg")));
    auto reopened = f.folder.open();
    EXPECT_FALSE(fileExists(f.folder.path(".deleted.p0.jpg")));
    EXPECT_EQ(reopened->itemCount(), 4u);
}

TEST(EditHistoryShared, ANewStepEmptiesTheRedoStackOfEveryAlbum) {
    FiveAlbum f;
    AlbumFolder otherFolder;
    otherFolder.addPicture("o.jpg");
    auto other = otherFolder.open();
    ASSERT_TRUE(f.history.perform(std::make_unique<RenameImageStep>(*f.album, 0, "First")));
    ASSERT_TRUE(f.history.undo());
    EXPECT_EQ(f.history.redoCount(), 1u);
    ASSERT_TRUE(f.history.perform(std::make_unique<RenameImageStep>(*other, 0, "Other")));
    EXPECT_EQ(f.history.redoCount(), 0u);
    EXPECT_FALSE(f.history.redo());
    EXPECT_EQ(f.album->property(0, "NAME"), "Picture 0");

    // Undo takes the most recent step, whatever its album.
    ASSERT_TRUE(f.history.perform(std::make_unique<RenameImageStep>(*f.album, 1, "Second")));
    ASSERT_TRUE(f.history.undo());
    EXPECT_EQ(f.album->property(1, "NAME"), "Picture 1");
    EXPECT_EQ(other->property(0, "NAME"), "Other");
    f.history.forgetAlbum(other.get());
    EXPECT_EQ(f.history.undoCount(), 0u);
    EXPECT_EQ(f.history.redoCount(), 1u);
    f.history.forgetAlbum(nullptr);
    EXPECT_EQ(f.history.redoCount(), 0u);
}

TEST(EditHistoryRename, ItemNamesSwapThroughTheDisplayName) {
    AlbumFolder folder;
    folder.addPicture("a.jpg");
    auto album = folder.open();
    EditHistory history;
    RecordingEditObserver observer;
    ASSERT_TRUE(history.perform(std::make_unique<RenameImageStep>(*album, 0, "Hall", &observer)));
    EXPECT_EQ(album->property(0, "NAME"), "Hall");
    EXPECT_EQ(observer.changed, std::vector<std::size_t>{0});
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(album->property(0, "NAME"), "a.jpg") << "the file name it showed is stored";
    ASSERT_TRUE(history.perform(std::make_unique<RenameImageStep>(*album, 0, "")));
    EXPECT_FALSE(album->property(0, "NAME"));
    EXPECT_FALSE(history.perform(std::make_unique<RenameImageStep>(*album, 3, "x")));
    EXPECT_FALSE(history.perform(std::make_unique<ModifyImageStep>(*album, 0, PropertyMap{})));
}

TEST(EditHistoryModify, SeveralValuesSwapTogetherOrNotAtAll) {
    AlbumFolder folder;
    folder.addPicture("a.jpg");
    auto album = folder.open();
    ASSERT_TRUE(album->setProperty(0, "CC", "1,2,3"));
    EditHistory history;
    PropertyMap values;
    values.set("CC", "4,5,6");
    values.set("REVERSE", "0,-64,26");
    ASSERT_TRUE(history.perform(std::make_unique<ModifyImageStep>(*album, 0, values)));
    EXPECT_EQ(album->property(0, "CC"), "4,5,6");
    EXPECT_EQ(album->property(0, "REVERSE"), "0,-64,26");
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(album->property(0, "CC"), "1,2,3");
    EXPECT_FALSE(album->property(0, "REVERSE"));

    PropertyMap bad;
    bad.set("CC", "7,7,7");
    bad.set("NAME", "<no>");
    EXPECT_FALSE(history.perform(std::make_unique<ModifyImageStep>(*album, 0, bad)));
    EXPECT_EQ(album->property(0, "CC"), "1,2,3") << "the first value was taken back";
}

TEST(EditHistoryRenameAlbum, SwapsTheFolderNames) {
    AlbumFolder folder;
    folder.addPicture("a.jpg");
    auto album = folder.open();
    EditHistory history;
    RecordingEditObserver observer;
    ASSERT_TRUE(history.perform(std::make_unique<RenameAlbumStep>(*album, "Trip", &observer)));
    EXPECT_EQ(album->name(), "Trip");
    EXPECT_TRUE(fileExists(folder.outside("Trip/a.jpg")));
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(album->name(), "My Album");
    EXPECT_TRUE(fileExists(folder.path("a.jpg")));
    EXPECT_EQ(observer.renamed, 2);
}

TEST(EditHistoryInsert, CopiesAreParkedByUndoAndReturnOnRedo) {
    AlbumFolder folder;
    folder.addPicture("a.jpg");
    auto album = folder.open();
    test::writeFile(folder.outside("x.jpg"), "X");
    test::writeFile(folder.outside("y.jpg"), "Y");
    std::vector<AlbumItem> items(3);
    items[0].path = folder.outside("x.jpg");
    items[0].properties.set("CIRCLES", "1,2,3,4");
    items[1].path = folder.outside("missing.jpg");
    items[2].path = folder.outside("y.jpg");
    EditHistory history;
    RecordingEditObserver observer;
    auto step = std::make_unique<InsertStep>(*album, items, 0, &observer);
    const InsertStep* insert = step.get();
    ASSERT_TRUE(history.perform(std::move(step)));
    EXPECT_EQ(itemFileNames(*album), (Names{"x.jpg", "y.jpg", "a.jpg"}));
    EXPECT_EQ(observer.inserted, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(insert->items()[0].path, folder.path("x.jpg"));
    EXPECT_EQ(album->property(0, "CIRCLES"), "1,2,3,4");

    ASSERT_TRUE(history.undo());
    EXPECT_EQ(itemFileNames(*album), Names{"a.jpg"});
    EXPECT_EQ(readFile(folder.path(".deleted.x.jpg")), "X");
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(itemFileNames(*album), (Names{"x.jpg", "y.jpg", "a.jpg"}));
    EXPECT_EQ(readFile(folder.path("y.jpg")), "Y");
    EXPECT_EQ(insert->label(), " insert image(s)");
    // The creator's texts replace the built-in labels, each looked up by its own number.
    const EditLabels labels = EditLabels::fromTexts(
        [](int id, const std::string& fallback) { return std::to_string(id) + fallback; });
    EXPECT_EQ(MoveStep(*album, {0}, 1, nullptr, labels).label(), "510 move image(s)");
    EXPECT_EQ(RenameAlbumStep(*album, "x", nullptr, labels).label(), "525 rename album");

    EXPECT_FALSE(
        history.perform(std::make_unique<InsertStep>(*album, std::vector<AlbumItem>(1, items[1]))));
}

TEST(EditHistoryInsert, CirclesDetectedOnInsertTravelWithTheStep) {
    AlbumFolder folder;
    folder.addPicture("a.jpg");
    auto album = folder.open();
    const std::string example = ORBPIX_SOURCE_DIR "/examples/mars_1600x1200_normal.jpg";
    test::writeFile(folder.outside("ring.jpg"), readFile(example));
    test::writeFile(folder.outside("broken.jpg"), "not a picture");
    test::writeFile(folder.outside("known.jpg"), "circles set by hand");
    std::vector<AlbumItem> items(3);
    items[0].path = folder.outside("ring.jpg");
    items[1].path = folder.outside("broken.jpg");
    items[2].path = folder.outside("known.jpg");
    items[2].properties.set("CIRCLES", "1,2,3,4");

    // Left to itself a step does not look at the pictures.
    EditHistory history;
    ASSERT_TRUE(history.perform(std::make_unique<InsertStep>(*album, items)));
    EXPECT_FALSE(album->property(1, "CIRCLES"));
    ASSERT_TRUE(history.undo());

    const auto expected = detectItemCircles(QString::fromStdString(example));
    ASSERT_TRUE(expected && expected->detected);
    auto step = std::make_unique<InsertStep>(*album, items);
    step->setCircles(InsertCircles::Detect);
    const InsertStep* insert = step.get();
    ASSERT_TRUE(history.perform(std::move(step)));
    EXPECT_EQ(insert->inserted(), (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(itemFileNames(*album), (Names{"a.jpg", "ring.jpg", "broken.jpg", "known.jpg"}));
    EXPECT_EQ(album->property(1, "CIRCLES"), expected->text);
    EXPECT_FALSE(album->property(2, "CIRCLES")) << "an unreadable picture gets none";
    EXPECT_EQ(album->property(3, "CIRCLES"), "1,2,3,4") << "circles brought along stay";
    EXPECT_EQ(insert->items()[0].properties.get("CIRCLES"), expected->text);
    EXPECT_TRUE(album->isDirty());

    // Undo takes the circles away with the items; redo brings them back from the step, not
    // from the picture (which is no ring any more).
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(itemFileNames(*album), Names{"a.jpg"});
    test::writeFile(folder.path(".deleted.ring.jpg"), "scribbled over");
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(itemFileNames(*album), (Names{"a.jpg", "ring.jpg", "broken.jpg", "known.jpg"}));
    EXPECT_EQ(album->property(1, "CIRCLES"), expected->text);
}

TEST(EditHistoryFailure, AFailingUndoDropsTheWholeUndoStack) {
    FiveAlbum f;
    ASSERT_TRUE(f.history.perform(std::make_unique<RenameImageStep>(*f.album, 4, "x")));
    ASSERT_TRUE(
        f.history.perform(std::make_unique<DeleteStep>(*f.album, std::vector<std::size_t>{0})));
    // Another program takes the parked file away.
    std::filesystem::remove(f.folder.path(".deleted.p0.jpg"));
    EXPECT_FALSE(f.history.undo());
    EXPECT_EQ(f.history.undoCount(), 0u);
    EXPECT_EQ(f.album->property(3, "NAME"), "x") << "nothing was reversed";
}

TEST(EditHistoryRevert, ReversesOnlyThatAlbumAndPurges) {
    FiveAlbum f;
    AlbumFolder otherFolder;
    otherFolder.addPicture("o.jpg");
    auto other = otherFolder.open();
    ASSERT_TRUE(
        f.history.perform(std::make_unique<DeleteStep>(*f.album, std::vector<std::size_t>{1})));
    ASSERT_TRUE(f.history.perform(std::make_unique<RenameImageStep>(*other, 0, "Kept")));
    ASSERT_TRUE(
        f.history.perform(std::make_unique<MoveStep>(*f.album, std::vector<std::size_t>{0}, 3)));
    ASSERT_TRUE(f.history.perform(std::make_unique<RenameAlbumStep>(*f.album, "Gone")));
    f.history.revertAlbum(*f.album);
    EXPECT_EQ(f.album->name(), "My Album");
    EXPECT_EQ(itemFileNames(*f.album), (Names{"p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg"}));
    EXPECT_FALSE(f.album->isDirty());
    EXPECT_EQ(f.history.undoCount(), 1u);
    EXPECT_EQ(other->property(0, "NAME"), "Kept");
    EXPECT_EQ(folderFiles(f.folder.folder()).size(), 6u);
}

TEST(EditHistoryRevert, StopsReversingAtTheFirstFailure) {
    FiveAlbum f;
    ASSERT_TRUE(f.history.perform(std::make_unique<RenameImageStep>(*f.album, 0, "Changed")));
    ASSERT_TRUE(
        f.history.perform(std::make_unique<DeleteStep>(*f.album, std::vector<std::size_t>{4})));
    std::filesystem::remove(f.folder.path(".deleted.p4.jpg"));
    f.history.revertAlbum(*f.album);
    EXPECT_EQ(f.history.undoCount(), 0u);
    EXPECT_EQ(f.album->property(0, "NAME"), "Changed") << "steps past a failure are dropped";
}

}  // namespace
}  // namespace orbpix
