#include "shell/Browser.h"

#include <gtest/gtest.h>

namespace orbpix {
namespace {

TEST(Browser, CompiledHelpStandsForTheShippedHtmlPages) {
    const QString folder = QStringLiteral("/opt/orbpix");
    EXPECT_EQ(helpStartPage(folder, "OrbHelp.chm"), "/opt/orbpix/Help/index.html");
    EXPECT_EQ(helpStartPage(folder, "OTHER.CHM"), "/opt/orbpix/Help/index.html");
    EXPECT_EQ(helpStartPage(folder, ""), "/opt/orbpix/Help/index.html");
    EXPECT_EQ(helpStartPage(folder, "Guide/start.html"), "/opt/orbpix/Guide/start.html");
    EXPECT_EQ(helpStartPage(folder, "/srv/help/index.html"), "/srv/help/index.html");
}

}  // namespace
}  // namespace orbpix
