#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// The tool's commands over the tour formats: skin descriptions and pictures, tour album
// files and tours.
namespace orbpix::cli {

int skinCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int orbCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// orbpix tour build: the local tour export without dialogs.
int tourBuildCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// orbpix web build: the web page export without dialogs.
int webBuildCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int tourCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace orbpix::cli
