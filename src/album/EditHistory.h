#pragma once

#include <memory>
#include <vector>

#include "album/EditStep.h"

namespace orbpix {

class Album;

// The undo and redo stacks, shared by every album of the program.
class EditHistory {
public:
    EditHistory() = default;
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    // Does the step and records it; a new step empties the redo stack of every album. A
    // step that fails is dropped.
    [[nodiscard]] bool perform(std::unique_ptr<EditStep> step);
    // Reverses the most recent step, whatever its album. When that fails the whole undo
    // stack is dropped, since the files no longer match what the steps expect.
    [[nodiscard]] bool undo();
    // Repeats the most recently undone step; a failure drops the whole redo stack.
    [[nodiscard]] bool redo();
    // Drops every step of the album (of every album when it is null) unreversed.
    void forgetAlbum(const Album* album);
    // Reverses the album's steps, most recent first, while that succeeds; drops the rest and
    // the album's redo steps, then purges the album.
    void revertAlbum(Album& album);
    // Saves the album when dirty; once saved, its steps are forgotten.
    [[nodiscard]] bool saveAlbum(Album& album);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    // The steps that undo and redo would take next; null when there are none.
    const EditStep* nextUndo() const { return m_undo.empty() ? nullptr : m_undo.back().get(); }
    const EditStep* nextRedo() const { return m_redo.empty() ? nullptr : m_redo.back().get(); }
    std::size_t undoCount() const { return m_undo.size(); }
    std::size_t redoCount() const { return m_redo.size(); }

private:
    // Most recent last.
    std::vector<std::unique_ptr<EditStep>> m_undo;
    std::vector<std::unique_ptr<EditStep>> m_redo;
};

// The history of the program.
EditHistory& editHistory();

}  // namespace orbpix
