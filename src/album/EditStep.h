#pragma once

#include <string>

namespace orbpix {

class Album;
class EditHistory;

// One undoable change of an album. Do performs it for the first time; Undo and Redo reverse
// and repeat it. Each also restores the album's dirty flag: undoing gives back the flag from
// before the step, redoing the flag from after it.
class EditStep {
public:
    EditStep(Album& album, std::string label) : m_album(&album), m_label(std::move(label)) {}
    EditStep(const EditStep&) = delete;
    EditStep& operator=(const EditStep&) = delete;
    virtual ~EditStep() = default;

    [[nodiscard]] virtual bool doStep();
    [[nodiscard]] virtual bool undoStep();
    [[nodiscard]] virtual bool redoStep();

    Album& album() const { return *m_album; }
    const std::string& label() const { return m_label; }
    bool isOnStack() const { return m_onStack; }
    const EditHistory* owner() const { return m_owner; }

protected:
    [[nodiscard]] virtual bool perform() = 0;
    [[nodiscard]] virtual bool reverse() = 0;
    [[nodiscard]] virtual bool reperform() = 0;

private:
    friend class EditHistory;

    bool m_onStack = false;
    EditHistory* m_owner = nullptr;
    Album* m_album;
    std::string m_label;
    bool m_savedDirty = false;
};

}  // namespace orbpix
