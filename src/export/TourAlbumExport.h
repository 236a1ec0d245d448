#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/ElevationLimits.h"
#include "imaging/ColourAdjuster.h"
#include "imaging/LensCircle.h"
#include "tourfmt/TourAlbum.h"

namespace orbpix {

// Height of a tour's panoramas for a "CompressionLocal" figure: the square root of the
// figure × 46420, a quarter of it, rounded down to a multiple of 50. Panoramas are 4H × H.
int tourPanoramaHeight(std::uint32_t compressionLocal);

// A picture's mounting from its "REVERSE" property: "flag,bottom,top". The flag's first
// character "1" selects the reverse unwrapper; the two angles travel into the tour. Fields
// that are missing or unreadable keep the normal mounting's values (0 and the normal
// elevation limits).
struct Mounting {
    bool reverse = false;
    std::int32_t bottomAngle = kNormalElevation.bottom;
    std::int32_t topAngle = kNormalElevation.top;
};
Mounting parseMounting(const std::optional<std::string>& reverseProperty);

// One picture as the export found it: its file, its name and what its item says.
struct ExportPicture {
    std::string path;
    std::string name;
    std::optional<std::string> circles;  // "CIRCLES"
    std::optional<std::string> reverse;  // "REVERSE"
    std::optional<std::string> colour;   // "CC"
};

// A picture ready to be unwrapped: valid circles for its size.
struct PreparedPicture {
    std::string path;
    std::string name;
    RingCircles circles;
    Mounting mounting;
    std::optional<ColourCorrection> colour;
};

// What preparing asks of its caller.
struct PrepareHooks {
    // The circles are missing or do not fit the picture: answers new valid circles, or
    // nothing to leave the picture out.
    std::function<std::optional<RingCircles>(const ExportPicture& picture)> invalidCircles;
    // Told of each picture left out and why.
    std::function<void(const ExportPicture& picture, const std::string& reason)> leftOut;
    // Told of each picture whose data is damaged; it stays in unless strict.
    std::function<void(const ExportPicture& picture, const std::string& reason)> damaged;
    bool strict = false;
};

// Checks each picture (readable, not too large, its data complete) and finds its circles
// ("CIRCLES", else detected). Pictures that cannot be read, or whose ring stays unusable, are
// left out and their names appended to failed.
std::vector<PreparedPicture> preparePictures(const std::vector<ExportPicture>& pictures,
                                             const PrepareHooks& hooks,
                                             std::vector<std::string>& failed);

// The panorama of one picture as the tour stores it: unwrapped to 4H × H by the unwrapper
// of its mounting, colour-corrected, JPEG at quality 70. progress is called with the
// percentage done and cancels when it returns true. Nothing when the picture cannot be
// loaded or unwrapped, or when cancelled.
std::optional<std::vector<std::uint8_t>> renderTourPanorama(
    const PreparedPicture& picture, int height, const std::function<bool(int percent)>& progress,
    int quality = 70);

// What writing reports while it runs; every call comes on the writing thread.
struct WriteObserver {
    // The picture about to be written.
    std::function<void(const std::string& name)> picture;
    // Progress on the scale 0 … 100 × picture count.
    std::function<void(int position)> position;
    // Checked often; true stops the export.
    std::function<bool()> cancelled;
    // Called while waiting for pictures, so that a window stays responsive.
    std::function<void()> idle;
};

struct TourWriteOptions {
    std::string title;
    std::optional<TourInfo> info;
    int height = 800;
    // Pictures unwrapped and encoded at the same time; 0 means one per processor. The file
    // is the same whatever the number.
    int threads = 0;
};

enum class TourWriteStatus { Written, NothingWritten, Cancelled, FileError };

struct TourWriteResult {
    TourWriteStatus status = TourWriteStatus::FileError;
    std::vector<std::string> failed;  // pictures left out while writing
};

// Writes the tour album file (scrambled with the tour album key) with the prepared
// pictures in their order. When no picture could be written, or on cancel or a file error,
// the file is removed.
TourWriteResult exportTourAlbumFile(const std::string& path, const TourWriteOptions& options,
                                    const std::vector<PreparedPicture>& pictures,
                                    const WriteObserver& observer = {});

}  // namespace orbpix
