// A tour of twelve 4200 × 1050 panoramas on a virtual display: the time from starting the tour to
// its first frame on screen, and the frames per second while the view is dragged (synthetic
// pointer input). Re-runs itself under xvfb-run when no display is there.

// The test support (GoogleTest) comes before Xlib, whose macros would spoil it.
#include "support/TourTestSupport.h"

#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "ScreenSupport.h"
#include "tourfmt/TourAlbum.h"

namespace {

using namespace std::chrono_literals;
using orbpix::test::Clock;

const std::string kProgramDir = ORBPIX_PROGRAM_DIR;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// When the n-th frame line was written, in the tour's own milliseconds.
double frameTime(const std::string& errors, int n) {
    const std::string key = "orbtour: frame " + std::to_string(n) + " at ";
    const auto at = errors.find(key);
    return at == std::string::npos ? -1 : std::atof(errors.c_str() + at + key.size());
}

}  // namespace

int main(int argc, char**) {
    const char* display = std::getenv("DISPLAY");
    if ((!display || !*display) && argc < 2) {
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        execlp("xvfb-run", "xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", self.c_str(),
               "--under-xvfb", nullptr);
        std::fprintf(stderr, "tour_bench: needs a display or xvfb-run\n");
        return 1;
    }
    orbpix::test::TempFolder folder;
    std::vector<std::string> jpegs;
    for (const auto& ring : std::filesystem::directory_iterator(ORBPIX_SOURCE_DIR "/examples")) {
        const std::string out = folder.path(ring.path().stem().string() + ".jpg");
        const std::string command = "c=$('" + kProgramDir + "/orbpix' detect '" +
                                    ring.path().string() + "') && '" + kProgramDir +
                                    "/orbpix' unwrap '" + ring.path().string() + "' -o '" + out +
                                    "' --circles $c --height 1050 >/dev/null";
        if (std::system(command.c_str()) != 0)
            return 1;
        jpegs.push_back(out);
    }
    orbpix::TourAlbum album;
    album.title = "Bench";
    // Twelve pictures, as a photographer's tour holds: the examples over and over.
    constexpr std::size_t kPictures = 12;
    for (std::size_t i = 0; i < kPictures; ++i)
        album.pictures.push_back({"p" + std::to_string(i), -64, 26,
                                  orbpix::test::readFileBytes(jpegs[i % jpegs.size()])});
    const std::string orb = folder.path("album.orb");
    const std::string tour = folder.path("BenchTour");
    if (!orbpix::writeTourAlbumFile(album, orb) ||
        std::system(("'" + kProgramDir + "/Export/Local/Tourgen' /Skin '" + kProgramDir +
                     "/Skins/Default/skin.ski' /Album '" + orb + "' /Src '" + kProgramDir +
                     "/Export/Local/OrbTour' /Dst '" + tour + "'")
                        .c_str()) != 0)
        return 1;

    orbpix::test::Screen screen;
    std::vector<double> starts;
    std::vector<double> fromWindow;
    for (int run = 0; run < 9; ++run) {
        orbpix::test::RunningProgram program(tour, folder.path("err"), {"ORBTOUR_TRACE=1"});
        // Looked for every millisecond: the usual five would blur a 40 ms figure.
        if (!orbpix::test::waitUntil([&] { return orbpix::test::framesIn(program.errors()) > 0; },
                                     20s, 1ms))
            return 1;
        starts.push_back(msSince(program.startTime()));
        fromWindow.push_back(frameTime(program.errors(), 1));
    }
    std::sort(fromWindow.begin(), fromWindow.end());
    std::sort(starts.begin(), starts.end());
    std::printf(
        "tour of %zu pictures of 4200 x 1050: start to first frame median %.0f ms, "
        "min %.0f ms (of which from the window's making to the frame: median %.0f ms)  load "
        "%.2f\n",
        album.pictures.size(), starts[starts.size() / 2], starts.front(),
        fromWindow[fromWindow.size() / 2], orbpix::bench::loadAverage());

    orbpix::test::RunningProgram program(tour, folder.path("err"), {"ORBTOUR_TRACE=1"});
    const Window window = screen.waitForWindow("BenchTour", program.pid(), 20s);
    if (!window ||
        !orbpix::test::waitUntil([&] { return orbpix::test::framesIn(program.errors()) > 0; }, 20s))
        return 1;
    const XWindowAttributes at = screen.geometry(window);
    // The default skin's view: 608 × 268 at (16, 46).
    const int cx = at.x + 16 + 304;
    const int cy = at.y + 46 + 134;
    screen.moveTo(cx, cy);
    screen.button(true);
    screen.moveTo(cx + 250, cy + 60);
    const int before = orbpix::test::framesIn(program.errors());
    const double t0 = frameTime(program.errors(), before);
    std::this_thread::sleep_for(3s);
    const std::string errors = program.errors();
    const int after = orbpix::test::framesIn(errors);
    screen.button(false);
    const double seconds = (frameTime(errors, after) - t0) / 1000.0;
    std::printf(
        "dragging a 608 x 268 view: %d frames in %.2f s = %.1f frames per second "
        "(the drag timer ticks every 25 ms, at most 40 per second)\n",
        after - before, seconds, seconds > 0 ? (after - before) / seconds : 0.0);
    return 0;
}
