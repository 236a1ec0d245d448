#include "ui/PictureOpenDialog.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <utility>

#include "core/UncheckedWork.h"
#include "shell/ResourceLibrary.h"
#include "shell/ResourceTemplates.h"

namespace orbpix {

namespace {

const QEvent::Type kPreviewEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class PreviewEvent : public QEvent {
public:
    PreviewEvent(std::uint64_t requestGeneration, QImage picture)
        : QEvent(kPreviewEvent), generation(requestGeneration), image(std::move(picture)) {}
    std::uint64_t generation;
    QImage image;
};

}  // namespace

QString firstChosenName(const QString& nameText) {
    if (!nameText.startsWith(QLatin1Char('"')))
        return nameText;
    const qsizetype close = nameText.indexOf(QLatin1Char('"'), 1);
    return close < 0 ? nameText.mid(1) : nameText.mid(1, close - 1);
}

QString chosenPath(const QString& folder, const QString& name) {
    if (name.isEmpty())
        return {};
    if (QDir::isAbsolutePath(name))
        return QDir::cleanPath(name);
    return folder + QLatin1Char('/') + name;
}

// --- preview pane ---------------------------------------------------------------------------

PreviewPane::PreviewPane(ThumbnailQueue& queue, QWidget* parent)
    : QFrame(parent), m_queue(queue), m_request(*this) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

PreviewPane::~PreviewPane() {
    // The compute thread may be about to post to this pane.
    m_queue.withdraw(m_request);
}

void PreviewPane::showFile(const QString& path) {
    if (path != m_file) {
        m_file = path;
        if (!m_picture.isNull()) {
            m_picture = QImage();
            update();
            emit pictureChanged();
        }
    }
    request();
}

void PreviewPane::clear() {
    m_queue.withdraw(m_request);
    ++m_request.generation;
    m_file.clear();
    if (!m_picture.isNull()) {
        m_picture = QImage();
        emit pictureChanged();
    }
    update();
}

void PreviewPane::request() {
    // The queue reads the request's fields until it is withdrawn.
    m_queue.withdraw(m_request);
    ++m_request.generation;
    m_request.path = m_file;
    // In device pixels, so that the picture is sharp on a dense screen.
    const QSize box = pictureArea().size() * devicePixelRatio();
    if (m_file.isEmpty() || box.isEmpty())
        return;
    m_queue.request(m_request, box.width(), box.height());
}

bool PreviewPane::Request::deliver(QImage image, int, int) {
    // Runs on the compute thread: posting never waits for the interface thread. Qt's queue
    // lock is invisible to ThreadSanitizer.
    [[maybe_unused]] const UncheckedWork insideQt;
    QCoreApplication::postEvent(m_owner, new PreviewEvent(generation, std::move(image)));
    return true;
}

bool PreviewPane::event(QEvent* event) {
    if (event->type() == kPreviewEvent) {
        auto* delivered = static_cast<PreviewEvent*>(event);
        // A picture of a file asked for earlier arrives late: it is not the one wanted now.
        if (delivered->generation == m_request.generation) {
            m_picture = std::move(delivered->image);
            m_picture.setDevicePixelRatio(devicePixelRatio());
            update();
            emit pictureChanged();
        }
        return true;
    }
    return QFrame::event(event);
}

void PreviewPane::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (m_picture.isNull())
        return;
    const QRect area = pictureArea();
    QSizeF size = m_picture.deviceIndependentSize();
    // A picture fitted for a larger pane shrinks until the new one arrives.
    if (size.width() > area.width() || size.height() > area.height())
        size.scale(area.size(), Qt::KeepAspectRatio);
    const QRectF target(area.x() + (area.width() - size.width()) / 2,
                        area.y() + (area.height() - size.height()) / 2, size.width(),
                        size.height());
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_picture);
}

QRect PreviewPane::pictureArea() const {
    // The picture keeps clear of the frame.
    constexpr int kInset = 6;
    return contentsRect().adjusted(kInset, kInset, -kInset, -kInset);
}

void PreviewPane::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    // Refitted to the new size; the present picture stays until then.
    if (!m_file.isEmpty())
        request();
}

// --- dialog ---------------------------------------------------------------------------------

PictureOpenDialog::PictureOpenDialog(const QString& filter, QWidget* parent, ThumbnailQueue& queue)
    : QFileDialog(parent) {
    setObjectName(QStringLiteral("pictureOpen"));
    // The extension goes into the dialog's own layout, which only Qt's dialog has.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFiles);
    setWindowTitle(
        resourceLibrary().text(kPictureOpenTitle, QStringLiteral("Add pictures to the album")));
    setNameFilter(filter);
    m_nameField = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    buildExtension(queue);
    if (!m_pane)
        return;

    // The name field changes after the current file does when several are chosen, and
    // several times for one click: the preview follows once all is settled.
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(0);
    connect(m_settle, &QTimer::timeout, this, &PictureOpenDialog::selectionChanged);
    const auto later = [this] { m_settle->start(); };
    connect(this, &QFileDialog::currentChanged, this, later);
    if (m_nameField)
        connect(m_nameField, &QLineEdit::textChanged, this, later);
    // A name still in the field belongs to the folder left.
    connect(this, &QFileDialog::directoryEntered, this, [this] {
        m_settle->stop();
        m_pane->clear();
    });
    connect(m_previewBox, &QCheckBox::toggled, this, &PictureOpenDialog::setPreviewOn);
    connect(m_selectAll, &QPushButton::clicked, this, &PictureOpenDialog::selectAllFiles);
}

