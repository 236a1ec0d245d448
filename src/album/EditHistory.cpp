#include "album/EditHistory.h"

#include <algorithm>

#include "album/Album.h"

namespace orbpix {

namespace {

void dropSteps(std::vector<std::unique_ptr<EditStep>>& stack, const Album* album) {
    std::erase_if(stack, [album](const std::unique_ptr<EditStep>& step) {
        return album == nullptr || &step->album() == album;
    });
}

}  // namespace

bool EditHistory::perform(std::unique_ptr<EditStep> step) {
    if (!step || step->m_owner)
        return false;
    if (!step->doStep())
        return false;
    m_redo.clear();
    step->m_onStack = true;
    step->m_owner = this;
    m_undo.push_back(std::move(step));
    return true;
}

bool EditHistory::undo() {
    if (m_undo.empty())
        return false;
    std::unique_ptr<EditStep> step = std::move(m_undo.back());
    m_undo.pop_back();
    if (!step->undoStep()) {
        m_undo.clear();
        return false;
    }
    step->m_onStack = false;
    m_redo.push_back(std::move(step));
    return true;
}

bool EditHistory::redo() {
    if (m_redo.empty())
        return false;
    std::unique_ptr<EditStep> step = std::move(m_redo.back());
    m_redo.pop_back();
    if (!step->redoStep()) {
        m_redo.clear();
        return false;
    }
    step->m_onStack = true;
    m_undo.push_back(std::move(step));
    return true;
}

void EditHistory::forgetAlbum(const Album* album) {
    dropSteps(m_redo, album);
    dropSteps(m_undo, album);
}

void EditHistory::revertAlbum(Album& album) {
    dropSteps(m_redo, &album);
    bool reversing = true;
    for (std::size_t i = m_undo.size(); i-- > 0;) {
        if (&m_undo[i]->album() != &album)
            continue;
        if (reversing)
            reversing = m_undo[i]->undoStep();
        m_undo.erase(m_undo.begin() + std::ptrdiff_t(i));
    }
    album.purge();
}

bool EditHistory::saveAlbum(Album& album) {
    if (!album.saveIfDirty())
        return false;
    forgetAlbum(&album);
    return true;
}

EditHistory& editHistory() {
    static EditHistory history;
    return history;
}

}  // namespace orbpix
