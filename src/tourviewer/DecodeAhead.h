#pragma once

#include <optional>
#include <span>
#include <string>
#include <thread>

#include "imaging/JpegDecoder.h"
#include "imaging/PixelImage.h"

namespace orbpix::tourviewer {

// One picture decoded on a thread of its own while the user looks at another, so that the
// picture a user is likely to want next is ready when asked for.
class DecodeAhead {
public:
    struct Decoded {
        JpegResult result = JpegResult::Invalid;
        PixelImage pixels;
        std::string why;
    };

    DecodeAhead() = default;
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;
    ~DecodeAhead();

    // Starts decoding picture `index` from its JPEG data, which must stay alive and unchanged
    // until the decode is taken or dropped. An earlier decode is dropped.
    void start(int index, std::span<const std::uint8_t> jpeg);
    // The decode of picture `index`, waiting for it to finish; nothing when another picture
    // (or none) was being decoded, which is then dropped.
    std::optional<Decoded> take(int index);
    // The index being decoded, or −1.
    int pending() const { return m_index; }

private:
    void finish();

    int m_index = -1;
    std::thread m_thread;
    Decoded m_decoded;  // written by the thread only until it is joined
};

}  // namespace orbpix::tourviewer
