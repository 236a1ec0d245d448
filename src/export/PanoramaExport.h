#pragma once

#include <QString>

#include "export/TourAlbumExport.h"

namespace orbpix {

// The quality of a panorama saved for other viewers: they show it large.
inline constexpr int kPanoramaExportQuality = 90;

// Saves one picture's panorama for photo sites and other panorama viewers: unwrapped to
// 4H × H by the unwrapper of its mounting, colour-corrected, as a JPEG that describes itself
// as a photo sphere (the full turn, the band between its elevation angles). The circles are
// the picture's own or detected ones. False, with the reason, when it cannot be made; no
// file is left then.
[[nodiscard]] bool exportPanorama(const ExportPicture& picture, const QString& path, int height,
                                  QString* reason = nullptr);

}  // namespace orbpix
