#pragma once

#include <QString>

namespace orbpix {

// The folder holding the running program (and so the resource library, the examples and the
// tour programs).
QString programFolder();

}  // namespace orbpix
