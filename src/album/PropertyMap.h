#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbpix {

// Named text values of an album item, kept in the order they were first set: that order is
// the order in which the album file lists them. Names match without regard to case by
// default (every album uses that); a name keeps the spelling it was first set with.
class PropertyMap {
public:
    enum class NameMatch { IgnoreCase, Exact };

    explicit PropertyMap(NameMatch match = NameMatch::IgnoreCase) : m_match(match) {}

    // Replaces the value of a matching name in place, or appends the pair.
    void set(std::string_view name, std::string_view value);
    // Removes the first matching pair; later pairs keep their order.
    bool remove(std::string_view name);
    [[nodiscard]] std::optional<std::string> get(std::string_view name) const;
    [[nodiscard]] bool contains(std::string_view name) const { return find(name) != npos; }

    std::size_t count() const { return m_names.size(); }
    bool empty() const { return m_names.empty(); }
    const std::string& nameAt(std::size_t i) const { return m_names[i]; }
    const std::string& valueAt(std::size_t i) const { return m_values[i]; }
    void clear();

    bool operator==(const PropertyMap& other) const = default;

private:
    static constexpr std::size_t npos = std::size_t(-1);
    std::size_t find(std::string_view name) const;

    NameMatch m_match;
    std::vector<std::string> m_names;
    std::vector<std::string> m_values;
};

}  // namespace orbpix
