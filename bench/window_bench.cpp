// Start of the album window on the example album: from creating the main window to its first
// painted panel, and to the first panorama on screen (circles read from the album file, the
// background unwrap, the first rendered view). Runs headless unless a display is asked for.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "album/AlbumLibrary.h"
#include "album/FilePatternList.h"
#include "shell/RegistryStore.h"
#include "shell/ResourceLibrary.h"
#include "shell/Settings.h"
#include "skins/SkinAccess.h"
#include "skins/SkinManager.h"
#include "studio/MainFrame.h"
#include "ui/PanoramaView.h"

using namespace orbpix;

namespace {

// Notes when the panel has painted for the first time.
class FirstPaint : public QObject {
public:
    qint64 atMs = -1;
    const QElapsedTimer* clock = nullptr;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && atMs < 0)
            atMs = clock->elapsed();
        return false;
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    QApplication app(argc, argv);
    if (!resourceLibrary().load(QStringLiteral(ORBPIX_PROGRAM_DIR))) {
        std::fprintf(stderr, "window_bench: no resource library in %s\n", ORBPIX_PROGRAM_DIR);
        return 1;
    }
    SkinManager skins;
    (void)skins.initialise(QStringLiteral(ORBPIX_PROGRAM_DIR "/Skins"), "Default", "Default");
    setProgramSkins(&skins);
    addImagingPatterns(filePatternList());
    LibraryConfig config;
    config.examplesFolder = QStringLiteral(ORBPIX_PROGRAM_DIR "/Examples");
    (void)albumLibrary().configure(config);

    constexpr int kRuns = 5;
    std::vector<double> painted, panorama;
    for (int run = 0; run < kRuns; ++run) {
        // Each start is a first start: a new library, seeded from the examples.
        const QString library = home.filePath(QStringLiteral("library%1").arg(run));
        (void)registry::writeText(registry::Hive::User, "Software\\Orbworks\\Albums", "path",
                                  library);
        AppSettings settings;
        PanelContext context;
        context.settings = &settings;
        QElapsedTimer clock;
        clock.start();
        FirstPaint firstPaint;
        firstPaint.clock = &clock;
        CMainFrame frame(skins, context);
        frame.panel()->installEventFilter(&firstPaint);
        frame.panel()->openStartAlbum();
        frame.show();
        const bool shown =
            QTest::qWaitFor([&] { return frame.panel()->view()->framesShown() > 0; }, 30000);
        const qint64 panoramaMs = clock.elapsed();
        if (!shown || firstPaint.atMs < 0) {
            std::fprintf(stderr, "window_bench: the window showed no panorama\n");
            return 1;
        }
        painted.push_back(double(firstPaint.atMs));
        panorama.push_back(double(panoramaMs));
        frame.close();
    }
    std::printf("album window on the example album (%d first starts, %s)\n", kRuns,
                qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("  window created to first painted panel: median %7.1f ms\n", median(painted));
    std::printf("  window created to first panorama shown: median %7.1f ms\n", median(panorama));
    setProgramSkins(nullptr);
    return 0;
}
