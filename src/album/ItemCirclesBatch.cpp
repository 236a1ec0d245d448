#include "album/ItemCirclesBatch.h"

#include <QString>

#include "album/Album.h"
#include "imaging/io/ItemCircles.h"

namespace orbpix {

std::size_t detectCirclesOfItems(Album& album, std::span<const std::size_t> indexes,
                                 std::vector<PropertyChange>* changes) {
    std::size_t given = 0;
    for (const std::size_t index : indexes) {
        const auto path = album.itemPath(index);
        if (!path || album.property(index, kPropertyCircles))
            continue;
        const auto found = detectItemCircles(QString::fromStdString(*path));
        if (!found)
            continue;
        if (changes) {
            changes->push_back({index, kPropertyCircles, found->text});
            ++given;
        } else if (album.setProperty(index, kPropertyCircles, found->text)) {
            ++given;
        }
    }
    return given;
}

}  // namespace orbpix
