#include "album/EditSteps.h"

#include <algorithm>

#include "album/ItemCirclesBatch.h"
#include "album/TextCompare.h"

namespace orbpix {

EditLabels EditLabels::fromTexts(const TextLookup& text) {
    EditLabels labels;
    const auto lookUp = [&text](int id, std::string& label) { label = text(id, label); };
    lookUp(kInsertLabelText, labels.insert);
    lookUp(kDeleteLabelText, labels.remove);
    lookUp(kMoveLabelText, labels.move);
    lookUp(kModifyLabelText, labels.modify);
    lookUp(kRenameImageLabelText, labels.renameImage);
    lookUp(kRenameAlbumLabelText, labels.renameAlbum);
    return labels;
}

namespace {

std::vector<std::size_t> indexesOf(const std::vector<ParkedItem>& parked) {
    std::vector<std::size_t> indexes;
    for (const ParkedItem& p : parked)
        indexes.push_back(p.index);
    return indexes;
}

// Removes the items at the ascending indexes from the highest down, parking each picture.
// True when at least one went.
bool removeAndPark(Album& album, const std::vector<std::size_t>& indexes,
                   std::vector<ParkedItem>& parked) {
    parked.clear();
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) {
        ParkedItem item;
        item.index = *it;
        if (album.removeItem(*it, &item.removed))
            parked.push_back(std::move(item));
    }
    std::reverse(parked.begin(), parked.end());
    return !parked.empty();
}

// Moves the parked pictures back under their former names, lowest index first, so that
// each lands where it stood. The step learns the items as they are now.
bool moveParkedBack(Album& album, std::vector<ParkedItem>& parked) {
    bool all = true;
    for (ParkedItem& p : parked) {
        std::size_t used = 0;
        if (!album.insertMovedItem(p.index, p.removed.item, p.removed.fileName, &used)) {
            all = false;
            continue;
        }
        p.index = used;
        p.removed.item = *album.item(used);
    }
    return all;
}

}  // namespace

std::vector<std::pair<std::size_t, std::size_t>> moveBlockPlan(std::vector<std::size_t> sources,
                                                               std::size_t target,
                                                               std::size_t count) {
    target = std::min(target, count);
    std::sort(sources.begin(), sources.end());
    sources.erase(std::unique(sources.begin(), sources.end()), sources.end());
    std::erase_if(sources, [count](std::size_t s) { return s >= count; });

    std::vector<std::pair<std::size_t, std::size_t>> plan;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::size_t source = sources[i];
        if (source < target) {
            // The items between it and the target close up behind it.
            plan.emplace_back(source, target - 1);
            for (std::size_t j = i + 1; j < sources.size(); ++j) {
                if (sources[j] > source && sources[j] < target)
                    --sources[j];
            }
        } else {
            plan.emplace_back(source, target);
            for (std::size_t j = i + 1; j < sources.size(); ++j) {
                if (sources[j] >= target && sources[j] < source)
                    ++sources[j];
            }
            ++target;
        }
    }
    return plan;
}

InsertStep::InsertStep(Album& album, std::vector<AlbumItem> items, std::ptrdiff_t start,
                       EditObserver* observer, const EditLabels& labels)
    : EditStep(album, labels.insert),
      m_items(std::move(items)),
      m_start(start),
      m_observer(observer) {}

bool InsertStep::perform() {
    m_inserted.clear();
    std::vector<AlbumItem*> placed;
    for (AlbumItem& item : m_items) {
        // Items that go in together stand together, even when one of them fails.
        const std::size_t target =
            m_start < 0 ? album().itemCount() : std::size_t(m_start) + m_inserted.size();
        std::size_t used = 0;
        if (!album().insertCopiedItem(item, target, &used))
            continue;
        m_inserted.push_back(used);
        placed.push_back(&item);
    }
    if (m_inserted.empty())
        return false;
    if (m_circles == InsertCircles::Detect) {
        // The circles belong to the step: undo parks the items with them and redo brings
        // them back, so the pictures are never looked at again.
        std::vector<PropertyChange> changes;
        detectCirclesOfItems(album(), m_inserted, &changes);
        for (const PropertyChange& change : changes)
            (void)album().setProperty(change.index, change.name, change.value);
    }
    // Each insert lands after the ones before it, so the indexes still hold; the step
    // learns the paths of the copies and the circles.
    for (std::size_t i = 0; i < placed.size(); ++i)
        *placed[i] = *album().item(m_inserted[i]);
    if (m_observer)
        m_observer->itemsInserted(album(), m_inserted);
    return true;
}

bool InsertStep::reverse() {
    if (!removeAndPark(album(), m_inserted, m_parked))
        return false;
    if (m_observer)
        m_observer->itemsRemoved(album(), indexesOf(m_parked));
    return m_parked.size() == m_inserted.size();
}

bool InsertStep::reperform() {
    const bool all = moveParkedBack(album(), m_parked);
    m_inserted = indexesOf(m_parked);
    if (m_observer)
        m_observer->itemsInserted(album(), m_inserted);
    return all;
}

DeleteStep::DeleteStep(Album& album, std::vector<std::size_t> indexes, EditObserver* observer,
                       const EditLabels& labels)
    : EditStep(album, labels.remove), m_indexes(std::move(indexes)), m_observer(observer) {}

