#include "shell/ResourceLibrary.h"

#include <gtest/gtest.h>
#include <QFile>

#include "support/QtFiles.h"

namespace orbpix {
namespace {

const QString kProgramDir = QStringLiteral(ORBPIX_PROGRAM_DIR);

TEST(ResourceLibrary, LoadsTheBuiltLibrary) {
    ResourceLibrary library;
    ASSERT_TRUE(library.load(kProgramDir));
    EXPECT_TRUE(library.isLoaded());
    EXPECT_FALSE(library.text(57344).isEmpty());
    EXPECT_EQ(library.text(201), QStringLiteral("OrbHelp.chm"));
    EXPECT_EQ(library.text(800), QStringLiteral("Default"));
    EXPECT_EQ(library.text(99999, QStringLiteral("fallback")), QStringLiteral("fallback"));
    library.unload();
    EXPECT_FALSE(library.isLoaded());
    EXPECT_FALSE(library.hasText(57344));
}

TEST(ResourceLibrary, HoldsEveryTextTheProgramNames) {
    ResourceLibrary library;
    ASSERT_TRUE(library.load(kProgramDir));
    // Format descriptions take the pattern list once; the entry for all pictures none.
    for (const int id : {625, 700, 705, 710, 715, 720, 725, 730, 735, 740, 745, 790})
        EXPECT_EQ(library.text(id).count(QStringLiteral("%s")), 1) << id;
    EXPECT_FALSE(library.text(795).contains(u'%'));
    // Edit-step labels follow "Undo"/"Redo" directly.
    for (const int id : {500, 505, 510, 515, 520, 525})
        EXPECT_TRUE(library.text(id).startsWith(u' ')) << id;
    for (const int id : {102, 200, 201, 210, 211, 215, 220, 225, 226, 230, 235, 300,
                         301, 621, 622, 626, 627, 628, 629, 630, 631, 632, 634, 635,
                         636, 638, 800, 805, 810, 815, 820, 825, 830, 835, 850, 57344})
        EXPECT_FALSE(library.text(id).isEmpty()) << id;
    EXPECT_EQ(library.text(226).count(QStringLiteral("%d")), 1);
}

TEST(ResourceLibrary, MissingOrDamagedLibraryIsRefused) {
    test::QtTempFolder folder;
    ResourceLibrary library;
    EXPECT_FALSE(library.load(folder.root()));
    EXPECT_FALSE(library.isLoaded());
    QFile junk(folder.path(QString::fromLatin1(ResourceLibrary::kFileName)));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a resource file");
    junk.close();
    EXPECT_FALSE(library.load(folder.root()));
    EXPECT_EQ(QString::fromLatin1(ResourceLibrary::kMissingMessage),
              QStringLiteral("Fatal error: Unable to find the resource library..."));
}

}  // namespace
}  // namespace orbpix
