#include "tourgen/TourArgs.h"

namespace orbpix::tourgen {

namespace {

bool isSwitch(const std::string& word) {
    if (word.size() < 2)
        return false;
    if (word[0] == '-')
        return true;
    return word[0] == '/' && word.find('/', 1) == std::string::npos;
}

}  // namespace

TourArgs parseTourArgs(const std::vector<std::string>& words) {
    TourArgs args;
    std::string* target = nullptr;
    for (const std::string& word : words) {
        if (!isSwitch(word)) {
            if (target)
                *target = word;
            continue;
        }
        const std::string name = word.substr(1);
        if (name == "Skin")
            target = &args.skinPath;
        else if (name == "Album")
            target = &args.albumPath;
        else if (name == "Src")
            target = &args.sourcePath;
        else if (name == "Dst")
            target = &args.destinationPath;
        else if (name == "Run")
            args.run = true;
        else if (name == "Console")
            args.console = true;
    }
    return args;
}

}  // namespace orbpix::tourgen
