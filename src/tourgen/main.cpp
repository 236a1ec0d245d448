#include <iostream>
#include <string>
#include <vector>

#include "tourgen/TourGenerator.h"
#include "xwin/MessageBox.h"

// Each message goes to standard error, one a line, and, when a display is there and no
// caller asked for the console alone, into a message box the user closes; the exit status
// tells the caller whether the tour was made.
int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    const orbpix::tourgen::TourArgs args = orbpix::tourgen::parseTourArgs(words);
    const auto report = [console = args.console](const std::string& message) {
        if (console)
            std::cerr << message << std::endl;
        else
            orbpix::xwin::showMessageBox("Tourgen", message);
    };
    return orbpix::tourgen::runTourgen(args, report, std::cout);
}