bool DeleteStep::perform() {
    // A repeated index would remove the neighbour that moved into its place.
    std::sort(m_indexes.begin(), m_indexes.end());
    m_indexes.erase(std::unique(m_indexes.begin(), m_indexes.end()), m_indexes.end());
    const std::size_t count = album().itemCount();
    std::erase_if(m_indexes, [count](std::size_t i) { return i >= count; });
    if (!removeAndPark(album(), m_indexes, m_parked))
        return false;
    m_indexes = indexesOf(m_parked);
    if (m_observer)
        m_observer->itemsRemoved(album(), m_indexes);
    return true;
}

bool DeleteStep::reverse() {
    const bool all = moveParkedBack(album(), m_parked);
    m_indexes = indexesOf(m_parked);
    if (m_observer)
        m_observer->itemsInserted(album(), m_indexes);
    return all;
}

bool DeleteStep::reperform() {
    if (!removeAndPark(album(), m_indexes, m_parked))
        return false;
    if (m_observer)
        m_observer->itemsRemoved(album(), indexesOf(m_parked));
    return m_parked.size() == m_indexes.size();
}

MoveStep::MoveStep(Album& album, std::vector<std::size_t> sources, std::size_t target,
                   EditObserver* observer, const EditLabels& labels)
    : EditStep(album, labels.move),
      m_sources(std::move(sources)),
      m_target(target),
      m_observer(observer) {}

bool MoveStep::makeMoves(bool backwards) {
    std::vector<std::pair<std::size_t, std::size_t>> made;
    const auto move = [&](std::size_t from, std::size_t to) {
        if (from == to)
            return true;
        if (!album().moveItem(from, to))
            return false;
        made.emplace_back(from, to);
        return true;
    };
    bool ok = true;
    if (backwards) {
        for (auto it = m_plan.rbegin(); ok && it != m_plan.rend(); ++it)
            ok = move(it->second, it->first);
    } else {
        for (auto it = m_plan.begin(); ok && it != m_plan.end(); ++it)
            ok = move(it->first, it->second);
    }
    if (!ok) {
        // Half a block is no state the user asked for: take back what was moved.
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            (void)album().moveItem(it->second, it->first);
        return false;
    }
    if (made.empty())
        return false;
    if (m_observer)
        m_observer->itemsMoved(album(), made);
    return true;
}

bool MoveStep::perform() {
    m_plan = moveBlockPlan(m_sources, m_target, album().itemCount());
    return makeMoves(/*backwards=*/false);
}

bool MoveStep::reverse() {
    return makeMoves(/*backwards=*/true);
}

bool MoveStep::reperform() {
    return makeMoves(/*backwards=*/false);
}

ModifyImageStep::ModifyImageStep(Album& album, std::size_t index, PropertyMap values,
                                 EditObserver* observer, const EditLabels& labels)
    : ModifyImageStep(album, labels.modify, index, std::move(values), observer) {}

ModifyImageStep::ModifyImageStep(Album& album, std::string text, std::size_t index,
                                 PropertyMap values, EditObserver* observer)
    : EditStep(album, std::move(text)),
      m_index(index),
      m_values(std::move(values)),
      m_observer(observer) {}

bool ModifyImageStep::swap() {
    if (m_values.empty() || m_index >= album().itemCount())
        return false;
    PropertyMap previous;
    const auto apply = [this](const std::string& name, const std::string& value) {
        return value.empty() ? album().removeProperty(m_index, name)
                             : album().setProperty(m_index, name, value);
    };
    for (std::size_t i = 0; i < m_values.count(); ++i) {
        const std::string& name = m_values.nameAt(i);
        // The display name stands for "NAME": an item shown by its file name records that
        // name, so that swapping back shows the same.
        const auto current = equalsIgnoreCase(name, kPropertyName)
                                 ? album().itemName(m_index)
                                 : album().property(m_index, name);
        if (!apply(name, m_values.valueAt(i))) {
            for (std::size_t j = previous.count(); j-- > 0;)
                (void)apply(previous.nameAt(j), previous.valueAt(j));
            return false;
        }
        previous.set(name, current.value_or(std::string()));
    }
    m_values = std::move(previous);
    if (m_observer)
        m_observer->itemChanged(album(), m_index);
    return true;
}

RenameImageStep::RenameImageStep(Album& album, std::size_t index, std::string_view name,
                                 EditObserver* observer, const EditLabels& labels)
    : ModifyImageStep(
          album, labels.renameImage, index,
          [&] {
              PropertyMap values;
              values.set(kPropertyName, name);
              return values;
          }(),
          observer) {}

RenameAlbumStep::RenameAlbumStep(Album& album, std::string name, EditObserver* observer,
                                 const EditLabels& labels)
    : EditStep(album, labels.renameAlbum), m_name(std::move(name)), m_observer(observer) {}

bool RenameAlbumStep::swap() {
    std::string old = album().name();
    if (!album().rename(m_name))
        return false;
    m_name = std::move(old);
    if (m_observer)
        m_observer->albumRenamed(album());
    return true;
}

}  // namespace orbpix