PictureOpenDialog::~PictureOpenDialog() {
    // The name field outlives this part of the dialog; its last changes are nobody's.
    if (m_nameField)
        disconnect(m_nameField, nullptr, this, nullptr);
}

void PictureOpenDialog::buildExtension(ThumbnailQueue& queue) {
    auto* grid = qobject_cast<QGridLayout*>(layout());
    const std::optional<DialogTemplate> extensionLayout =
        loadExtensionTemplate(kPictureOpenTemplate);
    if (!grid || !extensionLayout)
        return;
    auto* extension = new QWidget(this);
    extension->setObjectName(QStringLiteral("pictureOpenExtension"));
    extension->setMinimumWidth(extensionLayout->size.width());
    auto* column = new QVBoxLayout(extension);
    column->setContentsMargins(0, 0, 0, 0);
    for (const DialogControl& control : extensionLayout->controls) {
        QWidget* widget = nullptr;
        int stretch = 0;
        if (control.id == kPreviewCheckId && !m_previewBox) {
            m_previewBox = new QCheckBox(control.text, extension);
            m_previewBox->setChecked(m_previewOn);
            widget = m_previewBox;
        } else if (control.id == kPreviewPaneId && !m_pane) {
            m_pane = new PreviewPane(queue, extension);
            m_pane->setToolTip(control.text);
            widget = m_pane;
            stretch = 1;
        } else if (control.id == kSelectAllId && !m_selectAll) {
            m_selectAll = new QPushButton(control.text, extension);
            m_selectAll->setAutoDefault(false);
            widget = m_selectAll;
        } else {
            continue;
        }
        widget->setObjectName(QString::number(control.id));
        widget->setMinimumSize(control.rect.size());
        column->addWidget(widget, stretch);
    }
    if (!m_previewBox || !m_pane || !m_selectAll) {
        // A layout without all three would leave the others without a way to use them.
        delete extension;
        m_previewBox = nullptr;
        m_pane = nullptr;
        m_selectAll = nullptr;
        return;
    }
    // At the right of the file list, as tall as it.
    grid->addWidget(extension, 1, grid->columnCount(), 1, 1);
    // The dialog's own first size would leave the list a narrow strip beside the extension.
    QSize first(1000, 520);
    if (const QScreen* shownOn = screen())
        first = first.boundedTo(shownOn->availableSize() * 9 / 10);
    resize(first.expandedTo(minimumSizeHint()));
    // The details view's size, type and date columns show whole, the name takes the rest.
    if (auto* details = findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
}

void PictureOpenDialog::selectionChanged() {
    if (!m_previewOn || !m_pane)
        return;
    const QString path = currentFile();
    if (!path.isEmpty())
        m_pane->showFile(path);
}

void PictureOpenDialog::setPreviewOn(bool on) {
    if (on == m_previewOn)
        return;
    m_previewOn = on;
    if (m_previewBox && m_previewBox->isChecked() != on)
        m_previewBox->setChecked(on);
    if (!m_pane)
        return;
    if (on)
        selectionChanged();
    else
        m_pane->clear();
}

QString PictureOpenDialog::currentFile() const {
    if (!m_nameField)
        return {};
    return chosenPath(directory().absolutePath(), firstChosenName(m_nameField->text()));
}

QAbstractItemView* PictureOpenDialog::fileView() const {
    if (viewMode() == QFileDialog::Detail)
        return findChild<QTreeView*>(QStringLiteral("treeView"));
    return findChild<QListView*>(QStringLiteral("listView"));
}

void PictureOpenDialog::selectAllFiles() {
    QAbstractItemView* view = fileView();
    if (!view || !view->model() || !view->selectionModel())
        return;
    QAbstractItemModel* model = view->model();
    const auto* files = qobject_cast<QFileSystemModel*>(model);
    const QModelIndex folder = view->rootIndex();
    QItemSelection all;
    for (int row = 0; row < model->rowCount(folder); ++row) {
        const QModelIndex index = model->index(row, 0, folder);
        if ((files && files->isDir(index)) || !(model->flags(index) & Qt::ItemIsEnabled))
            continue;
        all.select(index, index);
    }
    // The dialog fills its name field from the selection it is told about.
    view->selectionModel()->select(all,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->setFocus(Qt::OtherFocusReason);
}

}  // namespace orbpix
