#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "AlbumTestSupport.h"
#include "album/AlbumPaths.h"
#include "album/EditHistory.h"
#include "album/EditSteps.h"

namespace orbpix {
namespace {

using test::readFile;

// What the album should hold: each picture by its content (unique per picture), with its
// properties.
struct ModelItem {
    std::string content;
    PropertyMap properties;
    bool operator==(const ModelItem&) const = default;
};
using Model = std::vector<ModelItem>;

Model blockMoved(const Model& list, std::vector<std::size_t> sources, std::size_t target) {
    target = std::min(target, list.size());
    std::set<std::size_t> chosen;
    for (const std::size_t s : sources) {
        if (s < list.size())
            chosen.insert(s);
    }
    // The chosen items, in their old order, stand before the first unchosen item at or after
    // the target position.
    std::size_t anchor = target;
    while (anchor < list.size() && chosen.contains(anchor))
        ++anchor;
    Model result;
    for (std::size_t i = 0; i <= list.size(); ++i) {
        if (i == anchor) {
            for (const std::size_t c : chosen)
                result.push_back(list[c]);
        }
        if (i < list.size() && !chosen.contains(i))
            result.push_back(list[i]);
    }
    return result;
}

class RandomEdits : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override {
        std::filesystem::create_directory(m_folder.outside("src"));
        m_album = m_folder.open();
        ASSERT_TRUE(m_album);
    }

