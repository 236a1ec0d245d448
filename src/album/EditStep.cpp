#include "album/EditStep.h"

#include "album/Album.h"

namespace orbpix {

bool EditStep::doStep() {
    m_savedDirty = m_album->isDirty();
    return perform();
}

bool EditStep::undoStep() {
    const bool before = m_album->isDirty();
    if (!reverse())
        return false;
    m_album->setDirty(m_savedDirty);
    m_savedDirty = before;
    return true;
}

bool EditStep::redoStep() {
    const bool before = m_album->isDirty();
    if (!reperform())
        return false;
    m_album->setDirty(m_savedDirty);
    m_savedDirty = before;
    return true;
}

}  // namespace orbpix
