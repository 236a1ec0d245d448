#include "ui/ImageProperties.h"

#include <QDateTime>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "album/Album.h"
#include "album/AlbumFile.h"
#include "album/AlbumItem.h"
#include "album/AlbumPaths.h"
#include "album/EditHistory.h"
#include "album/EditSteps.h"
#include "imaging/LensCircle.h"
#include "imaging/io/ImageFiles.h"
#include "imaging/io/ItemCircles.h"
#include "shell/WindowPlacement.h"
#include "skins/SkinAccess.h"
#include "skins/SkinButton.h"
#include "skins/SkinManager.h"
#include "ui/CircleEditor.h"

namespace orbpix {

namespace {

constexpr const char* kPlacementName = "ImageProperties";
// Big enough to stay sharp on a large screen, small enough to load quickly.
constexpr int kScreenPictureSide = 1600;

EditorCircles editorCircles(const RingCircles& circles) {
    return EditorCircles{int(circles.outer.cx), int(circles.outer.cy), int(circles.inner.radius),
                         int(circles.outer.radius)};
}

}  // namespace

PropertyMap imagePropertyChanges(const std::string& oldName,
                                 const std::optional<std::string>& oldCircles,
                                 const std::string& newName, const std::string& newCircles) {
    PropertyMap values;
    if (newName != oldName)
        values.set(kPropertyName, newName);
    if (newCircles != oldCircles.value_or(std::string())) {
        values.set(kPropertyCircles, newCircles);
        values.set(kPropertyFlatPath, "");
    }
    return values;
}

std::map<int, QRect> imagePropertiesLayout(const DialogTemplate& layout, QSize client) {
    const int dw = client.width() - layout.size.width();
    const int dh = client.height() - layout.size.height();
    std::map<int, QRect> places;
    for (const DialogControl& control : layout.controls) {
        QRect r = control.rect;
        switch (control.id) {
            case kPictureDisplayId:
                r.setSize(QSize(std::max(r.width() + dw, 1), std::max(r.height() + dh, 1)));
                break;
            case SkinDialog::kOkId:
            case SkinDialog::kCancelId:
                r.translate(dw, dh);
                break;
            case kPictureNameId:
                r.translate(0, dh);
                r.setWidth(std::max(r.width() + dw, 1));
                break;
            default:
                r.translate(0, dh);
                break;
        }
        places[control.id] = r;
    }
    return places;
}

QString formatAlbumDate(const QDateTime& time) {
    const QLocale locale;
    return locale.toString(time.date(), QLocale::LongFormat) + QLatin1Char(' ') +
           locale.toString(time.time(), QLocale::ShortFormat);
}

QSize imagePropertiesMinimum(bool controlHeld) {
    return controlHeld ? QSize(0, 0) : QSize(320, 240);
}

ImagePropertiesDialog::ImagePropertiesDialog(ImagePropertiesInput input, QWidget* parent)
    : SkinDialog(QStringLiteral("BKG_IMGPROP"), parent), m_input(std::move(input)) {
    setObjectName(QStringLiteral("imageProperties"));
    setWindowTitle(m_input.name);
    const auto layout = loadDialogTemplate(kImagePropertiesTemplate);
    const auto info = readImageFileInfo(m_input.picturePath);
    m_picture = loadScreenImage(m_input.picturePath, kScreenPictureSide, kScreenPictureSide);
    if (!layout || !info || m_picture.isNull() || info->width <= 0 || info->height <= 0)
        return;
    m_layout = *layout;
    m_fullSize = QSize(info->width, info->height);

    for (const DialogControl& control : m_layout.controls) {
        QWidget* widget = nullptr;
        switch (control.id) {
            case kOkId:
                widget = addOkButton(control.rect);
                break;
            case kCancelId:
                widget = addCancelButton(control.rect);
                break;
            case kPictureDisplayId:
                widget = m_editor = new CircleEditor(this);
                m_editor->setToolTip(control.text);
                connect(m_editor, &CircleEditor::circlesChanged, this, [this] { update(); });
                break;
            case kPictureNameId:
                widget = m_name = new QLineEdit(m_input.name, this);
                m_name->setToolTip(control.text);
                break;
            case kDetectButtonId:
                widget = m_detect = new QPushButton(control.text, this);
                connect(m_detect, &QPushButton::clicked, this, &ImagePropertiesDialog::detect);
                break;
            case kAlbumDateId:
                widget = new QLabel(m_input.albumFileDate, this);
                break;
            default:
                widget = new QLabel(control.text, this);
                break;
        }
        if (control.id != kPictureDisplayId)
            widget->setObjectName(QString::number(control.id));
        m_controls[control.id] = widget;
    }
    if (!m_editor || !m_name)
        return;

    const auto stored = m_input.circles ? parseCirclesText(*m_input.circles) : std::nullopt;
    if (stored)
        m_editor->setCircles(editorCircles(*stored));
    else
        detect();

    resize(m_layout.size);
    setMinimumSize(imagePropertiesMinimum(false));
    WindowPlacement placement{x(), y(), x() + width(), y() + height(), 0};
    if (restorePlacement(QString::fromLatin1(kPlacementName), placement)) {
        const QSize minimum = imagePropertiesMinimum(false);
        setGeometry(placement.left, placement.top,
                    std::max(placement.right - placement.left, minimum.width()),
                    std::max(placement.bottom - placement.top, minimum.height()));
    }
    placeControls();
    followSkinText();
    m_ready = true;
}

ImagePropertiesDialog::~ImagePropertiesDialog() {
    if (m_ready) {
        (void)savePlacement(QString::fromLatin1(kPlacementName), WindowPlacement::of(geometry()));
    }
}

QString ImagePropertiesDialog::name() const {
    return m_name ? m_name->text() : QString();
}

EditorCircles ImagePropertiesDialog::circles() const {
    return m_editor ? m_editor->circles() : EditorCircles{};
}

std::string ImagePropertiesDialog::circlesText() const {
    const EditorCircles c = circles();
    RingCircles ring;
    ring.inner = LensCircle{float(c.cx), float(c.cy), float(c.inner)};
    ring.outer = LensCircle{float(c.cx), float(c.cy), float(c.outer)};
    return formatCirclesText(ring);
}

PropertyMap ImagePropertiesDialog::changes() const {
    return imagePropertyChanges(m_input.name.toStdString(), m_input.circles, name().toStdString(),
                                circlesText());
}

void ImagePropertiesDialog::detect() {
    if (!m_editor)
        return;
    if (const auto found = detectItemCircles(m_input.picturePath)) {
        // Without a ring the defaults stand in, so the user has circles to drag. The text is
        // what the album would store, rounded as it rounds.
        const auto stored = parseCirclesText(found->text);
        m_editor->setCircles(editorCircles(stored ? *stored : found->circles));
    }
    update();
}

void ImagePropertiesDialog::accept() {
    if (name().isEmpty())
        return;
    SkinDialog::accept();
}

void ImagePropertiesDialog::followSkinText() {
    // The skins give no text colour for dialogs; the captions take whichever of light and dark
    // reads on the dialog's colour.
    const QRgb back = skinColor(QStringLiteral("PI_COL"), qRgb(255, 255, 255));
    colourCaptionsFor(back, m_controls);
}

bool ImagePropertiesDialog::event(QEvent* event) {
    if (event->type() == SkinChangedEvent::kType)
        followSkinText();
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Control)
        setMinimumSize(imagePropertiesMinimum(event->type() == QEvent::KeyPress));
    return SkinDialog::event(event);
}

