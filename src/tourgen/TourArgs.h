#pragma once

#include <string>
#include <vector>

namespace orbpix::tourgen {

// The generator's command line: where the skin description, the tour album file, the
// viewer program to copy and the tour to produce are, and whether to start the tour.
struct TourArgs {
    std::string skinPath;
    std::string albumPath;
    std::string sourcePath;
    std::string destinationPath;
    bool run = false;
    // Messages go to standard error only, never into a box that waits for a person: for
    // callers such as the command-line tool, which print them themselves.
    bool console = false;
    bool operator==(const TourArgs&) const = default;
    // Whether every path the generator needs is there.
    bool complete() const {
        return !skinPath.empty() && !albumPath.empty() && !sourcePath.empty() &&
               !destinationPath.empty();
    }
};

// Switches start with "-" or "/" and match exactly, case included: "Skin", "Album", "Src"
// and "Dst" send the following values to their field (each value replacing the one before),
// "Run" sets the run flag, "Console" the console flag, any other switch is ignored, and values
// before the first value switch are dropped. Since absolute paths start with "/" too, a word
// starting with "/" is a switch only when no other "/" follows; "/home/ann/skin.ski" is a value.
TourArgs parseTourArgs(const std::vector<std::string>& words);

}  // namespace orbpix::tourgen
