#include "tourviewer/DecodeAhead.h"

#include <system_error>
#include <utility>

namespace orbpix::tourviewer {

DecodeAhead::~DecodeAhead() {
    finish();
}

void DecodeAhead::start(int index, std::span<const std::uint8_t> jpeg) {
    finish();
    m_decoded = Decoded();
    try {
        m_thread = std::thread([this, jpeg] {
            m_decoded.result = decodeJpeg(jpeg, m_decoded.pixels, &m_decoded.why);
        });
        m_index = index;
    } catch (const std::system_error&) {
        // Without a thread the picture is decoded when it is asked for, as before.
        m_index = -1;
    }
}

std::optional<DecodeAhead::Decoded> DecodeAhead::take(int index) {
    const bool wanted = index == m_index && index >= 0;
    finish();
    if (!wanted)
        return std::nullopt;
    return std::exchange(m_decoded, Decoded());
}

void DecodeAhead::finish() {
    if (m_thread.joinable())
        m_thread.join();
    m_index = -1;
}

}  // namespace orbpix::tourviewer
