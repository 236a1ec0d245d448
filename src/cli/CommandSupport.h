#pragma once

#include <QString>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace orbpix {
class AlbumLibrary;
class PixelImage;
}  // namespace orbpix

// What the commands of the tool share: messages, numbers and writing pictures.
namespace orbpix::cli {

// The JPEG quality of the pictures unwrap and view write when --quality is not given.
inline constexpr int kDefaultOutputQuality = 70;

std::string str(const QString& s);

// Prints the message and the hint to the command's help; returns the usage exit status.
int usageError(std::ostream& err, const std::string& command, const std::string& message);

bool isJpegSuffix(const QString& suffix);

// A whole number from 0 to 100, nothing otherwise.
std::optional<int> parseQuality(const std::string& text);

// Writes the picture through the JPEG writer. A file left half-written is removed, but
// only a plain file: a device or pipe named as the output stays where it is.
bool writeJpegFile(const PixelImage& image, const std::string& path, int quality);

// A picture file a command writes, in the format its extension names.
struct PictureOutput {
    std::string path;
    bool jpeg = false;  // written through the JPEG writer with quality
    int format = 0;     // the image writer's format code otherwise
    int quality = kDefaultOutputQuality;
};

// The output for a path; nothing, with a message, when its extension names no format.
std::optional<PictureOutput> pictureOutputFor(const std::string& path, std::string& error);

// Sets the output's quality from the text of --quality; false, with a message, when there
// is no JPEG output (output may be null) or the text is no quality.
bool applyQualityOption(const std::string& text, PictureOutput* output, std::string& error);

// Writes the picture; false after printing "orbpix COMMAND: " and why not, naming the
// picture by what it is when the JPEG writer fails.
bool writePicture(const PixelImage& image, const PictureOutput& output, const std::string& command,
                  const std::string& what, std::ostream& err);

// The album library set up as the album program sets it up at start.
AlbumLibrary& preparedLibrary();

int viewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int albumCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace orbpix::cli
