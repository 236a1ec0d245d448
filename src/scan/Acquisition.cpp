#include "scan/Acquisition.h"

#include <QString>
#include <cstdio>

#include "imaging/io/ImageFiles.h"
#include "scan/ScanNames.h"

namespace orbpix {

namespace {

// Saves a scanned picture under the next free name; the name, or empty with the reason.
std::string savePicture(const PixelImage& picture, ScanNamer& namer, std::string& message) {
    const std::string path = namer.next();
    if (path.empty()) {
        message = "The album folder holds no free name for another scan.";
        return {};
    }
    QString error;
    if (!saveImage(picture, QString::fromStdString(path), kScanFormatCode, kScanQuality, &error)) {
        std::remove(path.c_str());
        message = "The scan could not be saved as " + path + ": " + error.toStdString();
        return {};
    }
    return path;
}

}  // namespace

AcquireOutcome acquireOne(Scanner& scanner, const std::string& folder,
                          const Scanner::Progress& progress) {
    AcquireOutcome outcome;
    PixelImage picture;
    const ScanResult scan = scanner.acquire(picture, progress);
    scanner.finish();
    if (scan.status != ScanStatus::Done) {
        outcome.message = scan.message;
        return outcome;
    }
    ScanNamer namer(folder);
    const std::string path = savePicture(picture, namer, outcome.message);
    if (path.empty())
        return outcome;
    outcome.files.push_back(path);
    outcome.succeeded = true;
    return outcome;
}

AcquireOutcome acquireSeries(Scanner& scanner, const std::string& folder,
                             const PageProgress& progress, const PagesSaved& saved) {
    AcquireOutcome outcome;
    scanner.useFeeder();
    ScanNamer namer(folder);
    auto takeBack = [&] {
        for (const std::string& file : outcome.files)
            std::remove(file.c_str());
        outcome.files.clear();
    };
    for (int page = 1;; ++page) {
        PixelImage picture;
        const ScanResult scan = scanner.acquire(
            picture, [&](double fraction) { return !progress || progress(page, fraction); });
        if (scan.status == ScanStatus::NoDocuments) {
            if (outcome.files.empty()) {
                outcome.message = "The scanner's feeder is empty.";
                break;
            }
            outcome.succeeded = true;
            break;
        }
        if (scan.status != ScanStatus::Done) {
            outcome.message = scan.message;
            if (!outcome.files.empty())
                outcome.message += " The " + std::to_string(outcome.files.size()) +
                                   " pages scanned before were not added.";
            takeBack();
            break;
        }
        const std::string path = savePicture(picture, namer, outcome.message);
        if (path.empty()) {
            takeBack();
            break;
        }
        outcome.files.push_back(path);
        if (saved)
            saved(int(outcome.files.size()));
    }
    scanner.finish();
    return outcome;
}

}  // namespace orbpix
