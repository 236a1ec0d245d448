#pragma once

#include <QJsonDocument>
#include <QJsonObject>

#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace orbpix::test {

// What one run of the tool printed and returned.
struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs "orbpix ARGS..." in this process.
inline Outcome orbpix(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = cli::run(args, out, err);
    return {status, out.str(), err.str()};
}

// The object a run printed with --json.
inline QJsonObject json(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

}  // namespace orbpix::test
