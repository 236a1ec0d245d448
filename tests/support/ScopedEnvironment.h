#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orbpix::test {

// Sets environment variables for the lifetime of the object and puts the old values back,
// so that tests can point the XDG folders at temporary ones without leaking into others.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment();

    void set(const char* name, const std::string& value);
    // Any text that can say itself as a standard string, such as a toolkit's.
    template <class Text, class = decltype(std::declval<const Text&>().toStdString())>
    void set(const char* name, const Text& value) {
        set(name, value.toStdString());
    }
    void unset(const char* name);

private:
    void remember(const char* name);
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

// Points the settings and data folders of the user and of the machine at folders below
// root: user/ (XDG_CONFIG_HOME), machine/ and other/ (XDG_CONFIG_DIRS), home/ (HOME, made
// here) and data/ (XDG_DATA_HOME), so that nothing a test saves reaches the real ones.
void usePrivateSettingsHome(ScopedEnvironment& environment, const std::string& root);

}  // namespace orbpix::test
