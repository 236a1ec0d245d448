#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "album/Album.h"
#include "album/EditStep.h"

namespace orbpix {

// Told which items a step inserted, removed, moved or changed, each time it is done, undone
// or redone, so that the window can follow.
class EditObserver {
public:
    virtual ~EditObserver() = default;
    virtual void itemsInserted(Album& album, const std::vector<std::size_t>& indexes) = 0;
    virtual void itemsRemoved(Album& album, const std::vector<std::size_t>& indexes) = 0;
    // Each pair (from, to) is one move, in the order they were made.
    virtual void itemsMoved(Album& album,
                            const std::vector<std::pair<std::size_t, std::size_t>>& moves) = 0;
    virtual void itemChanged(Album& album, std::size_t index) = 0;
    virtual void albumRenamed(Album& album) = 0;
};

// Resource texts of the step labels; each built-in text starts with a space.
inline constexpr int kInsertLabelText = 500;
inline constexpr int kDeleteLabelText = 505;
inline constexpr int kMoveLabelText = 510;
inline constexpr int kModifyLabelText = 515;
inline constexpr int kRenameImageLabelText = 520;
inline constexpr int kRenameAlbumLabelText = 525;

// What the undo and redo commands call each kind of step. The model knows only the built-in
// labels; whoever creates the steps passes the texts of the program's text table.
struct EditLabels {
    std::string insert = " insert image(s)";
    std::string remove = " delete image(s)";
    std::string move = " move image(s)";
    std::string modify = " modify image";
    std::string renameImage = " rename image";
    std::string renameAlbum = " rename album";

    // Each label looked up by its text number, the built-in one offered as the fallback.
    using TextLookup = std::function<std::string(int id, const std::string& fallback)>;
    static EditLabels fromTexts(const TextLookup& text);
};

// The moves that gather the sources, in their order, into one block standing where the item
// at `target` stood: pairs (from, to) to be made one after the other. Sources past the end
// and repeated sources are left out; the target is clamped to the count.
std::vector<std::pair<std::size_t, std::size_t>> moveBlockPlan(std::vector<std::size_t> sources,
                                                               std::size_t target,
                                                               std::size_t count);

// Items removed with their files parked, by the index each had, ascending.
struct ParkedItem {
    std::size_t index = 0;
    RemovedItem removed;
};

// What an insert step does about pictures that arrive without "CIRCLES".
enum class InsertCircles { Leave, Detect };

// Pictures copied into the album; undo parks the copies, redo brings them back.
class InsertStep final : public EditStep {
public:
    static constexpr std::ptrdiff_t kAppend = -1;
    InsertStep(Album& album, std::vector<AlbumItem> items, std::ptrdiff_t start = kAppend,
               EditObserver* observer = nullptr, const EditLabels& labels = {});
    // With Detect, the first perform finds the circles of the pictures it inserted, all in
    // one batch, and records them on the new items as part of the step.
    void setCircles(InsertCircles circles) { m_circles = circles; }
    // The items as the album holds them after the step (paths of the copies). An item that
    // could not be inserted keeps the path it came with.
    const std::vector<AlbumItem>& items() const { return m_items; }
    // Where the step put its items the last time it was done or redone, ascending.
    const std::vector<std::size_t>& inserted() const { return m_inserted; }

private:
    bool perform() override;
    bool reverse() override;
    bool reperform() override;

    std::vector<AlbumItem> m_items;
    std::ptrdiff_t m_start;
    EditObserver* m_observer;
    InsertCircles m_circles = InsertCircles::Leave;
    std::vector<std::size_t> m_inserted;
    std::vector<ParkedItem> m_parked;
};

// Items removed with their pictures parked, so that undo brings back the very files.
class DeleteStep final : public EditStep {
public:
    DeleteStep(Album& album, std::vector<std::size_t> indexes, EditObserver* observer = nullptr,
               const EditLabels& labels = {});

private:
    bool perform() override;
    bool reverse() override;
    bool reperform() override;

    std::vector<std::size_t> m_indexes;
    EditObserver* m_observer;
    std::vector<ParkedItem> m_parked;
};

// Items gathered into one block at a target position.
class MoveStep final : public EditStep {
public:
    MoveStep(Album& album, std::vector<std::size_t> sources, std::size_t target,
             EditObserver* observer = nullptr, const EditLabels& labels = {});

private:
    bool perform() override;
    bool reverse() override;
    bool reperform() override;
    bool makeMoves(bool backwards);

    std::vector<std::size_t> m_sources;
    std::size_t m_target;
    EditObserver* m_observer;
    std::vector<std::pair<std::size_t, std::size_t>> m_plan;
};

// New values for properties of one item; an empty value removes the property. Each
// direction swaps the values in the album with those the step holds.
class ModifyImageStep : public EditStep {
public:
    ModifyImageStep(Album& album, std::size_t index, PropertyMap values,
                    EditObserver* observer = nullptr, const EditLabels& labels = {});

protected:
    ModifyImageStep(Album& album, std::string label, std::size_t index, PropertyMap values,
                    EditObserver* observer);

private:
    bool perform() override { return swap(); }
    bool reverse() override { return swap(); }
    bool reperform() override { return swap(); }
    bool swap();

    std::size_t m_index;
    PropertyMap m_values;
    EditObserver* m_observer;
};

// A new display name ("NAME") for one item.
class RenameImageStep final : public ModifyImageStep {
public:
    RenameImageStep(Album& album, std::size_t index, std::string_view name,
                    EditObserver* observer = nullptr, const EditLabels& labels = {});
};

// A new name for the album, which renames its folder.
class RenameAlbumStep final : public EditStep {
public:
    RenameAlbumStep(Album& album, std::string name, EditObserver* observer = nullptr,
                    const EditLabels& labels = {});

private:
    bool perform() override { return swap(); }
    bool reverse() override { return swap(); }
    bool reperform() override { return swap(); }
    bool swap();

    std::string m_name;
    EditObserver* m_observer;
};

}  // namespace orbpix
