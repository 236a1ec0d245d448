#include "tourfmt/SubStream.h"

#include <algorithm>

#include "core/BinaryReader.h"

namespace orbpix {

std::size_t SubStream::read(std::span<std::uint8_t> bytes) {
    const std::int64_t available = std::max<std::int64_t>(0, m_length - m_position);
    const std::size_t wanted =
        std::size_t(std::min<std::int64_t>(available, std::int64_t(bytes.size())));
    if (wanted == 0 || !m_parent.seek(m_start + m_position, Origin::Begin))
        return 0;
    std::size_t done = 0;
    while (done < wanted) {
        const std::size_t n = m_parent.read(bytes.subspan(done, wanted - done));
        if (n == 0)
            break;
        done += n;
    }
    m_position += std::int64_t(done);
    return done;
}

bool SubStream::seek(std::int64_t offset, Origin origin) {
    const std::int64_t base = origin == Origin::Begin     ? 0
                              : origin == Origin::Current ? m_position
                                                          : m_length;
    const std::int64_t target = base + offset;
    if (target < 0 || target > m_length)
        return false;
    m_position = target;
    return true;
}

bool SubStream::readExactly(std::span<std::uint8_t> bytes) {
    return read(bytes) == bytes.size();
}

bool SubStream::readU32BE(std::uint32_t& value) {
    std::uint8_t bytes[4];
    BinaryReader in(bytes);
    return readExactly(bytes) && in.readU32BE(value);
}

bool SubStream::readU16BE(std::uint16_t& value) {
    std::uint8_t bytes[2];
    BinaryReader in(bytes);
    return readExactly(bytes) && in.readU16BE(value);
}

}  // namespace orbpix
