#include <iostream>
#include <string>
#include <vector>

#include "tourgen/TourGenerator.h"
#include "xwin/BusyBox.h"
#include "xwin/MessageBox.h"

namespace {

constexpr const char* kTitle = "Tourgen";
constexpr const char* kBusyText = "Ressource create";

}  // namespace

// Each message goes to standard error, one a line, and, when a display is there and no
// caller asked for the console alone, into a message box the user closes; the exit status
// tells the caller whether the tour was made. While the tour is made, a box says so; it
// waits for nobody and goes when the work is done.
int main(int argc, char** argv) {
    using namespace orbpix;
    const std::vector<std::string> words(argv + 1, argv + argc);
    const tourgen::TourArgs args = tourgen::parseTourArgs(words);
    if (args.console)
        return tourgen::runTourgen(
            args, [](const std::string& message) { std::cerr << message << std::endl; }, std::cout);
    // Without the paths there is nothing to work on, only the message to show.
    if (!args.complete())
        return tourgen::runTourgen(
            args, [](const std::string& message) { xwin::showMessageBox(kTitle, message); },
            std::cout);
    return xwin::runWithBusyBox(kTitle, kBusyText, [&args](const xwin::MessageSink& report) {
        return tourgen::runTourgen(args, report, std::cout);
    });
}
