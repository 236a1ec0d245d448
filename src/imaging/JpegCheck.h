#pragma once

#include <string>

namespace orbpix {

// Whether a JPEG file's compressed data is all there. A truncated or corrupt file still
// decodes into a picture (grey where the data ran out), so loading alone does not tell.
enum class JpegData {
    Complete,
    Damaged,     // decodes, but the decoder had to make up or skip data
    Unreadable,  // no JPEG, or one the decoder gives up on
};

// Decodes the file at an eighth of its size, which reads every byte of the compressed data
// at a fraction of a full decode's cost. message says what the decoder found wrong.
JpegData checkJpegData(const std::string& path, std::string* message = nullptr);

// Whether the file starts like a JPEG file.
bool looksLikeJpeg(const std::string& path);

}  // namespace orbpix
