#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace orbpix {

// Names under which album items travel through the clipboard and drag and drop.
inline constexpr const char* kItemsFormatName = "OrbPixDataItem";
inline constexpr const char* kIndexesFormatName = "OrbPixDataItemIndexes";
inline constexpr std::uint32_t kItemsBlockMagic = 0xCAFECAFE;

// An album item on its way between albums: the picture's path and its properties in order.
struct TransferItem {
    QString path;
    QList<std::pair<QString, QString>> properties;

    // Replaces the value of a property of the same name (compared without regard to case) in
    // place, or appends the pair, as an album's property map does.
    void setProperty(const QString& name, const QString& value);

    friend bool operator==(const TransferItem&, const TransferItem&) = default;
};

// The process id that blocks written by this process carry.
std::uint32_t currentProcessId();

// The "OrbPixDataItem" block: magic, writer's process id, item count, then per item the
// property count, the path and the name/value pairs, all strings UTF-8 and zero-terminated,
// numbers 32-bit little-endian. Nothing when a string holds a zero character, which could not
// be told apart from its terminator.
std::optional<QByteArray> buildItemsBlock(std::span<const TransferItem> items,
                                          std::uint32_t processId = currentProcessId());

// Reads an items block and appends its items. A block with another magic, or one shorter than
// its counts claim, is refused as a whole: nothing is appended. Bytes after the last record
// are ignored (blocks may be handed over in rounded-up allocations).
[[nodiscard]] bool readItemsBlock(QByteArrayView block, QList<TransferItem>& items);

// The "OrbPixDataItemIndexes" block: writer's process id, count, then the indexes. The block
// has room for every requested index; the count covers only those below itemCount, in the
// order given.
QByteArray buildIndexesBlock(std::span<const int> requested, int itemCount,
                             std::uint32_t processId = currentProcessId());

struct IndexesBlock {
    std::uint32_t processId = 0;
    std::vector<std::uint32_t> indexes;
};
// Nothing when the block is shorter than its count claims.
std::optional<IndexesBlock> readIndexesBlock(QByteArrayView block);

enum class ProcessCheck { AnyProcess, SameProcessOnly };
// The indexes of a block, refused when a same-process check is asked for and another
// process wrote it.
std::optional<std::vector<std::uint32_t>> readIndexes(QByteArrayView block, ProcessCheck check);

// Whether a dropped file's name is a picture by one file pattern: the last four characters
// of both compared without regard to case (whole strings when shorter: a path of fewer than
// five characters, a pattern of fewer than four).
bool matchesDropPattern(QStringView path, QStringView pattern);
// The dropped paths that match any pattern, as items without properties, in drop order.
QList<TransferItem> itemsFromDroppedFiles(const QStringList& paths, const QStringList& patterns);

}  // namespace orbpix
