#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orbpix::cli {

// A command's arguments split into positionals, valued options and switches. Options are
// "--name value", "--name=value" or, for the short forms a command declares, "-o value".
struct ParsedArguments {
    std::vector<std::string> positionals;
    std::map<std::string, std::string> options;                 // the last value of each option
    std::map<std::string, std::vector<std::string>> allValues;  // every value, in order
    std::set<std::string> switches;
    bool has(const std::string& name) const { return switches.count(name) > 0; }
    std::optional<std::string> option(const std::string& name) const;
    // Every value of an option given more than once.
    std::vector<std::string> values(const std::string& name) const;
};

struct OptionSet {
    std::set<std::string> valued;    // long names taking a value, without "--"
    std::set<std::string> switches;  // long names without a value
    std::map<char, std::string> shortNames;
};

// Splits args; nothing (and a message in error) for an unknown option or a missing value.
std::optional<ParsedArguments> parseArguments(const std::vector<std::string>& args,
                                              const OptionSet& known, std::string& error);

// A positive whole number, nothing otherwise.
std::optional<int> parsePositiveInt(const std::string& text);

}  // namespace orbpix::cli
