// Start of the album window on the example album: from creating the main window to its first
// painted panel, and to the first panorama on screen (circles read from the album file, the
// background unwrap, the first rendered view). Then a 24-megapixel ring chosen in the strip:
// the time to its panorama painted in the view, beside what each step of that path costs on
// its own. Runs headless unless a display is asked for.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImageReader>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchTiming.h"
#include "SampleRing.h"
#include "album/AlbumLibrary.h"
#include "album/FilePatternList.h"
#include "imaging/ColourAdjuster.h"
#include "imaging/Fitting.h"
#include "imaging/LensCircle.h"
#include "imaging/Unwrap.h"
#include "imaging/io/ImageFiles.h"
#include "shell/RegistryStore.h"
#include "shell/ResourceLibrary.h"
#include "shell/Settings.h"
#include "skins/SkinAccess.h"
#include "skins/SkinManager.h"
#include "studio/MainFrame.h"
#include "ui/AlbumStrip.h"
#include "ui/PanoramaView.h"

using namespace orbpix;

namespace {

std::vector<double> s_pathMs;

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

// Double-clicks a picture of the strip, as the user chooses it.
void choose(MainPanel& panel, int index) {
    AlbumStrip* strip = panel.strip();
    strip->scrollTo(0);
    const QPoint centre = strip->itemAt(index).bounds().center();
    QTest::mouseDClick(strip, Qt::LeftButton, {}, centre);
}

// Waits until the picture chosen is painted in the view; false when it never is.
bool waitForPanorama(MainPanel& panel, int index) {
    // A real event loop, as the program runs: a polling wait would deliver the worker's
    // result and the frame only at its next poll. Frames drawn before the new panorama is
    // handed to the view do not count.
    int framesBefore = -1;
    bool painted = false;
    QEventLoop loop;
    const auto shown = QObject::connect(&panel, &MainPanel::panoramaShown, [&](int i) {
        if (i == index)
            framesBefore = panel.view()->framesShown();
    });
    const auto frame = QObject::connect(panel.view(), &PanoramaView::frameShown, [&] {
        if (framesBefore >= 0 && panel.view()->framesShown() > framesBefore) {
            painted = true;
            loop.quit();
        }
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(shown);
    QObject::disconnect(frame);
    return painted;
}

void printTiming(const char* what, const std::optional<bench::Timing>& t) {
    if (t)
        std::printf("  %-44s median %7.1f ms (spread %.2f, load %.2f)\n", what, t->medianMs,
                    t->spread, bench::loadAverage());
    else
        std::printf("  %-44s FAILED\n", what);
}

// The 24-megapixel ring chosen in the strip of the example album, and its path in parts.
int pictureToPanorama(const QString& folder, SkinManager& skins) {
    const QString big = folder + QStringLiteral("/ring24.jpg");
    {
        const QImage ring = bench::enlargedSampleRing("window_bench", 0, nullptr, 5657, 4243);
        if (ring.isNull() || !ring.save(big, "JPEG", 90)) {
            std::fprintf(stderr, "window_bench: cannot write the 24-megapixel ring\n");
            return 1;
        }
    }
    AppSettings settings;
    PanelContext context;
    context.settings = &settings;
    context.choosePictures = [&](const QString&, const QString&) { return QStringList{big}; };
    CMainFrame frame(skins, context);
    frame.resize(1280, 900);
    MainPanel& panel = *frame.panel();
    panel.openStartAlbum();
    frame.show();
    if (!QTest::qWaitFor([&] { return panel.view()->framesShown() > 0 && !panel.isBusy(); },
                         30000)) {
        std::fprintf(stderr, "window_bench: the window showed no panorama\n");
        return 1;
    }
    // Added as the user adds it: its circles are found once and kept with it.
    (void)panel.runCommand(command::kAddPictures);
    const int bigIndex = int(panel.album()->itemCount()) - 1;
    const auto chosen = bench::measure(1, 15, [&] {
        choose(panel, 0);
        if (!waitForPanorama(panel, 0))
            return false;
        const auto start = std::chrono::steady_clock::now();
        choose(panel, bigIndex);
        const bool ok = waitForPanorama(panel, bigIndex);
        s_pathMs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        return ok;
    });
    if (!chosen)
        return 1;
    std::sort(s_pathMs.begin(), s_pathMs.end());
    const QSize viewSize = panel.view()->size();
    frame.close();

    std::printf("24-megapixel ring (5657 x 4243 JPEG) chosen in the strip, %s\n",
                qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("  %-44s median %7.1f ms (spread %.2f, load %.2f)\n",
                "double-click to panorama painted:", s_pathMs[s_pathMs.size() / 2],
                bench::spreadOf(s_pathMs), bench::loadAverage());
    std::printf(" the same steps one by one:\n");
    printTiming("JPEG decode alone (reference)", bench::measure(1, 7, [&] {
                    QImageReader reader(big);
                    return !reader.read().isNull();
                }));
    PixelImage picture;
    const auto decode =
        bench::measure(1, 7, [&] { return loadFitted(big, kUnlimited, kUnlimited, picture); });
    printTiming("decode to the preview's picture", decode);
    const auto circles = parseCirclesText(
        panel.album()->property(std::size_t(bigIndex), kPropertyCircles).value_or(""));
    if (!circles || !decode)
        return 1;
    PanoramaUnwrapper unwrapper;
    unwrapper.setThreads(2);
    const int height = previewHeight(circles->outer.radius);
    std::unique_ptr<PanoramaResult> result;
    const auto unwrap = bench::measure(1, 7, [&] {
        // Into the last strip's block, as the window's worker does.
        result = unwrapper.unwrap(picture, &circles->outer, &circles->inner, 4 * height, height, {},
                                  std::move(result));
        return result != nullptr;
    });
    printTiming("preview unwrap on two threads", unwrap);
    if (!unwrap)
        return 1;
    // By difference of medians taken apart, so within a few milliseconds of noise.
    std::printf("  %-44s        %7.1f ms\n", "the rest, by difference (hand-overs, frame):",
                s_pathMs[s_pathMs.size() / 2] - decode->medianMs - unwrap->medianMs);
    std::printf("  (view %d x %d, strip %d x %d)\n", viewSize.width(), viewSize.height(),
                4 * height, height);
    return 0;
}

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
    // The thumbnail worker's trace would drown the figures.
    QLoggingCategory::setFilterRules(QStringLiteral("orbimagelib=false"));
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
    const int status = pictureToPanorama(home.path(), skins);
    setProgramSkins(nullptr);
    return status;
}
