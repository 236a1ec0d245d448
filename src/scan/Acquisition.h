#pragma once

#include <functional>
#include <string>
#include <vector>

#include "scan/Scanner.h"

namespace orbpix {

// Scans are stored as JPEG whatever the ".bmp" of their names says, for the size of
// full-page colour scans.
inline constexpr int kScanFormatCode = 10;
inline constexpr int kScanQuality = 20;

struct AcquireOutcome {
    bool succeeded = false;
    std::vector<std::string> files;  // the pictures to add to the album, in scan order
    std::string message;             // why it failed, for a person
};

// Scans one picture into the album folder under the first free scan name.
AcquireOutcome acquireOne(Scanner& scanner, const std::string& folder,
                          const Scanner::Progress& progress);

// Answers with the page being scanned (from 1) and its fraction; false cancels.
using PageProgress = std::function<bool(int page, double fraction)>;
// Hears how many pages have been saved, between pages.
using PagesSaved = std::function<void(int pages)>;

// Scans from the source's feeder until it has no more documents. Only a run that ends that
// way succeeds; a run that fails or is cancelled takes back the pictures it saved, so the
// album folder (whose refresh would otherwise add them one by one) stays as it was.
AcquireOutcome acquireSeries(Scanner& scanner, const std::string& folder,
                             const PageProgress& progress, const PagesSaved& saved = {});

}  // namespace orbpix
