#pragma once

#include <QString>

namespace orbpix {

// What a picture file is fit for, checked before it joins an album or a tour.
struct PictureCheck {
    enum class State {
        Sound,
        Damaged,     // readable, but parts of its data are missing or corrupt
        Unreadable,  // no picture any installed reader understands, or an empty file
        TooLarge,    // more pixels than the program can hold
    };
    State state = State::Unreadable;
    int width = 0;
    int height = 0;
    QString reason;  // why it is not sound, for the user

    bool usable() const { return state == State::Sound || state == State::Damaged; }
};

// Reads the file's header and, for a JPEG file, all of its compressed data at a small size.
PictureCheck checkPictureFile(const QString& path);

}  // namespace orbpix
