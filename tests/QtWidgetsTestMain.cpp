#include <gtest/gtest.h>
#include <QApplication>

// Widget tests need the full application object. They run headless unless told otherwise,
// test discovery included, which starts the binary without the tests' environment.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