    std::size_t pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random);
    }

    std::vector<std::size_t> someIndexes() {
        std::vector<std::size_t> indexes;
        const std::size_t n = 1 + pick(3);
        for (std::size_t i = 0; i < n; ++i)
            indexes.push_back(pick(m_model.size() + 2));
        return indexes;
    }

    // A new picture outside the album; names repeat so that copies and parking collide.
    AlbumItem newPicture() {
        static const char* const kNames[] = {"a.jpg", "b.jpg", "(1)a.jpg", ".deleted.b.jpg",
                                             "c\"d.png"};
        const std::string name = kNames[pick(std::size(kNames))];
        const std::string number = std::to_string(m_nextPicture++);
        const std::string content = "picture #" + number;
        const std::string source = m_folder.outside("src/" + number);
        std::filesystem::create_directory(source);
        test::writeFile(source + "/" + name, content);
        AlbumItem item;
        item.path = source + "/" + name;
        if (pick(2))
            item.properties.set("CC", std::to_string(pick(100)) + ",0,0");
        m_contents[item.path] = content;
        return item;
    }

    void step() {
        const Model before = m_model;
        Model expected = m_model;
        std::unique_ptr<EditStep> edit;
        // Whether the step does anything: property steps and inserts always do; a delete needs
        // an index in range, a move at least one item that changes place.
        bool succeeds = true;
        switch (pick(m_model.empty() ? 1 : 5)) {
            case 0: {
                std::vector<AlbumItem> items;
                const std::size_t n = 1 + pick(3);
                for (std::size_t i = 0; i < n; ++i)
                    items.push_back(newPicture());
                const std::ptrdiff_t start =
                    pick(3) == 0 ? InsertStep::kAppend : std::ptrdiff_t(pick(m_model.size() + 2));
                std::size_t at =
                    start < 0 ? expected.size() : std::min(std::size_t(start), expected.size());
                for (const AlbumItem& item : items)
                    expected.insert(expected.begin() + std::ptrdiff_t(at++),
                                    {m_contents.at(item.path), item.properties});
                edit = std::make_unique<InsertStep>(*m_album, items, start);
                break;
            }
            case 1: {
                const auto indexes = someIndexes();
                std::set<std::size_t> gone(indexes.begin(), indexes.end());
                expected.clear();
                for (std::size_t i = 0; i < m_model.size(); ++i) {
                    if (!gone.contains(i))
                        expected.push_back(m_model[i]);
                }
                succeeds = std::any_of(indexes.begin(), indexes.end(),
                                       [&](std::size_t i) { return i < m_model.size(); });
                edit = std::make_unique<DeleteStep>(*m_album, indexes);
                break;
            }
            case 2: {
                const auto sources = someIndexes();
                const std::size_t target = pick(m_model.size() + 2);
                expected = blockMoved(m_model, sources, target);
                const auto plan = moveBlockPlan(sources, target, m_model.size());
                succeeds = std::any_of(plan.begin(), plan.end(),
                                       [](const auto& move) { return move.first != move.second; });
                edit = std::make_unique<MoveStep>(*m_album, sources, target);
                break;
            }
            case 3: {
                const std::size_t index = pick(m_model.size());
                const std::string name = pick(4) == 0 ? "" : "Name " + std::to_string(pick(50));
                if (name.empty())
                    expected[index].properties.remove("NAME");
                else
                    expected[index].properties.set("NAME", name);
                edit = std::make_unique<RenameImageStep>(*m_album, index, name);
                break;
            }
            default: {
                const std::size_t index = pick(m_model.size());
                PropertyMap values;
                values.set("CC", pick(3) == 0 ? "" : std::to_string(pick(9)) + ",1,2");
                values.set("REVERSE", pick(2) ? "" : "1,-64,26");
                for (std::size_t i = 0; i < values.count(); ++i) {
                    if (values.valueAt(i).empty())
                        expected[index].properties.remove(values.nameAt(i));
                    else
                        expected[index].properties.set(values.nameAt(i), values.valueAt(i));
                }
                edit = std::make_unique<ModifyImageStep>(*m_album, index, values);
                break;
            }
        }
        ASSERT_EQ(m_history.perform(std::move(edit)), succeeds);
        if (succeeds) {
            m_undo.push_back(before);
            m_redo.clear();
            m_model = expected;
        }
    }

    // Property maps compare as the user sees them: "NAME" absent equals "NAME" holding the
    // file name it would show (which undoing a first rename stores).
    static bool sameItems(const Model& a, const Model& b) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i].content != b[i].content || a[i].properties.count() != b[i].properties.count())
                return false;
            for (std::size_t j = 0; j < a[i].properties.count(); ++j) {
                if (b[i].properties.get(a[i].properties.nameAt(j)) != a[i].properties.valueAt(j))
                    return false;
            }
        }
        return true;
    }

    void check(const std::string& when) {
        SCOPED_TRACE(when);
        ASSERT_EQ(m_album->itemCount(), m_model.size());
        std::set<std::string> itemFiles;
        for (std::size_t i = 0; i < m_model.size(); ++i) {
            const AlbumItem& item = m_album->items()[i];
            const std::string fileName(splitPath(item.path).fileName);
            ASSERT_EQ(splitPath(item.path).folder, m_folder.folder());
            EXPECT_EQ(readFile(item.path), m_model[i].content) << i;
            itemFiles.insert(fileName);
            PropertyMap actual = item.properties;
            if (!m_model[i].properties.contains("NAME") && actual.get("NAME") == fileName)
                actual.remove("NAME");
            EXPECT_TRUE(sameItems({{m_model[i].content, actual}}, {m_model[i]}))
                << "item " << i << " differs";
        }
        // Every file of the folder is an item's picture or a parked one, and every picture
        // that the list or an undo or redo can bring back is there.
        std::multiset<std::string> onDisk;
        for (const std::string& name : test::folderFiles(m_folder.folder())) {
            if (name == ".orp")
                continue;
            EXPECT_TRUE(itemFiles.contains(name) || isParkedName(name)) << name;
            onDisk.insert(readFile(m_folder.path(name)));
        }
        std::set<std::string> needed;
        for (const ModelItem& item : m_model)
            needed.insert(item.content);
        for (const auto* stack : {&m_undo, &m_redo})
            for (const Model& m : *stack)
                for (const ModelItem& item : m)
                    needed.insert(item.content);
        for (const std::string& content : needed)
            EXPECT_EQ(onDisk.count(content), 1u) << content << " lost or doubled";
    }

    test::AlbumFolder m_folder;
    std::unique_ptr<FolderAlbum> m_album;
    EditHistory m_history;
    Model m_model;
    std::vector<Model> m_undo, m_redo;
    std::map<std::string, std::string> m_contents;
    std::mt19937 m_random{GetParam()};
    int m_nextPicture = 0;
};

TEST_P(RandomEdits, ListAndFolderAgreeAfterEveryStepUndoAndRedo) {
    for (int round = 0; round < 300; ++round) {
        const std::size_t action = pick(10);
        if (action < 5) {
            step();
        } else if (action < 7) {
            const bool can = !m_undo.empty();
            ASSERT_EQ(m_history.undo(), can);
            if (can) {
                m_redo.push_back(m_model);
                m_model = m_undo.back();
                m_undo.pop_back();
            }
        } else if (action < 9) {
            const bool can = !m_redo.empty();
            ASSERT_EQ(m_history.redo(), can);
            if (can) {
                m_undo.push_back(m_model);
                m_model = m_redo.back();
                m_redo.pop_back();
            }
        } else {
            // Save, then open the album afresh from its folder.
            ASSERT_TRUE(m_history.saveAlbum(*m_album));
            m_undo.clear();
            m_redo.clear();
            EXPECT_FALSE(m_album->isDirty());
            m_album = m_folder.open();
            ASSERT_TRUE(m_album);
            EXPECT_FALSE(m_album->isDirty()) << "the saved file already matched the folder";
        }
        if (HasFatalFailure())
            return;
        check("round " + std::to_string(round));
        if (HasFailure())
            return;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomEdits, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

}  // namespace
}  // namespace orbpix
