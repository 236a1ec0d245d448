#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace orbpix::cli {

// orbpix skin draw / skin color: a skin element drawn or read exactly as the album
// program's windows do, for skin authors. args start with "draw" or "color".
int skinArtCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace orbpix::cli
