// Keeps the modules of src/ in their one-way order: every include of another module's header
// and every library a module's CMakeLists.txt links must be allowed by allowed-dependencies.txt.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Rules {
    std::map<std::string, std::set<std::string>> allowed;  // module -> modules it may use
    std::set<std::string> toolkitFree;
};

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Rules readRules(const fs::path& table) {
    Rules rules;
    std::istringstream lines(readText(table));
    std::string line;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::istringstream names(line.substr(colon + 1));
        std::set<std::string> set{std::istream_iterator<std::string>(names), {}};
        const std::string key = line.substr(0, colon);
        if (key == "toolkit-free")
            rules.toolkitFree = std::move(set);
        else
            rules.allowed[key] = std::move(set);
    }
    return rules;
}

// The module a path below src/ belongs to: the longest module folder that holds it.
std::string moduleOf(const std::string& relative, const Rules& rules) {
    std::string best;
    for (const auto& [module, uses] : rules.allowed) {
        if (relative.rfind(module + "/", 0) == 0 && module.size() > best.size())
            best = module;
    }
    return best;
}

class Checker {
public:
    Checker(fs::path src, Rules rules) : m_src(std::move(src)), m_rules(std::move(rules)) {}

    std::vector<std::string> run() {
        collectTargets();
        for (const auto& entry : fs::recursive_directory_iterator(m_src)) {
            if (!entry.is_regular_file())
                continue;
            const std::string relative = fs::relative(entry.path(), m_src).generic_string();
            if (relative.find('/') == std::string::npos)
                continue;  // src/CMakeLists.txt only lists the modules
            const std::string module = moduleOf(relative, m_rules);
            if (module.empty()) {
                m_violations.push_back(relative + ": folder of no module in the table");
                continue;
            }
            const std::string ext = entry.path().extension().string();
            if (ext == ".h" || ext == ".cpp")
                checkIncludes(entry.path(), relative, module);
            else if (entry.path().filename() == "CMakeLists.txt")
                checkLinks(entry.path(), relative, module);
        }
        return m_violations;
    }

private:
    bool mayUse(const std::string& module, const std::string& other) const {
        return module == other || m_rules.allowed.at(module).count(other) > 0;
    }

    void collectTargets() {
        static const std::regex target(R"(add_(?:library|executable)\(\s*([A-Za-z0-9_]+))");
        for (const auto& entry : fs::recursive_directory_iterator(m_src)) {
            if (entry.path().filename() != "CMakeLists.txt")
                continue;
            const std::string relative = fs::relative(entry.path(), m_src).generic_string();
            const std::string text = readText(entry.path());
            for (std::sregex_iterator it(text.begin(), text.end(), target), end; it != end; ++it)
                m_targetModule[(*it)[1]] = moduleOf(relative, m_rules);
        }
    }

    void checkIncludes(const fs::path& path, const std::string& relative,
                       const std::string& module) {
        static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
        std::istringstream lines(readText(path));
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            std::smatch m;
            if (!std::regex_search(line, m, include))
                continue;
            const std::string header = m[2];
            const std::string where = relative + ":" + std::to_string(number) + ": ";
            if (m[1] == "<") {
                if (m_rules.toolkitFree.count(module) && header.rfind("Q", 0) == 0)
                    m_violations.push_back(where + module + " is toolkit-free but includes <" +
                                           header + ">");
                continue;
            }
            const std::string other = moduleOf(header, m_rules);
            if (!other.empty() && !mayUse(module, other))
                m_violations.push_back(where + module + " may not include " + header);
        }
    }

    void checkLinks(const fs::path& path, const std::string& relative, const std::string& module) {
        static const std::regex links(R"(target_link_libraries\(([^)]*)\))");
        const std::string text = readText(path);
        for (std::sregex_iterator it(text.begin(), text.end(), links), end; it != end; ++it) {
            std::istringstream words((*it)[1].str());
            std::string word;
            words >> word;  // the target itself
            while (words >> word) {
                const auto found = m_targetModule.find(word);
                if (found != m_targetModule.end() && !mayUse(module, found->second))
                    m_violations.push_back(relative + ": " + module + " may not link " + word);
                if (word.rfind("Qt6::", 0) == 0 && m_rules.toolkitFree.count(module))
                    m_violations.push_back(relative + ": " + module +
                                           " is toolkit-free but links " + word);
            }
        }
    }

    fs::path m_src;
    Rules m_rules;
    std::map<std::string, std::string> m_targetModule;
    std::vector<std::string> m_violations;
};

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

const fs::path kTable = fs::path(ORBPIX_SOURCE_DIR) / "tests/layering/allowed-dependencies.txt";

TEST(Layering, EveryModuleUsesOnlyTheModulesBelowIt) {
    const Rules rules = readRules(kTable);
    ASSERT_GE(rules.allowed.size(), 10u);
    const auto violations = Checker(fs::path(ORBPIX_SOURCE_DIR) / "src", rules).run();
    EXPECT_TRUE(violations.empty()) << joined(violations);
}

// The check itself must see a wrong include, a wrong link, a toolkit header in a tour module
// and a folder that the table does not know.
TEST(Layering, TheCheckFindsEveryKindOfBreach) {
    const fs::path src =
        fs::temp_directory_path() / ("orbpix-layering-" + std::to_string(::getpid()));
    fs::remove_all(src);
    const auto write = [&src](const std::string& relative, const std::string& text) {
        fs::create_directories((src / relative).parent_path());
        std::ofstream(src / relative) << text;
    };
    write("core/CMakeLists.txt", "add_library(orbpix_core STATIC A.cpp)\n");
    write("core/A.cpp", "#include \"core/A.h\"\n#include <vector>\n#include \"album/Album.h\"\n");
    write("album/CMakeLists.txt", "add_library(orbpix_album STATIC Album.cpp)\n");
    write("album/Album.cpp", "#include \"core/A.h\"\n#include \"skins/Skin.h\"\n");
    write("tourfmt/CMakeLists.txt",
          "add_library(orbpix_tourfmt STATIC T.cpp)\n"
          "target_link_libraries(orbpix_tourfmt PUBLIC orbpix_core\n    PRIVATE orbpix_album "
          "Qt6::Core)\n");
    write("panorama/View.h", "#pragma once\n#include <QImage>\n");
    write("imaging/io/Files.cpp", "#include \"panorama/View.h\"\n");
    write("newmodule/X.cpp", "\n");

    const auto violations = Checker(src, readRules(kTable)).run();
    fs::remove_all(src);
    const std::vector<std::string> expected = {
        "album/Album.cpp:2: album may not include skins/Skin.h",
        "core/A.cpp:3: core may not include album/Album.h",
        "imaging/io/Files.cpp:1: imaging/io may not include panorama/View.h",
        "newmodule/X.cpp: folder of no module in the table",
        "panorama/View.h:2: panorama is toolkit-free but includes <QImage>",
        "tourfmt/CMakeLists.txt: tourfmt is toolkit-free but links Qt6::Core",
        "tourfmt/CMakeLists.txt: tourfmt may not link orbpix_album",
    };
    std::vector<std::string> sorted = violations;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, expected) << joined(violations);
}

}  // namespace
