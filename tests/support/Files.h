#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orbpix::test {

using Bytes = std::vector<std::uint8_t>;

// The whole file; empty when it cannot be read.
std::string readFile(const std::string& path);
Bytes readFileBytes(const std::string& path);

// Replaces the whole file, creating its folder first. A failure fails the running test.
bool writeFile(const std::string& path, std::string_view content);
bool writeFile(const std::string& path, const Bytes& content);

}  // namespace orbpix::test
