#include "shell/ResourceTemplates.h"

#include <gtest/gtest.h>
#include <QFile>
#include <map>
#include <vector>

#include "shell/ResourceLibrary.h"

namespace orbpix {
namespace {

TEST(ResourceTemplates, ShippedPanelLayoutAndMenuHoldEveryControlAndCommand) {
    ResourceLibrary library;
    ASSERT_TRUE(library.load(QStringLiteral(ORBPIX_PROGRAM_DIR)));
    QString error;
    const auto dialog = loadDialogTemplate(109, &error);
    ASSERT_TRUE(dialog) << error.toStdString();
    EXPECT_EQ(dialog->size, QSize(800, 550));
    for (int id : {1000, 1002, 1003, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012, 1013, 1014,
                   1015, 1016, 1017, 1054, 1055, 1057, 1058, 1059, 1060, 1061, 1062, 1070}) {
        const DialogControl* c = dialog->control(id);
        ASSERT_TRUE(c) << id;
        EXPECT_TRUE(QRect(QPoint(0, 0), dialog->size).contains(c->rect)) << id;
    }
    const auto menu = loadMenuTemplate(101, &error);
    ASSERT_TRUE(menu) << error.toStdString();
    for (int id :
         {40002, 40003, 40006, 40007, 40008, 40015, 40016, 40017, 40018, 40019, 40027, 40028, 40029,
          40030, 40031, 40032, 40033, 40034, 40035, 40036, 45000, 40024, 40011, 40012, 40013})
        EXPECT_TRUE(menu->command(id)) << id;
    const MenuText undo = splitMenuText(menu->command(40015)->text);
    EXPECT_EQ(undo.label, "&Undo");
    EXPECT_EQ(undo.shortcut, "Ctrl+Z");
    EXPECT_FALSE(loadDialogTemplate(4711, &error));
}

TEST(ResourceTemplates, ShippedWindowLayoutsHoldTheirControls) {
    ResourceLibrary library;
    ASSERT_TRUE(library.load(QStringLiteral(ORBPIX_PROGRAM_DIR)));
    const std::map<int, std::vector<int>> windows = {
        {102, {1, 1010, 1077, 1078, 1079}}, {127, {1080, 1081, 2}}, {128, {1074, 1075}}};
    for (const auto& [window, controls] : windows) {
        QString error;
        const auto dialog = loadDialogTemplate(window, &error);
        ASSERT_TRUE(dialog) << window << ": " << error.toStdString();
        for (int id : controls) {
            const DialogControl* c = dialog->control(id);
            ASSERT_TRUE(c) << window << "/" << id;
            EXPECT_TRUE(QRect(QPoint(0, 0), dialog->size).contains(c->rect)) << window << "/" << id;
        }
    }
    // The about window opens cut off below 1077: OK must be above the cut, the band below it.
    const auto about = loadDialogTemplate(102);
    const int cut = about->control(1077)->rect.bottom();
    EXPECT_LE(about->control(1)->rect.bottom(), cut);
    EXPECT_GT(about->control(1078)->rect.top(), cut);
    for (int bitmap : {119, 121})
        EXPECT_TRUE(QFile::exists(ResourceLibrary::bitmapPath(bitmap))) << bitmap;
}

TEST(ResourceTemplates, RefuseWhatIsNoLayout) {
    QString error;
    const auto ok = parseDialogTemplate(
        R"({"size": [10, 20], "controls": [{"id": 5, "rect": [1, 2, 3, 4], "text": "t"}]})",
        &error);
    ASSERT_TRUE(ok) << error.toStdString();
    EXPECT_EQ(ok->control(5)->rect, QRect(1, 2, 3, 4));
    for (const char* bad : {
             "",
             "[1]",
             R"({"size": [10]})",
             R"({"size": [0, 5]})",
             R"({"size": [10, 20], "controls": [{"id": 0, "rect": [1, 2, 3, 4]}]})",
             R"({"size": [10, 20], "controls": [{"id": 5, "rect": [1, 2, -3, 4]}]})",
             R"({"size": [10, 20], "controls": [{"id": 5, "rect": [1, 2, 3.5, 4]}]})",
             R"({"size": [10, 20], "controls": [{"id": 5, "rect": [1, 2, 3, 4]},
                                                 {"id": 5, "rect": [1, 2, 3, 4]}]})",
         })
        EXPECT_FALSE(parseDialogTemplate(bad, &error)) << bad;
    EXPECT_FALSE(parseMenuTemplate(R"({"popups": [{"text": "F", "items": [{"text": "x"}]}]})"));
    EXPECT_FALSE(parseMenuTemplate(R"({"popups": 3})"));
    const auto menu = parseMenuTemplate(
        R"({"popups": [{"text": "F", "items": [{"separator": true},
            {"text": "Sub", "items": [{"id": 7, "text": "Seven\tF7"}]}]}]})");
    ASSERT_TRUE(menu);
    ASSERT_TRUE(menu->command(7));
    EXPECT_EQ(splitMenuText(menu->command(7)->text).shortcut, "F7");
    EXPECT_FALSE(menu->command(8));
}

}  // namespace
}  // namespace orbpix