void ImagePropertiesDialog::resizeEvent(QResizeEvent* event) {
    SkinDialog::resizeEvent(event);
    placeControls();
}

void ImagePropertiesDialog::placeControls() {
    if (m_layout.controls.empty())
        return;
    for (const auto& [id, rect] : imagePropertiesLayout(m_layout, size())) {
        const auto it = m_controls.find(id);
        if (it != m_controls.end())
            it->second->setGeometry(rect);
    }
    if (m_editor)
        m_editor->setPicture(m_fullSize, fitPicture(m_fullSize.width(), m_fullSize.height(),
                                                    m_editor->width(), m_editor->height()));
    update();
}

void ImagePropertiesDialog::paintEvent(QPaintEvent* event) {
    SkinDialog::paintEvent(event);
    QPainter painter(this);
    paintFrame(painter);
    if (!m_editor)
        return;
    const QRect box = m_editor->geometry();
    painter.fillRect(box, QColor(skinColor(QStringLiteral("PI_COL"), qRgb(0, 0, 0))));
    const DisplayFit& fit = m_editor->rules().fit();
    const QRectF target(box.x() + fit.offsetX, box.y() + fit.offsetY,
                        m_fullSize.width() * fit.scale, m_fullSize.height() * fit.scale);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_picture);
}

