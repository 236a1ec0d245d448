#pragma once

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "support/TempFolder.h"

namespace orbpix::test {

// Points the scanner library at a private configuration that offers only its own "test"
// backend, whose one device "test:0" scans pictures of the given kind. The library looks for
// its configuration folder once per process, so every test of a process shares one folder
// and each TestScanner rewrites what it holds; set it up before opening the library.
class TestScanner {
public:
    // mode: "Color", "Gray" or "Lineart"; picture: "Solid black", "Solid white",
    // "Color pattern" or "Grid".
    explicit TestScanner(const std::string& mode = "Color", int depth = 8,
                         const std::string& picture = "Color pattern") {
        write("dll.conf", "test\n");
        write("test.conf", "number_of_devices 1\nmode " + mode + "\ndepth " +
                               std::to_string(depth) + "\nresolution 25\ntest-picture \"" +
                               picture + "\"\nenable-test-options true\nbr_x 60.0\nbr_y 40.0\n");
    }
    static constexpr const char* kDevice = "test:0";

private:
    static const TempFolder& folder() {
        static const TempFolder shared;
        static const bool pointed = ::setenv("SANE_CONFIG_DIR", shared.root().c_str(), 1) == 0;
        (void)pointed;
        keepBackendLoaded();
        return shared;
    }
    // The library unloads its backends when it closes; what the "test" backend leaves
    // behind could then not be told apart from anyone else's in a leak report. Kept loaded,
    // its leaks carry its name (and the sanitizer run leaves them aside).
    static void keepBackendLoaded() {
        static const bool kept = [] {
            for (const char* folder :
                 {"/usr/lib/x86_64-linux-gnu/sane/", "/usr/lib/aarch64-linux-gnu/sane/",
                  "/usr/lib64/sane/", "/usr/lib/sane/"}) {
                const std::string path = std::string(folder) + "libsane-test.so.1";
                if (::dlopen(path.c_str(), RTLD_LAZY | RTLD_NODELETE))
                    return true;
            }
            return false;
        }();
        (void)kept;
    }
    static void write(const std::string& name, const std::string& text) {
        std::ofstream(folder().path(name)) << text;
    }
};

}  // namespace orbpix::test
