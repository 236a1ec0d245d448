#include "cli/Arguments.h"

#include <charconv>

namespace orbpix::cli {

std::optional<std::string> ParsedArguments::option(const std::string& name) const {
    const auto it = options.find(name);
    if (it == options.end())
        return std::nullopt;
    return it->second;
}

std::vector<std::string> ParsedArguments::values(const std::string& name) const {
    const auto it = allValues.find(name);
    return it == allValues.end() ? std::vector<std::string>{} : it->second;
}

std::optional<ParsedArguments> parseArguments(const std::vector<std::string>& args,
                                              const OptionSet& known, std::string& error) {
    ParsedArguments parsed;
    bool onlyPositionals = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyPositionals || arg.size() < 2 || arg[0] != '-') {
            parsed.positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyPositionals = true;
            continue;
        }
        std::string name;
        std::optional<std::string> inlineValue;
        if (arg[1] == '-') {
            name = arg.substr(2);
            if (const auto eq = name.find('='); eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name.resize(eq);
            }
        } else if (arg.size() == 2 && known.shortNames.count(arg[1])) {
            name = known.shortNames.at(arg[1]);
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
        if (known.switches.count(name)) {
            if (inlineValue) {
                error = "option --" + name + " takes no value";
                return std::nullopt;
            }
            parsed.switches.insert(name);
        } else if (known.valued.count(name)) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    error = "option " + arg + " needs a value";
                    return std::nullopt;
                }
                inlineValue = args[++i];
            }
            parsed.options[name] = *inlineValue;
            parsed.allValues[name].push_back(*inlineValue);
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    return parsed;
}

std::optional<int> parsePositiveInt(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value <= 0)
        return std::nullopt;
    return value;
}

}  // namespace orbpix::cli
