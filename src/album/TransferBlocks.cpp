#include "album/TransferBlocks.h"

#include <unistd.h>

#include <limits>

#include "core/BinaryReader.h"

namespace orbpix {

namespace {

void appendU32LE(QByteArray& out, std::uint32_t value) {
    const char bytes[4] = {char(value & 0xFF), char((value >> 8) & 0xFF),
                           char((value >> 16) & 0xFF), char((value >> 24) & 0xFF)};
    out.append(bytes, 4);
}

// A block handed over by another program, read through the bounds-checked reader.
BinaryReader readerOf(QByteArrayView block) {
    return BinaryReader(
        std::span(reinterpret_cast<const std::uint8_t*>(block.data()), std::size_t(block.size())));
}

// A zero-terminated string; fails when the terminator is missing.
[[nodiscard]] bool readString(BinaryReader& reader, QString& text) {
    std::span<const std::uint8_t> bytes;
    if (!reader.readUntil(0, bytes))
        return false;
    text = QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    return true;
}

// Each record takes at least its count and an empty path; each pair two terminators.
constexpr std::uint64_t kMinRecordBytes = 5;
constexpr std::uint64_t kMinPairBytes = 2;

[[nodiscard]] bool appendString(QByteArray& out, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    if (bytes.contains('\0'))
        return false;
    out.append(bytes);
    out.append('\0');
    return true;
}

// The last four characters (code points), or the whole text when it has fewer.
QStringView lastFour(QStringView text) {
    qsizetype start = text.size();
    for (int n = 0; n < 4 && start > 0; ++n) {
        --start;
        if (start > 0 && text[start].isLowSurrogate() && text[start - 1].isHighSurrogate())
            --start;
    }
    return text.sliced(start);
}

}  // namespace

void TransferItem::setProperty(const QString& name, const QString& value) {
    for (auto& [n, v] : properties) {
        if (n.compare(name, Qt::CaseInsensitive) == 0) {
            v = value;
            return;
        }
    }
    properties.append({name, value});
}

std::uint32_t currentProcessId() {
    return static_cast<std::uint32_t>(::getpid());
}

std::optional<QByteArray> buildItemsBlock(std::span<const TransferItem> items,
                                          std::uint32_t processId) {
    if (items.size() > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    QByteArray block;
    appendU32LE(block, kItemsBlockMagic);
    appendU32LE(block, processId);
    appendU32LE(block, static_cast<std::uint32_t>(items.size()));
    for (const TransferItem& item : items) {
        appendU32LE(block, static_cast<std::uint32_t>(item.properties.size()));
        if (!appendString(block, item.path))
            return std::nullopt;
        for (const auto& [name, value] : item.properties) {
            if (!appendString(block, name) || !appendString(block, value))
                return std::nullopt;
        }
    }
    return block;
}

bool readItemsBlock(QByteArrayView block, QList<TransferItem>& items) {
    BinaryReader reader = readerOf(block);
    std::uint32_t magic = 0, processId = 0, count = 0;
    if (!reader.readU32LE(magic) || magic != kItemsBlockMagic || !reader.readU32LE(processId) ||
        !reader.readU32LE(count))
        return false;
    // Counts come from outside: a count the remaining bytes cannot hold is refused before
    // anything is allocated for it.
    if (!reader.holds(count, kMinRecordBytes))
        return false;
    QList<TransferItem> read;
    read.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t pairs = 0;
        TransferItem item;
        if (!reader.readU32LE(pairs) || !readString(reader, item.path) ||
            !reader.holds(pairs, kMinPairBytes))
            return false;
        for (std::uint32_t p = 0; p < pairs; ++p) {
            QString name, value;
            if (!readString(reader, name) || !readString(reader, value))
                return false;
            item.setProperty(name, value);
        }
        read.append(std::move(item));
    }
    items.append(read);
    return true;
}

QByteArray buildIndexesBlock(std::span<const int> requested, int itemCount,
                             std::uint32_t processId) {
    QByteArray block;
    block.reserve(8 + 4 * qsizetype(requested.size()));
    appendU32LE(block, processId);
    appendU32LE(block, 0);  // the count, known once the indexes are filtered
    std::uint32_t count = 0;
    for (const int index : requested) {
        if (index < 0 || index >= itemCount)
            continue;
        appendU32LE(block, static_cast<std::uint32_t>(index));
        ++count;
    }
    // The block keeps room for every requested index, zero-filled.
    block.append(QByteArray(8 + 4 * qsizetype(requested.size()) - block.size(), '\0'));
    QByteArray countBytes;
    appendU32LE(countBytes, count);
    block.replace(4, 4, countBytes);
    return block;
}

std::optional<IndexesBlock> readIndexesBlock(QByteArrayView block) {
    BinaryReader reader = readerOf(block);
    IndexesBlock result;
    std::uint32_t count = 0;
    if (!reader.readU32LE(result.processId) || !reader.readU32LE(count) ||
        !reader.holds(count, sizeof(std::uint32_t)))
        return std::nullopt;
    result.indexes.resize(count);
    for (std::uint32_t& index : result.indexes) {
        if (!reader.readU32LE(index))
            return std::nullopt;
    }
    return result;
}

std::optional<std::vector<std::uint32_t>> readIndexes(QByteArrayView block, ProcessCheck check) {
    auto read = readIndexesBlock(block);
    if (!read)
        return std::nullopt;
    if (check == ProcessCheck::SameProcessOnly && read->processId != currentProcessId())
        return std::nullopt;
    return std::move(read->indexes);
}

bool matchesDropPattern(QStringView path, QStringView pattern) {
    // A path of fewer than five characters is compared whole, which its last four are.
    return lastFour(path).compare(lastFour(pattern), Qt::CaseInsensitive) == 0;
}

QList<TransferItem> itemsFromDroppedFiles(const QStringList& paths, const QStringList& patterns) {
    QList<TransferItem> items;
    for (const QString& path : paths) {
        for (const QString& pattern : patterns) {
            if (matchesDropPattern(path, pattern)) {
                items.append(TransferItem{path, {}});
                break;
            }
        }
    }
    return items;
}

}  // namespace orbpix
