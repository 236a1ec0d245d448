#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace orbpix::cli {

// Exit statuses of the tool.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,
    kExitUnreadable = 2,
    kExitInvalidCircles = 3,
    kExitFailed = 4,
    // orbpix album: the named album does not exist.
    kExitNoAlbum = 5,
};

// Runs "orbpix ARGS..." (args without the program name), writing results to out and
// messages to err. Returns the exit status.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace orbpix::cli
