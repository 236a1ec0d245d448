#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "tourfmt/SkinDescription.h"
#include "tourgen/TourArgs.h"

namespace orbpix::tourgen {

// Shows one of the generator's fixed messages to the user.
using Reporter = std::function<void(const std::string& message)>;

inline constexpr const char* kParametersMessage =
    "Parameters: /Skin skinfile /Album albumfile /Src srcfile /Dst dstfile";
inline constexpr const char* kCopyFailedMessage = "Copy Failed";
inline constexpr const char* kSkinNotOpenedMessage = "The file fscanf.out was not opened\n";
inline constexpr const char* kGenerationErrorMessage = "Error in Generation ";
inline constexpr const char* kViewerNotFoundMessage = "file OrbTour.exe not found";
inline constexpr const char* kAlbumNotFoundMessage = "file orb not found";
inline constexpr const char* kFileNotFoundMessage = "file not found";
inline constexpr const char* kCannotWriteMessage = "impossible of write";
// What every tour produced by the generator is captioned.
inline constexpr const char* kTourCaption = "ALBUM PHOTO";

// The folder part of a path (up to its last "/" or "\"), empty when it has none.
std::string folderOf(const std::string& path);
// The name part of a path (after its last "/" or "\").
std::string bareNameOf(const std::string& path);

// Appends the tour container (the album file and the skin's elements with their pictures,
// unscrambled) to the viewer copy at destination. Refuses, without a message of its own, a
// destination that already carries a tour. A destination left partly written is removed.
[[nodiscard]] bool WriteTourContainer(const std::string& skinFolder, const std::string& destination,
                                      const std::string& albumPath, const SkinDescription& skin,
                                      const Reporter& report);

// Reads the skin description and appends the tour to the destination. The message of an
// unreadable description goes to out, as the generator always did.
[[nodiscard]] bool GenerateTour(const std::string& destination, const std::string& skinPath,
                                const std::string& albumPath, const Reporter& report,
                                std::ostream& out);

// An empty file of a fresh name beside the destination ("<destination>.partXXXXXX"), made
// only for this process; nothing when the folder takes no file.
std::optional<std::string> makeStagingFile(const std::string& destination);

// One run of the program: checks the arguments, copies the viewer beside the destination
// (marking it executable), generates the tour there, puts it in the destination's place and,
// with "Run", starts it. Returns the exit status: 0 on success, 1 after a reported failure.
int runTourgen(const TourArgs& args, const Reporter& report, std::ostream& out);

}  // namespace orbpix::tourgen
