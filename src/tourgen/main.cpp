#include <iostream>
#include <string>
#include <vector>

#include "tourgen/TourGenerator.h"
#include "xwin/MessageBox.h"

// Each message goes to standard error, one a line, and, when a display is there, into a
// message box the user closes; the exit status tells the caller whether the tour was made.
int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    const auto report = [](const std::string& message) {
        orbpix::xwin::showMessageBox("Tourgen", message);
    };
    return orbpix::tourgen::runTourgen(orbpix::tourgen::parseTourArgs(words), report, std::cout);
}
