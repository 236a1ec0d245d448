#include <QCoreApplication>
#include <iostream>

#include "cli/Commands.h"
#include "imaging/JpegWriter.h"

int main(int argc, char** argv) {
    // Image plugins are found through the application object.
    QCoreApplication app(argc, argv);
    orbpix::setJpegErrorHandler(
        [](const std::string& message) { std::cerr << "orbpix: JPEG Error: " << message << "\n"; });
    std::vector<std::string> args(argv + 1, argv + argc);
    return orbpix::cli::run(args, std::cout, std::cerr);
}
