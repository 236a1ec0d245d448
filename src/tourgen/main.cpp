#include <iostream>
#include <string>
#include <vector>

#include "tourgen/TourGenerator.h"

// The generator has no window of its own: its messages go to standard error, one a line,
// and the exit status tells the caller whether the tour was made.
int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    const auto report = [](const std::string& message) { std::cerr << message << "\n"; };
    return orbpix::tourgen::runTourgen(orbpix::tourgen::parseTourArgs(words), report, std::cout);
}
