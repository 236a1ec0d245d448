#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tourviewer/TourModel.h"
#include "tourviewer/TourWindow.h"
#include "xwin/MessageBox.h"

namespace {

// The program's own file, whatever folder the tour was started from.
std::string programPath(const char* argv0) {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(argv0) : self.string();
}

}  // namespace

int main(int, char** argv) {
    using namespace orbpix::tourviewer;
    // Links are opened by programs nobody waits for.
    std::signal(SIGCHLD, SIG_IGN);

    const std::string path = programPath(argv[0]);
    const std::string caption = std::filesystem::path(path).filename().string();
    const char* tmp = std::getenv("TMPDIR");
    const std::string temporaryFolder = tmp && *tmp ? tmp : "/tmp";
    const auto show = [&caption](const std::string& message) {
        orbpix::xwin::showMessageBox(caption, message);
    };

    TourModel model;
    // The kernel's link to the running program opens even when its file was moved away.
    if (!model.load("/proc/self/exe", temporaryFolder, show, path)) {
        show(kNoTourMessage);
        return 1;
    }
    std::string why;
    auto window = orbpix::xwin::Window::create(caption, kWindowWidth, kWindowHeight, &why);
    if (!window) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), why.c_str());
        return 1;
    }
    TourWindow tour(model, std::move(window), caption);
    return tour.run();
}
