#include "support/ScopedEnvironment.h"

#include <stdlib.h>

#include <filesystem>

namespace orbpix::test {

ScopedEnvironment::~ScopedEnvironment() {
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->second)
            setenv(it->first.c_str(), it->second->c_str(), 1);
        else
            unsetenv(it->first.c_str());
    }
}

void ScopedEnvironment::set(const char* name, const std::string& value) {
    remember(name);
    setenv(name, value.c_str(), 1);
}

void ScopedEnvironment::unset(const char* name) {
    remember(name);
    unsetenv(name);
}

void ScopedEnvironment::remember(const char* name) {
    const char* value = getenv(name);
    m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
}

void usePrivateSettingsHome(ScopedEnvironment& environment, const std::string& root) {
    environment.set("XDG_CONFIG_HOME", root + "/user");
    environment.set("XDG_CONFIG_DIRS", root + "/machine:" + root + "/other");
    environment.set("HOME", root + "/home");
    environment.set("XDG_DATA_HOME", root + "/data");
    std::error_code ignored;
    std::filesystem::create_directories(root + "/home", ignored);
}

}  // namespace orbpix::test
