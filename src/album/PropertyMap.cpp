#include "album/PropertyMap.h"

#include "album/TextCompare.h"

namespace orbpix {

std::size_t PropertyMap::find(std::string_view name) const {
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        if (m_match == NameMatch::IgnoreCase ? equalsIgnoreCase(m_names[i], name)
                                             : m_names[i] == name)
            return i;
    }
    return npos;
}

void PropertyMap::set(std::string_view name, std::string_view value) {
    if (const std::size_t i = find(name); i != npos) {
        m_values[i] = value;
        return;
    }
    m_names.emplace_back(name);
    m_values.emplace_back(value);
}

bool PropertyMap::remove(std::string_view name) {
    const std::size_t i = find(name);
    if (i == npos)
        return false;
    m_names.erase(m_names.begin() + std::ptrdiff_t(i));
    m_values.erase(m_values.begin() + std::ptrdiff_t(i));
    return true;
}

std::optional<std::string> PropertyMap::get(std::string_view name) const {
    const std::size_t i = find(name);
    if (i == npos)
        return std::nullopt;
    return m_values[i];
}

void PropertyMap::clear() {
    m_names.clear();
    m_values.clear();
}

}  // namespace orbpix
