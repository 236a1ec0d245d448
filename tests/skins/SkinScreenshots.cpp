// Photographs the skinned controls of every shipped skin in each of their states, for the
// documentation and for judging a skin by eye:
//   skin_screenshots PROGRAM-FOLDER OUTPUT-FOLDER
// writes <skin>-buttons.png, -strip-buttons.png, -sliders.png, -progress.png, -dialog.png,
// -image-properties.png and -window.png.

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>

#include "skins/ParentBackground.h"
#include "skins/SkinAccess.h"
#include "skins/SkinButton.h"
#include "skins/SkinDialog.h"
#include "skins/SkinManager.h"
#include "skins/SkinPackage.h"
#include "skins/SkinProgress.h"
#include "skins/SkinSlider.h"

namespace orbpix {
namespace {

// A surface that lays skin elements and lends them to its children as their background.
class Stage : public QWidget {
public:
    explicit Stage(QSize size, QWidget* parent = nullptr) : QWidget(parent) { setFixedSize(size); }
    void tile(const QString& element, const QRect& area) {
        Layer layer{{}, area, true};
        (void)layer.bitmap.load(programSkins(), element);
        m_layers.push_back(layer);
    }
    void place(const QString& element, QPoint at) {
        Layer layer{{}, {}, false};
        (void)layer.bitmap.load(programSkins(), element);
        layer.area = QRect(at, layer.bitmap.size());
        m_layers.push_back(layer);
    }
    void fill(const QString& colourElement, const QRect& area) {
        m_fills.push_back({programSkins().getSkinColor(colourElement, qRgb(255, 0, 0)), area});
    }
    void label(const QString& text, const QRect& area) { m_labels.push_back({text, area}); }

protected:
    bool event(QEvent* event) override {
        if (event->type() != ParentBackgroundEvent::kType)
            return QWidget::event(event);
        auto* ask = static_cast<ParentBackgroundEvent*>(event);
        paintLayers(ask->surface(), -ask->rect().topLeft());
        ask->accept();
        return true;
    }
    void paintEvent(QPaintEvent*) override {
        QImage surface(size(), QImage::Format_RGB32);
        surface.fill(Qt::black);
        paintLayers(surface, {});
        QPainter painter(&surface);
        const bool dark = qGray(surface.pixel(0, height() - 1)) < 128;
        painter.setPen(dark ? QColor(200, 204, 210) : QColor(60, 66, 76));
        QFont font = painter.font();
        font.setPixelSize(12);
        painter.setFont(font);
        for (const auto& [text, area] : m_labels)
            painter.drawText(area, Qt::AlignCenter, text);
        painter.end();
        QPainter(this).drawImage(0, 0, surface);
    }

private:
    struct Layer {
        SkinBitmap bitmap;
        QRect area;
        bool tiled;
    };
    void paintLayers(QImage& surface, QPoint offset) const {
        SkinCanvas canvas(surface);
        for (const Layer& layer : m_layers) {
            if (layer.tiled)
                (void)layer.bitmap.drawTiled(canvas, layer.area.translated(offset));
            else
                layer.bitmap.draw(canvas, layer.area.x() + offset.x(), layer.area.y() + offset.y());
        }
        QPainter painter(&surface);
        for (const auto& [colour, area] : m_fills)
            painter.fillRect(area.translated(offset), QColor(colour));
    }
    std::vector<Layer> m_layers;
    std::vector<std::pair<QRgb, QRect>> m_fills;
    std::vector<std::pair<QString, QRect>> m_labels;
};

enum class State { Normal, Hover, Pressed, Disabled };
const char* const kStateNames[] = {"normal", "hover", "pressed", "disabled"};

SkinButton* button(QWidget* parent, const QString& element, QPoint at, State state) {
    auto* b = new SkinButton(parent);
    SkinBitmap picture;
    (void)programSkins().loadElement(element, picture);
    b->move(at);
    b->setPicture(picture, SkinButton::Resize::Yes);
    if (state == State::Hover) {
        const QPointF centre(b->width() / 2.0, b->height() / 2.0);
        QMouseEvent move(QEvent::MouseMove, centre, b->mapToGlobal(centre), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(b, &move);
    }
    b->setDown(state == State::Pressed);
    b->setEnabled(state != State::Disabled);
    return b;
}

// One band per host: the buttons in columns, their four states in rows.
void buttonBand(QWidget* sheet, int& top, const QString& ground, const QStringList& elements,
                int cell, int rowHeight) {
    auto* stage = new Stage(QSize(84 + cell * int(elements.size()), rowHeight * 4 + 8), sheet);
    stage->move(0, top);
    stage->tile(ground, stage->rect());
    for (int s = 0; s < 4; ++s) {
        const int y = 4 + s * rowHeight;
        stage->label(kStateNames[s], QRect(0, y, 80, rowHeight));
        for (int i = 0; i < int(elements.size()); ++i) {
            SkinButton* b = button(stage, elements[i], {}, State(s));
            b->move(84 + i * cell + (cell - b->width()) / 2, y + (rowHeight - b->height()) / 2);
        }
    }
    top += stage->height();
}

QImage buttonsSheet() {
    QWidget sheet;
    int top = 0;
    buttonBand(&sheet, top, "BKG_BTM_ED_T",
               {"BTM_OPEN_IMA", "BTM_OPEN_ALB", "BTM_SAVE_ALB", "BTM_ORBT_EMAIL", "BTM_ORBT_HTML",
                "BTM_ORBT_DD", "MAIN_TRASH"},
               58, 50);
    buttonBand(
        &sheet, top, "MAIN_BKG",
        {"BTM_ZOOM_M", "BTM_ZOOM_P", "BTM_A_FIX", "BTM_NO_COR", "BTN_ROTATE_UP", "BTN_ROTATE_DOWN",
         "BTM_MIN_BRI", "BTM_MAX_BRI", "BTM_MIN_CON", "BTM_MAX_CON", "BTM_MIN_SAT", "BTM_MAX_SAT"},
        42, 36);
    buttonBand(&sheet, top, "BKG_IMGPROP", {"BTN_OK", "BTN_CANCEL"}, 96, 38);
    sheet.resize(84 + 42 * 12, top);
    return sheet.grab().toImage();
}

QImage stripButtonsSheet() {
    Stage stage(QSize(8 * 34 + 8, 152));
    stage.tile("BKG_DON_TILE", stage.rect());
    for (int s = 0; s < 4; ++s)
        for (int side = 0; side < 2; ++side) {
            SkinButton* b = button(&stage, side ? "BTM_SLIDE_R" : "BTM_SLIDE_L", {}, State(s));
            b->move(8 + (s * 2 + side) * 34, 4);
            if (side == 0)
                stage.label(kStateNames[s], QRect(8 + s * 68, 124, 60, 24));
        }
    return stage.grab().toImage();
}

QImage slidersSheet() {
    Stage stage(QSize(420, 120));
    stage.tile("MAIN_BKG", stage.rect());
    const char* which[] = {"BRI", "CON", "SAT"};
    const char* states[] = {"normal", "dragged", "disabled"};
    for (int k = 0; k < 3; ++k) {
        const int y = 10 + k * 36;
        stage.label(states[k], QRect(0, y, 80, 26));
        button(&stage, QStringLiteral("BTM_MIN_") + which[k], {86, y}, State::Normal);
        auto* slider = new SkinSlider(&stage);
        slider->setThumbElement(QStringLiteral("CUR_SLID_") + which[k]);
        slider->setTrackElement(QStringLiteral("BKG_SLID_") + which[k]);
        slider->setRange(-128, 128);
        slider->setValue(k == 0 ? -40 : 60);
        slider->setGeometry(120, y + 2, 260, 22);
        slider->setSliderDown(k == 1);
        slider->setEnabled(k != 2);
        button(&stage, QStringLiteral("BTM_MAX_") + which[k], {386, y}, State::Normal);
    }
    return stage.grab().toImage();
}

QImage progressSheet() {
    Stage stage(QSize(300, 64));
    stage.tile("MAIN_BKG", stage.rect());
    for (int k = 0; k < 2; ++k) {
        auto* progress = new SkinProgress(&stage);
        progress->loadSkinColours();
        ProgressLook look = progress->look();
        look.showPercentage = k == 1;
        progress->setLook(look);
        progress->setRange(0, 100);
        progress->setValue(k == 0 ? 70 : 48);
        progress->setGeometry(12, 10 + k * 26, 276, 18);
    }
    return stage.grab().toImage();
}

QImage dialogSheet() {
    SkinDialog dialog(QStringLiteral("BKG_ALBPROP"));
    dialog.setClientSize(QSize(400, 230));
    dialog.addOkButton(QRect(200, 190, 88, 30));
    dialog.addCancelButton(QRect(296, 190, 88, 30));
    return dialog.grab().toImage();
}

// The image properties dialog's ground: its even background, the panel colour and the frame
// along the edges, with the OK and Cancel buttons on it.
QImage propertiesSheet() {
    const int W = 420, H = 300;
    Stage stage(QSize(W, H));
    stage.tile("BKG_IMGPROP", stage.rect());
    SkinBitmap probe;
    const auto sizeOf = [&](const QString& e) {
        (void)probe.load(programSkins(), e);
        return probe.size();
    };
    const QSize tl = sizeOf("PI_HAUT_GAUCHE"), tr = sizeOf("PI_HAUT_DROIT");
    const QSize bl = sizeOf("PI_BAS_GAUCHE"), br = sizeOf("PI_BAS_DROIT");
    stage.fill("PI_COL", QRect(tl.width(), tl.height(), W - tl.width() - br.width(),
                               H - tl.height() - br.height()));
    stage.tile("PI_HAUT_TILE",
               QRect(tl.width(), 0, W - tl.width() - tr.width(), sizeOf("PI_HAUT_TILE").height()));
    stage.tile("PI_BAS_TILE", QRect(bl.width(), H - sizeOf("PI_BAS_TILE").height(),
                                    W - bl.width() - br.width(), sizeOf("PI_BAS_TILE").height()));
    stage.tile("PI_GAUCHE_TILE", QRect(0, tl.height(), tl.width(), H - tl.height() - bl.height()));
    stage.tile("PI_DROIT_TILE",
               QRect(W - sizeOf("PI_DROIT_TILE").width(), tr.height(),
                     sizeOf("PI_DROIT_TILE").width(), H - tr.height() - br.height()));
    stage.place("PI_HAUT_GAUCHE", {0, 0});
    stage.place("PI_HAUT_DROIT", {W - tr.width(), 0});
    stage.place("PI_BAS_GAUCHE", {0, H - bl.height()});
    stage.place("PI_BAS_DROIT", {W - br.width(), H - br.height()});
    button(&stage, "BTN_OK", {W - 208, H - 52}, State::Normal);
    button(&stage, "BTN_CANCEL", {W - 112, H - 52}, State::Normal);
    return stage.grab().toImage();
}

// The main window's ground as the panel lays it, with its controls, at the smallest size.
QImage windowSheet() {
    const int W = 800, H = 580;
    Stage stage(QSize(W, H));
    stage.tile("MAIN_BKG", stage.rect());
    SkinBitmap probe;
    const auto sizeOf = [&](const QString& e) {
        (void)probe.load(programSkins(), e);
        return probe.size();
    };
    stage.place("BKG_D", {W - sizeOf("BKG_D").width(), H - sizeOf("BKG_D").height()});
    const int barH = sizeOf("BKG_BTM_ED_L").height();
    stage.place("BKG_BTM_ED_L", {0, 0});
    stage.tile("BKG_BTM_ED_T",
               QRect(sizeOf("BKG_BTM_ED_L").width(), 0,
                     W - sizeOf("BKG_BTM_ED_L").width() - sizeOf("BKG_BTM_ED_R").width(), barH));
    stage.place("BKG_BTM_ED_R", {W - sizeOf("BKG_BTM_ED_R").width(), 0});
    const int bandH = sizeOf("BKG_DON_TILE").height();
    stage.place("BKG_DON_L", {0, barH});
    stage.tile("BKG_DON_TILE", QRect(sizeOf("BKG_DON_L").width(), barH,
                                     W - 2 * sizeOf("BKG_DON_L").width(), bandH));
    stage.place("BKG_DON_R", {W - sizeOf("BKG_DON_R").width(), barH});
    // A few thumbnails as the strip lays them, the second one selected.
    for (int i = 0; i < 6; ++i) {
        const QPoint item(32 + i * 103, barH + 12);
        const bool selected = i == 1;
        if (selected)
            stage.place("BKG_DON_HIGH", item - QPoint(7, 6));
        stage.fill(selected ? "DONUTS_BKG_SEL" : "DONUTS_BKG", QRect(item, QSize(96, 96)));
        stage.fill(selected ? "DONUTS_BKGTXT_SEL" : "DONUTS_BKGTXT",
                   QRect(item + QPoint(0, 96), QSize(96, 20)));
    }
    const QRect picture(36, barH + bandH + 24, 480, 270);
    const int t = sizeOf("PREVISU_H").height();
    const QRect outer = picture.adjusted(-t, -t, t, t);
    stage.place("PREVISU_HG", outer.topLeft());
    stage.place("PREVISU_HD", {picture.right() + 1, outer.top()});
    stage.place("PREVISU_BG", {outer.left(), picture.bottom() + 1});
    stage.place("PREVISU_BD", {picture.right() + 1, picture.bottom() + 1});
    stage.tile("PREVISU_T_HHG", QRect(picture.left(), outer.top(), picture.width(), t));
    stage.tile("PREVISU_T_BBG", QRect(picture.left(), picture.bottom() + 1, picture.width(), t));
    stage.tile("PREVISU_T_GGH", QRect(outer.left(), picture.top(), t, picture.height()));
    stage.tile("PREVISU_T_DDH", QRect(picture.right() + 1, picture.top(), t, picture.height()));
    const int midX = picture.left() + (picture.width() - 48) / 2;
    const int midY = picture.top() + (picture.height() - 48) / 2;
    stage.place("PREVISU_H", {midX, outer.top()});
    stage.place("PREVISU_B", {midX, picture.bottom() + 1});
    stage.place("PREVISU_G", {outer.left(), midY});
    stage.place("PREVISU_D", {picture.right() + 1, midY});
    stage.place("MAIN_LOGO", {W - sizeOf("MAIN_LOGO").width(), 0});

    int x = (W - 6 * sizeOf("BTM_OPEN_IMA").width() / 5) / 2;
    for (const char* e : {"BTM_OPEN_IMA", "BTM_OPEN_ALB", "BTM_SAVE_ALB", "BTM_ORBT_EMAIL",
                          "BTM_ORBT_HTML", "BTM_ORBT_DD"})
        x += button(&stage, e, {x, 0}, State::Normal)->width();
    button(&stage, "BTM_SLIDE_L", {2, barH + 14}, State::Normal);
    button(&stage, "BTM_SLIDE_R", {W - 24, barH + 14}, State::Normal);
    button(&stage, "MAIN_TRASH", {20, H - 60}, State::Normal);
    button(&stage, "BTM_ZOOM_M", {picture.right() - 96, picture.bottom() + t + 6}, State::Normal);
    button(&stage, "BTM_ZOOM_P", {picture.right() - 64, picture.bottom() + t + 6}, State::Normal);
    const char* which[] = {"BRI", "CON", "SAT"};
    for (int k = 0; k < 3; ++k) {
        const int y = picture.top() + 10 + k * 36;
        button(&stage, QStringLiteral("BTM_MIN_") + which[k], {W - 250, y}, State::Normal);
        auto* slider = new SkinSlider(&stage);
        slider->setThumbElement(QStringLiteral("CUR_SLID_") + which[k]);
        slider->setTrackElement(QStringLiteral("BKG_SLID_") + which[k]);
        slider->setRange(-128, 128);
        slider->setValue(k * 30 - 20);
        slider->setGeometry(W - 218, y + 2, 150, 22);
        button(&stage, QStringLiteral("BTM_MAX_") + which[k], {W - 64, y}, State::Normal);
    }
    const int row = picture.top() + 130;
    button(&stage, "BTM_A_FIX", {W - 250, row}, State::Normal);
    button(&stage, "BTM_NO_COR", {W - 206, row}, State::Normal);
    button(&stage, "BTN_ROTATE_UP", {W - 162, row}, State::Normal);
    return stage.grab().toImage();
}

bool shootSkin(const QString& skinsFolder, const QString& skin, const QString& out) {
    SkinManager skins;
    if (!skins.initialise(skinsFolder, skin, skin) || skins.getCurrentSkin() != skin)
        return false;
    setProgramSkins(&skins);
    const QString prefix = out + QLatin1Char('/') + skin.toLower() + QLatin1Char('-');
    bool ok = buttonsSheet().save(prefix + "buttons.png");
    ok = stripButtonsSheet().save(prefix + "strip-buttons.png") && ok;
    ok = slidersSheet().save(prefix + "sliders.png") && ok;
    ok = progressSheet().save(prefix + "progress.png") && ok;
    ok = dialogSheet().save(prefix + "dialog.png") && ok;
    ok = propertiesSheet().save(prefix + "image-properties.png") && ok;
    ok = windowSheet().save(prefix + "window.png") && ok;
    setProgramSkins(nullptr);
    return ok;
}

}  // namespace
}  // namespace orbpix

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PROGRAM-FOLDER OUTPUT-FOLDER\n", argv[0]);
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString program = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    // The light skin ships as a package: install it into a private skins folder first.
    QTemporaryDir installed;
    const QString lightSkin = installed.path() + "/Skins/Daylight";
    if (orbpix::extractZipArchive(program + "/Skins/Daylight.osz", lightSkin,
                                  [](orbpix::ZipError, const QString& message) {
                                      std::fprintf(stderr, "%s\n", qPrintable(message));
                                  }) <= 0) {
        std::fprintf(stderr, "Daylight.osz could not be unpacked\n");
        return 1;
    }
    const bool ok = orbpix::shootSkin(program + "/Skins", "Default", out) &&
                    orbpix::shootSkin(installed.path() + "/Skins", "Daylight", out);
    return ok ? 0 : 1;
}
