#include "ui/AlbumProperties.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

#include "album/Album.h"
#include "album/AlbumFile.h"
#include "album/AlbumLibrary.h"
#include "album/AlbumPaths.h"
#include "shell/ResourceLibrary.h"
#include "shell/ResourceTemplates.h"
#include "shell/WindowPlacement.h"
#include "skins/SkinButton.h"
#include "skins/SkinManager.h"
#include "ui/ImageProperties.h"

namespace orbpix {

namespace {

constexpr const char* kPlacementName = "AlbumProperties";
// Precision and width beyond this say nothing more and would only make a huge text.
constexpr int kLargestFieldPart = 40;

bool isRealConversion(QChar c) {
    return QStringView(u"fFeEgG").contains(c);
}

}  // namespace

std::uint64_t albumKilobytes(const std::vector<std::uint64_t>& fileSizes) {
    std::uint64_t total = 0;
    for (const std::uint64_t size : fileSizes)
        total += size / 1024;
    return total;
}

std::vector<std::uint64_t> folderFileSizes(const QString& folder) {
    std::vector<std::uint64_t> sizes;
    const QFileInfoList files =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    sizes.reserve(std::size_t(files.size()));
    for (const QFileInfo& file : files)
        sizes.push_back(std::uint64_t(std::max<qint64>(file.size(), 0)));
    return sizes;
}

AlbumSizeFigure albumSizeFigure(std::uint64_t kilobytes) {
    AlbumSizeFigure figure;
    figure.kilobytes = kilobytes;
    figure.megabytes = kilobytes >= kMegabyteThresholdKb;
    figure.megabyteValue = double(kilobytes) / 1024.0;
    return figure;
}

QString albumSizeText(const AlbumSizeFigure& figure, const QString& kilobyteFormat,
                      const QString& megabyteFormat) {
    if (figure.megabytes)
        return formatWithReal(megabyteFormat, figure.megabyteValue);
    return formatWithInteger(kilobyteFormat, int(figure.kilobytes));
}

QString formatWithReal(const QString& format, double value) {
    QString out;
    bool filled = false;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c != u'%' || i + 1 >= format.size()) {
            out += c;
            ++i;
            continue;
        }
        if (format.at(i + 1) == u'%') {
            out += u'%';
            i += 2;
            continue;
        }
        // Flags, width and precision, then the conversion.
        qsizetype j = i + 1;
        QString flags;
        while (j < format.size() && QStringView(u"-+ #0").contains(format.at(j)))
            flags += format.at(j++);
        const auto digits = [&](int& number) {
            number = 0;
            bool any = false;
            while (j < format.size() && format.at(j).isDigit()) {
                number = std::min(number * 10 + format.at(j).digitValue(), 1000);
                any = true;
                ++j;
            }
            return any;
        };
        int width = 0;
        const bool hasWidth = digits(width);
        int precision = -1;
        if (j < format.size() && format.at(j) == u'.') {
            ++j;
            if (!digits(precision))
                precision = 0;
        }
        if (filled || j >= format.size() || !isRealConversion(format.at(j)) ||
            width > kLargestFieldPart || precision > kLargestFieldPart) {
            // Not ours to fill: kept as it stands.
            out += format.mid(i, j - i);
            i = j;
            continue;
        }
        QString conversion = QLatin1Char('%') + flags;
        if (hasWidth)
            conversion += QString::number(width);
        if (precision >= 0)
            conversion += QLatin1Char('.') + QString::number(precision);
        conversion += format.at(j);
        out += QString::asprintf(conversion.toLatin1().constData(), value);
        filled = true;
        i = j + 1;
    }
    if (!filled)
        out += QLatin1Char(' ') + QString::number(value, 'g', 10);
    return out;
}