void ImagePropertiesDialog::paintFrame(QPainter& painter) const {
    const QImage topLeft = loadElementBitmap(QStringLiteral("PI_HAUT_GAUCHE"));
    const QImage topRight = loadElementBitmap(QStringLiteral("PI_HAUT_DROIT"));
    const QImage bottomLeft = loadElementBitmap(QStringLiteral("PI_BAS_GAUCHE"));
    const QImage bottomRight = loadElementBitmap(QStringLiteral("PI_BAS_DROIT"));
    if (topLeft.isNull() || topRight.isNull() || bottomLeft.isNull() || bottomRight.isNull())
        return;
    const int w = width();
    const int h = height();
    const auto tile = [&](const char* element, const QRect& area) {
        const QImage picture = loadElementBitmap(QString::fromLatin1(element));
        if (!picture.isNull() && area.isValid())
            painter.drawTiledPixmap(area, QPixmap::fromImage(picture));
    };
    if (topLeft.width() < w - topRight.width()) {
        const QImage edge = loadElementBitmap(QStringLiteral("PI_HAUT_TILE"));
        tile("PI_HAUT_TILE", QRect(QPoint(topLeft.width(), 0),
                                   QPoint(w - topRight.width() - 1, edge.height() - 1)));
    }
    if (bottomLeft.width() < w - bottomRight.width()) {
        const QImage edge = loadElementBitmap(QStringLiteral("PI_BAS_TILE"));
        tile("PI_BAS_TILE", QRect(QPoint(bottomLeft.width(), h - edge.height()),
                                  QPoint(w - bottomRight.width() - 1, h - 1)));
    }
    if (topLeft.height() < h - bottomLeft.height()) {
        tile("PI_GAUCHE_TILE", QRect(QPoint(0, topLeft.height()),
                                     QPoint(topLeft.width() - 1, h - bottomLeft.height() - 1)));
    }
    if (topRight.height() < h - bottomRight.height()) {
        const QImage edge = loadElementBitmap(QStringLiteral("PI_DROIT_TILE"));
        tile("PI_DROIT_TILE", QRect(QPoint(w - edge.width(), topRight.height()),
                                    QPoint(w - 1, h - bottomRight.height() - 1)));
    }
    painter.drawImage(0, 0, topLeft);
    painter.drawImage(w - topRight.width(), 0, topRight);
    painter.drawImage(0, h - bottomLeft.height(), bottomLeft);
    painter.drawImage(w - bottomRight.width(), h - bottomRight.height(), bottomRight);
}

bool editImageProperties(Album& album, std::size_t index, EditHistory* history,
                         const EditLabels& labels, QWidget* parent, EditObserver* observer) {
    ImagePropertiesInput input;
    input.picturePath = QString::fromStdString(album.itemPath(index).value_or(std::string()));
    input.name = QString::fromStdString(album.itemName(index).value_or(std::string()));
    input.circles = album.property(index, kPropertyCircles);
    const QFileInfo albumFile(QString::fromStdString(joinPath(album.folder(), kAlbumFileName)));
    if (albumFile.exists())
        input.albumFileDate = formatAlbumDate(albumFile.lastModified());
    ImagePropertiesDialog dialog(std::move(input), parent);
    if (!dialog.isReady() || dialog.exec() != QDialog::Accepted)
        return false;
    PropertyMap values = dialog.changes();
    // A record that changes nothing would only leave an empty step to undo.
    if (values.empty())
        return true;
    if (history)
        return history->perform(
            std::make_unique<ModifyImageStep>(album, index, std::move(values), observer, labels));
    bool written = true;
    for (std::size_t i = 0; i < values.count(); ++i) {
        if (values.valueAt(i).empty())
            (void)album.removeProperty(index, values.nameAt(i));  // absent is as good
        else
            written = album.setProperty(index, values.nameAt(i), values.valueAt(i)) && written;
    }
    return written;
}

}  // namespace orbpix