AlbumPropertiesDialog::AlbumPropertiesDialog(const Album& album, QWidget* parent)
    : SkinDialog(QStringLiteral("BKG_ALBPROP"), parent) {
    setObjectName(QStringLiteral("albumProperties"));
    const QString albumName = QString::fromStdString(album.name());
    setWindowTitle(albumName);
    const auto layout = loadDialogTemplate(kAlbumPropertiesTemplate);
    if (!layout)
        return;

    const QString folder = QString::fromStdString(album.folder());
    const QFileInfo albumFile(QString::fromStdString(joinPath(album.folder(), kAlbumFileName)));
    const QString size =
        albumSizeText(albumSizeFigure(albumKilobytes(folderFileSizes(folder))),
                      resourceLibrary().text(kKilobytesText, QStringLiteral("%d KB")),
                      resourceLibrary().text(kMegabytesText, QStringLiteral("%.2f MB")));
    for (const DialogControl& control : layout->controls) {
        QWidget* widget = nullptr;
        switch (control.id) {
            case kOkId:
                widget = addOkButton(control.rect);
                break;
            case kCancelId:
                widget = addCancelButton(control.rect);
                break;
            case kAlbumNameId:
                widget = m_name = new QLineEdit(albumName, this);
                m_name->setToolTip(control.text);
                // Renaming moves the folder; an album that may not do so shows its name only.
                m_name->setReadOnly(!(album.capabilities() & CanRename));
                break;
            case kAlbumSizeId:
                widget = new QLabel(size, this);
                break;
            case kPictureCountId:
                widget = new QLabel(QString::asprintf("%d", int(album.itemCount())), this);
                break;
            case kAlbumFileDateId:
                // No album file yet (never saved): the date stays empty.
                widget = new QLabel(
                    albumFile.exists() ? formatAlbumDate(albumFile.lastModified()) : QString(),
                    this);
                break;
            default: {
                auto* label = new QLabel(control.text, this);
                if (control.kind == QLatin1String("heading")) {
                    QFont font = label->font();
                    font.setBold(true);
                    font.setPointSizeF(font.pointSizeF() * 1.2);
                    label->setFont(font);
                }
                widget = label;
                break;
            }
        }
        widget->setObjectName(QString::number(control.id));
        widget->setGeometry(control.rect);
        m_controls[control.id] = widget;
    }
    if (!m_name)
        return;
    setClientSize(layout->size);
    WindowPlacement placement = WindowPlacement::of(geometry());
    // The layout has a fixed size: only the stored position is taken.
    if (restorePlacement(QString::fromLatin1(kPlacementName), placement))
        move(placement.left, placement.top);
    followSkinText();
    m_name->setFocus();
    m_name->selectAll();
    m_ready = true;
}

AlbumPropertiesDialog::~AlbumPropertiesDialog() {
    if (m_ready) {
        (void)savePlacement(QString::fromLatin1(kPlacementName), WindowPlacement::of(geometry()));
    }
}

QString AlbumPropertiesDialog::name() const {
    return m_name ? m_name->text() : QString();
}

QString AlbumPropertiesDialog::controlText(int id) const {
    const auto it = m_controls.find(id);
    if (it == m_controls.end())
        return {};
    if (const auto* label = qobject_cast<const QLabel*>(it->second))
        return label->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(it->second))
        return edit->text();
    return {};
}

void AlbumPropertiesDialog::accept() {
    if (name().isEmpty())
        return;
    SkinDialog::accept();
}

bool AlbumPropertiesDialog::event(QEvent* event) {
    const bool handled = SkinDialog::event(event);
    if (event->type() == SkinChangedEvent::kType)
        followSkinText();
    return handled;
}

void AlbumPropertiesDialog::followSkinText() {
    // The skins give no text colour for this dialog; the captions take whichever of light and
    // dark reads on the middle of its picture.
    const QImage& picture = background().picture();
    const QRgb back = picture.isNull() ? qRgb(255, 255, 255)
                                       : picture.pixel(picture.width() / 2, picture.height() / 2);
    colourCaptionsFor(back, m_controls);
}

}  // namespace orbpix
