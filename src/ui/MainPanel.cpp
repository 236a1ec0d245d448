#include "ui/MainPanel.h"

#include "ui/ImageProperties.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QTimerEvent>
#include <algorithm>
#include <mutex>

#include "album/AlbumLibrary.h"
#include "album/EditHistory.h"
#include "album/FilePatternList.h"
#include "album/FolderAlbum.h"
#include "album/TransferMime.h"
#include "core/UncheckedWork.h"
#include "export/ExportManager.h"
#include "imaging/CircleDetector.h"
#include "imaging/Fitting.h"
#include "imaging/Unwrap.h"
#include "imaging/io/FormatPatterns.h"
#include "imaging/io/ImageFiles.h"
#include "imaging/io/ItemCircles.h"
#include "shell/ResourceLibrary.h"
#include "shell/Settings.h"
#include "skins/ParentBackground.h"
#include "skins/SkinAccess.h"
#include "skins/SkinButton.h"
#include "skins/SkinCatalogue.h"
#include "skins/SkinManager.h"
#include "skins/SkinProgress.h"
#include "skins/SkinSlider.h"
#include "ui/AlbumProperties.h"
#include "ui/AlbumStrip.h"
#include "ui/PanoramaView.h"
#include "ui/PictureOpenDialog.h"
#include "ui/ScanUi.h"
#include "ui/WidgetExportUi.h"

namespace orbpix {

namespace {

constexpr int kRefreshMs = 10000;
constexpr int kSliderLine = 5;
constexpr int kIdleUpdateMs = 200;
// Item data of the album list's two special entries; album entries hold their folder.
constexpr int kSeparatorData = -3;
constexpr int kNewAlbumData = -2;
constexpr int kSpecialRole = Qt::UserRole + 1;

// What a posted unwrap event carries: the preview it belongs to. The result itself waits
// in the panel's hand-over slot.
class UnwrapPosted : public QEvent {
public:
    UnwrapPosted(int type, int generation)
        : QEvent(static_cast<QEvent::Type>(type)), m_generation(generation) {}
    int generation() const { return m_generation; }

private:
    int m_generation;
};

bool isUnwrapEvent(QEvent::Type type) {
    const int t = int(type);
    return t == kUnwrapProgressEvent || t == kUnwrapDoneEvent || t == kUnwrapStoppedEvent ||
           t == kUnwrapImpossibleEvent;
}

struct ButtonKind {
    int id;
    const char* element;
    Anchor anchor;
    bool repeating;
};

// The panel's buttons, their pictures and how they follow the window.
constexpr ButtonKind kButtons[] = {
    {panel::kAddPictures, "BTM_OPEN_IMA", Anchor::TopBar, false},
    {panel::kOpenAlbum, "BTM_OPEN_ALB", Anchor::TopBar, false},
    {panel::kSaveAlbum, "BTM_SAVE_ALB", Anchor::TopBar, false},
    {panel::kPublishEmail, "BTM_ORBT_EMAIL", Anchor::TopBar, false},
    {panel::kPublishHtml, "BTM_ORBT_HTML", Anchor::TopBar, false},
    {panel::kPublishTour, "BTM_ORBT_DD", Anchor::TopBar, false},
    {panel::kTrash, "MAIN_TRASH", Anchor::Bottom, false},
    {panel::kZoomOut, "BTM_ZOOM_M", Anchor::ZoomOut, true},
    {panel::kZoomIn, "BTM_ZOOM_P", Anchor::ZoomIn, true},
    {panel::kAutoCorrection, "BTM_A_FIX", Anchor::BottomRight, false},
    {panel::kNoCorrection, "BTM_NO_COR", Anchor::BottomRight, false},
    {panel::kLens, "BTN_ROTATE_UP", Anchor::BottomRight, false},
    {panel::kLowerBrightness, "BTM_MIN_BRI", Anchor::BottomRight, true},
    {panel::kRaiseBrightness, "BTM_MAX_BRI", Anchor::BottomRight, true},
    {panel::kLowerContrast, "BTM_MIN_CON", Anchor::BottomRight, true},
    {panel::kRaiseContrast, "BTM_MAX_CON", Anchor::BottomRight, true},
    {panel::kLowerSaturation, "BTM_MIN_SAT", Anchor::BottomRight, true},
    {panel::kRaiseSaturation, "BTM_MAX_SAT", Anchor::BottomRight, true},
};

struct SliderKind {
    int id;
    const char* thumb;
    const char* track;
    int limit;
};

constexpr SliderKind kSliders[] = {
    {panel::kBrightness, "CUR_SLID_BRI", "BKG_SLID_BRI", kBrightnessLimit},
    {panel::kContrast, "CUR_SLID_CON", "BKG_SLID_CON", kContrastLimit},
    {panel::kSaturation, "CUR_SLID_SAT", "BKG_SLID_SAT", kSaturationLimit},
};

// The menu command a button stands for.
int commandOfButton(int id) {
    switch (id) {
        case panel::kAddPictures:
            return command::kAddPictures;
        case panel::kOpenAlbum:
            return command::kOpenAlbum;
        case panel::kSaveAlbum:
            return command::kSaveAlbum;
        case panel::kPublishEmail:
            return command::kPublishEmail;
        case panel::kPublishHtml:
            return command::kPublishHtml;
        case panel::kPublishTour:
            return command::kPublishTour;
        default:
            return id;
    }
}

QRgb catalogueDefault(const char* element) {
    return catalogueColour(QString::fromLatin1(element)).value_or(qRgb(0, 0, 0));
}

QColor stripColour(const char* element) {
    return QColor::fromRgb(skinColor(QString::fromLatin1(element), catalogueDefault(element)));
}

// The album list: opening it, by mouse or by key, reads the library's names again first.
class AlbumListBox final : public QComboBox {
public:
    AlbumListBox(QWidget* parent, std::function<void()> beforeOpening)
        : QComboBox(parent), m_beforeOpening(std::move(beforeOpening)) {}
    void showPopup() override {
        m_beforeOpening();
        QComboBox::showPopup();
    }

private:
    std::function<void()> m_beforeOpening;
};

// The export's dialogs, with its progress shown on the panel's own bar as well.
class ProgressMirror final : public ExportUi {
public:
    ProgressMirror(ExportUi& inner, SkinProgress& bar) : m_inner(&inner), m_bar(&bar) {}

    std::optional<QString> askTourDestination(const QString& proposedName,
                                              const QString& fileTypeText) override {
        return m_inner->askTourDestination(proposedName, fileTypeText);
    }
    std::optional<QString> askPageFolder(const QString& title) override {
        return m_inner->askPageFolder(title);
    }
    bool openPage(const QString& path) override { return m_inner->openPage(path); }
    void showProgress(int maximum) override {
        if (m_bar) {
            m_bar->setRange(0, std::max(1, maximum));
            m_bar->setValue(0);
            m_bar->show();
        }
        m_inner->showProgress(maximum);
    }
    void progressPicture(const QString& name) override { m_inner->progressPicture(name); }
    void progressPosition(int position) override {
        if (m_bar)
            m_bar->setValue(position);
        m_inner->progressPosition(position);
    }
    bool progressCancelled() override { return m_inner->progressCancelled(); }
    void hideProgress() override {
        if (m_bar) {
            m_bar->setValue(0);
            m_bar->hide();
        }
        m_inner->hideProgress();
    }
    void processEvents() override { m_inner->processEvents(); }
    void message(const QString& text, Icon icon) override { m_inner->message(text, icon); }
    bool askOkCancel(const QString& text) override { return m_inner->askOkCancel(text); }
    std::optional<RingCircles> editCircles(const ExportPicture& picture) override {
        return m_inner->editCircles(picture);
    }

private:
    ExportUi* m_inner;
    QPointer<SkinProgress> m_bar;
};

}  // namespace

QString qtFileFilter(const QString& pairs) {
    // "description|patterns|description|patterns||": each description may already name its
    // patterns in brackets, which the file dialog would show twice.
    const QStringList parts = pairs.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (description.isEmpty() || patterns.isEmpty())
            continue;
        if (description.endsWith(u')')) {
            const qsizetype open = description.lastIndexOf(u'(');
            if (open > 0)
                description = description.left(open).trimmed();
        }
        filters << description + QStringLiteral(" (") + QString(patterns).replace(u';', u' ') +
                       u')';
    }
    return filters.join(QStringLiteral(";;"));
}

MainPanel::MainPanel(QWidget* parent, PanelContext context)
    : QWidget(parent),
      m_context(std::move(context)),
      m_history(editHistory()),
      m_library(albumLibrary()),
      m_anchoring(QSize(), QRect()) {
    setObjectName(QStringLiteral("MainPanel"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    QString error;
    auto layout = loadDialogTemplate(panel::kDialogTemplate, &error);
    if (!layout) {
        // The layout comes with the resource library; without it every control still
        // exists, at the default places below.
        layout = DialogTemplate{panel::kDialogTemplate, QSize(800, 550), {}};
    }
    m_layoutSize = layout->size;
    resize(m_layoutSize);
    createControls(*layout);
    (void)registerSkinWindow(this);
    loadSkin();
    m_initialised = true;
    m_refreshTimer = startTimer(kRefreshMs);
    m_idleUpdate.setInterval(kIdleUpdateMs);
    connect(&m_idleUpdate, &QTimer::timeout, this, &MainPanel::updateControls);
    m_idleUpdate.start();
}

MainPanel::~MainPanel() {
    // Whatever the strip says while it lets go of the album is of no interest any more, and
    // the window around may already be half gone.
    m_idleUpdate.stop();
    disconnect(m_strip, nullptr, this, nullptr);
    blockSignals(true);
    if (m_refreshTimer)
        killTimer(m_refreshTimer);
    stopPreview();
    (void)unregisterSkinWindow(this);
    if (m_context.settings && m_album)
        m_context.settings->lastAlbum = QString::fromStdString(m_album->name());
    // Leaving the program keeps what the user did: a change that would need the save
    // button first would be lost without a word.
    leaveAlbum();
    m_history.forgetAlbum(nullptr);
    if (m_strip)
        m_strip->setAlbum(nullptr);
    m_album = nullptr;
    m_albums.clear();
}

QString MainPanel::text(int id, const QString& fallback) const {
    return resourceLibrary().text(id, fallback);
}

void MainPanel::message(const QString& text, bool warning) {
    if (m_context.message) {
        m_context.message(text, warning);
        return;
    }
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Information,
                    resourceLibrary().text(57344, QStringLiteral("OrbPix Studio")), text,
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("panelMessage"));
    box.exec();
}

EditLabels MainPanel::labels() const {
    return EditLabels::fromTexts([](int id, const std::string& fallback) {
        return resourceLibrary().text(id, QString::fromStdString(fallback)).toStdString();
    });
}

QWidget* MainPanel::control(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

// ---- controls and layout -------------------------------------------------------------------

void MainPanel::createControls(const DialogTemplate& layout) {
    const auto rectOf = [&layout](int id, QRect fallback) {
        const DialogControl* c = layout.control(id);
        return c ? c->rect : fallback;
    };
    const auto tipOf = [&layout](int id) {
        const DialogControl* c = layout.control(id);
        return c ? c->text : QString();
    };
    const auto name = [](QWidget* w, int id) {
        w->setObjectName(QString::number(id));
        w->setAccessibleName(w->toolTip());
    };

    const QRect viewArea = rectOf(panel::kPictureView, QRect(72, 214, 500, 284));
    m_anchoring = PanelAnchoring(m_layoutSize, viewArea);

    m_albumList = new AlbumListBox(this, [this] { refreshAlbumList(); });
    m_albumList->setToolTip(tipOf(panel::kAlbumList));
    name(m_albumList, panel::kAlbumList);
    m_anchoring.place(panel::kAlbumList, rectOf(panel::kAlbumList, QRect(12, 12, 196, 24)),
                      Anchor::Fixed);
    connect(m_albumList, &QComboBox::activated, this, &MainPanel::listActivated);
    m_controls[panel::kAlbumList] = m_albumList;

    for (const ButtonKind& kind : kButtons) {
        auto* button = new SkinButton(this, kind.id);
        button->setToolTip(tipOf(kind.id));
        name(button, kind.id);
        button->setRepeating(kind.repeating);
        m_anchoring.place(kind.id, rectOf(kind.id, QRect(0, 0, 32, 28)), kind.anchor);
        m_controls[kind.id] = button;
        const int id = kind.id;
        if (kind.repeating) {
            connect(button, &SkinButton::buttonRepeat, this, [this](int which) {
                if (which == panel::kZoomIn || which == panel::kZoomOut)
                    zoom(which == panel::kZoomIn ? 1 : -1);
                else
                    stepButton(which);
            });
            connect(button, &SkinButton::buttonRelease, this, [this](int which) {
                if (which != panel::kZoomIn && which != panel::kZoomOut)
                    scheduleCommit();
            });
        }
        connect(button, &QAbstractButton::clicked, this,
                [this, id] { (void)runCommand(commandOfButton(id)); });
    }
    m_lens = static_cast<SkinButton*>(control(panel::kLens));
    m_lens->setCheckable(true);
    m_lens->setChecked(true);
    control(panel::kTrash)->setAcceptDrops(true);
    control(panel::kTrash)->installEventFilter(this);

    for (const SliderKind& kind : kSliders) {
        auto* slider = new SkinSlider(this);
        slider->setToolTip(tipOf(kind.id));
        name(slider, kind.id);
        slider->setRange(-kind.limit, kind.limit);
        slider->setSingleStep(kSliderLine);
        slider->setPageStep(kSliderLine * 4);
        slider->setValue(0);
        m_anchoring.place(kind.id, rectOf(kind.id, QRect(0, 0, 128, 22)), Anchor::BottomRight);
        m_controls[kind.id] = slider;
        const int id = kind.id;
        connect(slider, &QAbstractSlider::valueChanged, this, [this, id, slider](int value) {
            sliderMoved(id, value);
            // Keys, the wheel and clicks beside the thumb end at once; a drag on release.
            if (!slider->isSliderDown())
                scheduleCommit();
        });
        connect(slider, &QAbstractSlider::sliderReleased, this, &MainPanel::scheduleCommit);
    }
    m_brightness = static_cast<SkinSlider*>(control(panel::kBrightness));
    m_contrast = static_cast<SkinSlider*>(control(panel::kContrast));
    m_saturation = static_cast<SkinSlider*>(control(panel::kSaturation));

    m_progress = new SkinProgress(this);
    name(m_progress, panel::kProgress);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setStep(1);
    m_progress->hide();
    m_anchoring.place(panel::kProgress, rectOf(panel::kProgress, QRect(596, 504, 192, 14)),
                      Anchor::BottomRight);
    m_controls[panel::kProgress] = m_progress;

    m_view = new PanoramaView(this);
    m_view->setToolTip(tipOf(panel::kPictureView));
    name(m_view, panel::kPictureView);
    m_view->setAcceptDrops(true);
    m_view->installEventFilter(this);
    m_anchoring.place(panel::kPictureView, viewArea, Anchor::Picture);
    m_controls[panel::kPictureView] = m_view;

    QStringList patterns;
    for (const std::string& p : filePatternList().patterns())
        patterns << QString::fromStdString(p);
    m_strip = new AlbumStrip(this, m_history, labels(), patterns);
    m_strip->setObjectName(QString::number(panel::kStrip));
    m_strip->setFont(font());
    m_strip->setStepObserver(this);
    // The strip is never lower than one row of cells with its scroll bar, whatever the
    // desktop's scroll bars measure: the captions would hide under it.
    QRect stripRect = rectOf(panel::kStripPlaceholder, panel::kDefaultStripRect);
    stripRect.setHeight(std::max(stripRect.height(), m_strip->sizeHint().height()));
    m_anchoring.place(panel::kStrip, stripRect, Anchor::StripWidth);
    m_controls[panel::kStrip] = m_strip;
    connect(m_strip, &AlbumStrip::showItemRequested, this, &MainPanel::showItem);
    // Cut, copy and delete follow the selection at once, not at the next idle update.
    connect(m_strip, &OWSelector::selectionChanged, this, &MainPanel::updateControls);
    connect(m_strip, &AlbumStrip::albumWasFilled, this, [this] {
        if (m_album && m_album->itemCount() > 0) {
            m_strip->selectOnly(0);
            showItem(0);
        }
    });

    applyAnchoring();
}

void MainPanel::loadSkin() {
    const SkinManager& skins = programSkins();
    m_skin.load(skins);
    for (const ButtonKind& kind : kButtons) {
        auto* button = static_cast<SkinButton*>(control(kind.id));
        SkinBitmap picture;
        const char* element = kind.element;
        if (kind.id == panel::kLens)
            element = m_lens->isChecked() ? "BTN_ROTATE_UP" : "BTN_ROTATE_DOWN";
        (void)skins.loadElement(QString::fromLatin1(element), picture);
        if (!picture.isEmpty())
            m_anchoring.setRect(kind.id, button->setPicture(picture, SkinButton::Resize::Yes));
        else
            (void)button->setPicture(picture, SkinButton::Resize::No);
    }
    for (const SliderKind& kind : kSliders) {
        auto* slider = static_cast<SkinSlider*>(control(kind.id));
        slider->setThumbElement(QString::fromLatin1(kind.thumb));
        slider->setTrackElement(QString::fromLatin1(kind.track));
    }
    m_progress->loadSkinColours();

    m_strip->setItemColours(stripColour("DONUTS_BKG"), stripColour("DONUTS_BKGTXT"),
                            stripColour("DONUTS_TXT"), stripColour("DONUTS_BKG_SEL"),
                            stripColour("DONUTS_BKGTXT_SEL"), stripColour("DONUTS_TXT_SEL"));
    SkinBitmap highlight, left, right;
    (void)highlight.load(skins, QStringLiteral("BKG_DON_HIGH"));
    m_strip->setHighlight(highlight);
    (void)skins.loadElement(QStringLiteral("BTM_SLIDE_L"), left);
    (void)skins.loadElement(QStringLiteral("BTM_SLIDE_R"), right);
    m_strip->setScrollButtonPictures(left, right);

    centreTopBar();
    m_anchoring.placeZoomButtons();
    applyAnchoring();
    m_backgroundRect = QRect();
    update();
}

void MainPanel::centreTopBar() {
    std::vector<int> ids, widths;
    for (const ButtonKind& kind : kButtons)
        if (kind.anchor == Anchor::TopBar) {
            ids.push_back(kind.id);
            widths.push_back(m_anchoring.rect(kind.id).width());
        }
    const std::vector<int> xs = centredBarPositions(widths, width());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        QRect r = m_anchoring.rect(ids[i]);
        r.moveTo(xs[i], 0);
        m_anchoring.setRect(ids[i], r);
    }
}

void MainPanel::applyAnchoring() {
    for (const int id : m_anchoring.ids())
        if (QWidget* w = control(id))
            w->setGeometry(m_anchoring.rect(id));
}

void MainPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_initialised) {
        // The layout is made for its own size; the first size the window gives counts as
        // a change from it.
        return;
    }
    if (m_anchoring.resize(size())) {
        applyAnchoring();
        m_backgroundRect = QRect();
        update();
    }
}

void MainPanel::rebuildBackground() {
    if (m_backgroundRect == rect() && !m_background.isNull())
        return;
    m_background = QImage(size(), QImage::Format_RGB32);
    m_background.fill(palette().window().color());
    (void)composePanelBackground(m_background, m_skin, m_anchoring.picture());
    m_backgroundRect = rect();
    ++m_backgroundBuilds;
}

void MainPanel::paintEvent(QPaintEvent*) {
    rebuildBackground();
    QPainter painter(this);
    painter.drawImage(0, 0, m_background);
    const QImage& logo = m_skin.logo.picture();
    if (!logo.isNull()) {
        QImage top = m_background.copy(width() - logo.width(), 0, logo.width(), logo.height());
        m_skin.logo.draw(SkinCanvas(top), 0, 0);
        painter.drawImage(width() - logo.width(), 0, top);
    }
}

bool MainPanel::event(QEvent* event) {
    const auto type = event->type();
    if (type == SkinChangedEvent::kType) {
        loadSkin();
        return true;
    }
    if (type == ParentBackgroundEvent::kType) {
        auto* request = static_cast<ParentBackgroundEvent*>(event);
        rebuildBackground();
        QPainter painter(&request->surface());
        painter.drawImage(QPoint(0, 0), m_background, request->rect());
        request->accept();
        return true;
    }
    if (isUnwrapEvent(type)) {
        unwrapEvent(event);
        return true;
    }
    return QWidget::event(event);
}

void MainPanel::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_refreshTimer)
        return QWidget::timerEvent(event);
    // A scan saves its pictures in the album folder before they join the album as one
    // change; a refresh meanwhile would take them in one by one.
    if (m_scanning)
        return;
    // The first tick after an album is shown only starts the count: a folder just opened
    // is already in step.
    if (++m_ticks > 1)
        refreshAlbum();
}

// ---- drop targets and the album list ---------------------------------------------------------

bool MainPanel::eventFilter(QObject* watched, QEvent* event) {
    const bool trash = watched == control(panel::kTrash);
    const bool view = watched == m_view;
    if (trash || view) {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* drag = static_cast<QDropEvent*>(event);
                if (!drag->mimeData()->hasFormat(QLatin1String(kItemsMimeType))) {
                    drag->ignore();
                    return true;
                }
                drag->setDropAction(trash ? Qt::MoveAction : Qt::CopyAction);
                drag->accept();
                return true;
            }
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(event);
                if (!drop->mimeData()->hasFormat(QLatin1String(kItemsMimeType))) {
                    drop->ignore();
                    return true;
                }
                drop->setDropAction(trash ? Qt::MoveAction : Qt::CopyAction);
                drop->accept();
                // The strip that started the drag sees the move and removes the pictures
                // itself, as one step; the view shows the last picture dropped on it.
                if (view) {
                    const auto indexes =
                        readIndexes(*drop->mimeData(), ProcessCheck::SameProcessOnly);
                    if (indexes && !indexes->empty())
                        showItem(int(indexes->back()));
                }
                return true;
            }
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString MainPanel::libraryRoot() const {
    QString root;
    (void)m_library.getRoot(root, RootCreation::Yes);
    return root;
}

void MainPanel::fillAlbumList() {
    m_albumList->clear();
    QStringList names = m_library.albumNames();
    names.sort(Qt::CaseInsensitive);
    for (const QString& name : names) {
        m_albumList->addItem(name, QDir(libraryRoot()).filePath(name));
        m_albumList->setItemData(m_albumList->count() - 1, 0, kSpecialRole);
    }
    // Albums opened from elsewhere stay in the list while their objects live.
    for (const auto& [folder, album] : m_albums)
        if (rowOfFolder(folder) < 0) {
            m_albumList->addItem(QString::fromStdString(album->name()), folder);
            m_albumList->setItemData(m_albumList->count() - 1, 0, kSpecialRole);
        }
    m_albumList->addItem(text(paneltext::kSeparatorEntry, QStringLiteral("----------")));
    m_albumList->setItemData(m_albumList->count() - 1, kSeparatorData, kSpecialRole);
    m_albumList->addItem(text(paneltext::kNewAlbumEntry, QStringLiteral("New album")));
    m_albumList->setItemData(m_albumList->count() - 1, kNewAlbumData, kSpecialRole);
}

void MainPanel::refreshAlbumList() {
    const QString current = m_album ? QString::fromStdString(m_album->folder()) : QString();
    fillAlbumList();
    const int row = rowOfFolder(current);
    m_albumList->setCurrentIndex(row);
    m_previousRow = row;
}

int MainPanel::rowOfFolder(const QString& folder) const {
    if (folder.isEmpty())
        return -1;
    const QString wanted = QDir::cleanPath(folder);
    for (int row = 0; row < m_albumList->count(); ++row) {
        const QString rowFolder = m_albumList->itemData(row).toString();
        if (!rowFolder.isEmpty() && QDir::cleanPath(rowFolder) == wanted)
            return row;
    }
    return -1;
}

void MainPanel::chooseListEntry(int row) {
    m_albumList->setCurrentIndex(row);
    listActivated(row);
}

void MainPanel::listActivated(int row) {
    if (row < 0 || row >= m_albumList->count())
        return;
    const int special = m_albumList->itemData(row, kSpecialRole).toInt();
    if (special == kSeparatorData) {
        m_albumList->setCurrentIndex(m_previousRow);
        return;
    }
    if (special == kNewAlbumData) {
        newAlbum();
        return;
    }
    const QString folder = m_albumList->itemData(row).toString();
    if (m_album &&
        QDir::cleanPath(QString::fromStdString(m_album->folder())) == QDir::cleanPath(folder)) {
        m_previousRow = row;
        return;
    }
    if (!showAlbumByFolder(folder, m_albumList->itemText(row))) {
        message(text(paneltext::kAlbumCreationFailed, QStringLiteral("Album creation failed !")),
                true);
        m_albumList->setCurrentIndex(m_previousRow);
        return;
    }
}

bool MainPanel::showAlbumByFolder(const QString& folder, const QString& name) {
    const QString key = QDir::cleanPath(folder);
    auto it = m_albums.find(key);
    if (it == m_albums.end()) {
        std::unique_ptr<Album> opened;
        if (QDir::cleanPath(QFileInfo(folder).absolutePath()) == QDir::cleanPath(libraryRoot()))
            opened = m_library.openAlbum(name);
        else
            opened = FolderAlbum::open(folder.toStdString());
        if (!opened)
            return false;
        it = m_albums.emplace(key, std::move(opened)).first;
    }
    setAlbum(it->second.get());
    return true;
}

void MainPanel::leaveAlbum() {
    stopPreview();
    if (!m_album)
        return;
    // Saving forgets the album's steps; one that cannot be saved keeps nothing to undo
    // either, since the history follows only the album on show.
    if (!m_history.saveAlbum(*m_album))
        m_history.forgetAlbum(m_album);
}

void MainPanel::setAlbum(Album* album) {
    leaveAlbum();
    clearPicture();
    m_album = album;
    m_ticks = 0;
    m_strip->setAlbum(album);
    m_strip->setReadOnly(album && album->isReadOnly());
    const int row = album ? rowOfFolder(QString::fromStdString(album->folder())) : -1;
    if (album && row < 0)
        refreshAlbumList();
    else
        m_albumList->setCurrentIndex(row);
    m_previousRow = m_albumList->currentIndex();
    if (album && album->itemCount() > 0) {
        m_strip->selectOnly(0);
        showItem(0);
    }
    emit albumShown(album ? QString::fromStdString(album->name()) : QString());
    emit commandsChanged();
}

void MainPanel::openStartAlbum() {
    // A first start makes the library, seeded with the example albums.
    (void)libraryRoot();
    fillAlbumList();
    QString last = m_context.settings ? m_context.settings->lastAlbum : QString();
    // Before any album was ever left open, the library holds only what it was seeded with:
    // its first album shows the user pictures instead of an empty strip.
    if (last.isEmpty()) {
        QStringList names = m_library.albumNames();
        names.sort(Qt::CaseInsensitive);
        last = names.value(0);
    }
    if (!last.isEmpty() && m_library.albumExists(last) &&
        showAlbumByFolder(QDir(libraryRoot()).filePath(last), last))
        return;
    newAlbum();
}

void MainPanel::newAlbum() {
    QString name;
    auto album = m_library.newAlbum(NewAlbumRule::ReuseEmpty, &name);
    if (!album) {
        message(text(paneltext::kAlbumCreationFailed, QStringLiteral("Album creation failed !")),
                true);
        m_albumList->setCurrentIndex(m_previousRow);
        return;
    }
    const QString key = QDir::cleanPath(QString::fromStdString(album->folder()));
    // An empty album taken again may be on show already: the object the strip and the
    // history know stays, the second one goes.
    auto it = m_albums.find(key);
    if (it == m_albums.end())
        it = m_albums.emplace(key, std::move(album)).first;
    fillAlbumList();
    setAlbum(it->second.get());
}

void MainPanel::showNeighbourAfterRemoval(int row) {
    fillAlbumList();
    const int albums = m_albumList->count() - 2;
    if (albums <= 0) {
        newAlbum();
        return;
    }
    const int next = std::clamp(row, 0, albums - 1);
    if (!showAlbumByFolder(m_albumList->itemData(next).toString(), m_albumList->itemText(next)))
        newAlbum();
}

void MainPanel::deleteAlbum() {
    if (!m_album)
        return;
    if (m_album->itemCount() > 0 &&
        !(m_context.confirm
              ? m_context.confirm(text(paneltext::kDeleteAlbumQuestion))
              : QMessageBox::question(this, windowTitle(), text(paneltext::kDeleteAlbumQuestion),
                                      QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok))
        return;
    stopPreview();
    const QString folder = QDir::cleanPath(QString::fromStdString(m_album->folder()));
    const QString name = QString::fromStdString(m_album->name());
    const int row = m_albumList->currentIndex();
    m_history.forgetAlbum(m_album);
    clearPicture();
    m_strip->setAlbum(nullptr);
    Album* gone = m_album;
    m_album = nullptr;
    const bool deleted = m_library.deleteAlbum(name);
    if (!deleted) {
        // The album is still there; show it again as it was.
        setAlbum(gone);
        message(text(paneltext::kAlbumCreationFailed, QStringLiteral("Album creation failed !")),
                true);
        return;
    }
    m_albums.erase(folder);
    showNeighbourAfterRemoval(row);
}

void MainPanel::openAlbumFromDialog() {
    const QString title = text(paneltext::kOpenAlbumTitle, QStringLiteral("Open album"));
    const QString folder = m_context.chooseAlbumFolder
                               ? m_context.chooseAlbumFolder(title, libraryRoot())
                               : QFileDialog::getExistingDirectory(
                                     this, title, libraryRoot(), QFileDialog::DontUseNativeDialog);
    if (folder.isEmpty())
        return;
    if (!showAlbumByFolder(folder, QFileInfo(folder).fileName()))
        message(text(paneltext::kAlbumCreationFailed, QStringLiteral("Album creation failed !")),
                true);
}

void MainPanel::albumProperties() {
    if (!m_album)
        return;
    Album* const shown = m_album;
    AlbumPropertiesDialog dialog(*shown, window());
    if (!dialog.isReady())
        return;
    const int result = m_context.execDialog ? m_context.execDialog(dialog) : dialog.exec();
    // While the dialog was open the album may have gone with its folder, and another be on show.
    if (result != QDialog::Accepted || m_album != shown)
        return;
    const QString name = dialog.name();
    if (name.toStdString() != m_album->name())
        renameAlbum(name);
}

void MainPanel::renameAlbum(const QString& name) {
    // The folder rename refuses a taken name anyway; asking first lets the message say why.
    const QDir parent = QFileInfo(QString::fromStdString(m_album->folder())).dir();
    if (AlbumLibrary::isValidAlbumName(name) && parent.exists(name)) {
        message(fillText(text(paneltext::kAlbumNameTaken,
                              QStringLiteral("There is already an album named \"%s\".")),
                         name),
                true);
        return;
    }
    // A failed rename leaves the folder, the album and its history as they were.
    if (!m_history.perform(
            std::make_unique<RenameAlbumStep>(*m_album, name.toStdString(), this, labels())))
        message(fillText(text(paneltext::kAlbumRenameFailed,
                              QStringLiteral("The album could not be renamed to \"%s\".")),
                         name),
                true);
}

void MainPanel::followLibrary() {
    Album* previous = m_album;
    QStringList names = m_library.albumNames();
    names.sort(Qt::CaseInsensitive);
    const QString root = libraryRoot();
    if (names.isEmpty() || !showAlbumByFolder(QDir(root).filePath(names.first()), names.first()))
        newAlbum();
    if (m_album == previous)
        return;
    // The albums of the old folder were saved when they were left; the one on show, if it
    // could not be, stays listed with what it holds.
    for (auto it = m_albums.begin(); it != m_albums.end();) {
        const bool inRoot =
            QDir::cleanPath(QFileInfo(it->first).absolutePath()) == QDir::cleanPath(root);
        if (it->second.get() != m_album && !inRoot && !it->second->isDirty()) {
            m_history.forgetAlbum(it->second.get());
            it = m_albums.erase(it);
        } else {
            ++it;
        }
    }
    refreshAlbumList();
}

void MainPanel::saveAlbum() {
    if (m_album)
        (void)m_history.saveAlbum(*m_album);
}

void MainPanel::refreshAlbum() {
    if (m_album)
        (void)m_album->refresh(this);
}

void MainPanel::addPictures() {
    if (!m_album)
        return;
    const QString title = text(paneltext::kAddPicturesTitle, QStringLiteral("Add pictures"));
    const QString filter =
        qtFileFilter(openDialogFilter([](int id) { return resourceLibrary().text(id); }));
    QStringList files;
    if (m_context.choosePictures) {
        files = m_context.choosePictures(title, filter);
    } else {
        PictureOpenDialog dialog(filter, this);
        dialog.setDirectory(QDir::homePath());
        if (dialog.exec() == QDialog::Accepted)
            files = dialog.selectedFiles();
    }
    if (files.isEmpty())
        return;
    appendPictures(files, InsertCircles::Detect);
}

void MainPanel::appendPictures(const QStringList& files, InsertCircles circles) {
    std::vector<AlbumItem> items;
    for (const QString& file : files)
        items.push_back(AlbumItem{file.toStdString(), PropertyMap()});
    const bool wasEmpty = m_album->itemCount() == 0;
    auto step = std::make_unique<InsertStep>(*m_album, std::move(items), InsertStep::kAppend, this,
                                             labels());
    step->setCircles(circles);
    if (m_history.perform(std::move(step)) && wasEmpty && m_album->itemCount() > 0) {
        m_strip->selectOnly(0);
        showItem(0);
    }
}

void MainPanel::publish(int command) {
    if (!m_album || m_album->itemCount() == 0)
        return;
    // The export unwraps every picture itself; an unfinished preview is made again after it.
    const bool previewAbandoned = m_busy;
    stopPreview();
    ExportSettings settings;
    settings.skin = programSkins().getCurrentSkin();
    if (m_context.settings) {
        const AppSettings& s = *m_context.settings;
        settings.userName = s.userName;
        settings.userAddress = s.userAddress;
        settings.userHomepage = s.userHomepage;
        settings.userPrivate = s.userPrivate;
        settings.compressionLocal = s.compressionLocal;
        settings.compressionHtml = s.compressionHtml;
    }
    std::unique_ptr<ExportUi> own;
    if (!m_context.exportUi)
        own = std::make_unique<WidgetExportUi>(window());
    auto ui = std::make_unique<ProgressMirror>(m_context.exportUi ? *m_context.exportUi : *own,
                                               *m_progress);
    // The tour generator runs on after the export returns; the manager watches it until it
    // ends. The mail program is waited for on a thread of the export's own.
    auto manager = new ExportManager(*ui, settings, m_context.programFolder, this);
    const QString name = QString::fromStdString(m_album->name());
    bool ok = false;
    switch (command) {
        case command::kPublishTour:
            ok = manager->exportLocalTour(*m_album, name);
            break;
        case command::kPublishHtml:
            ok = manager->exportWebPage(*m_album, name);
            break;
        case command::kPublishEmail:
            ok = manager->exportEmail(*m_album, name, /*asynchronous=*/true);
            break;
        default:
            break;
    }
    progressEnd();
    if (previewAbandoned)
        showItem(m_shown);
    if (!ok || !manager->generatorRunning()) {
        delete manager;
        return;
    }
    manager->setGeneratorFinished([manager, keepUi = std::shared_ptr<ExportUi>(std::move(ui)),
                                   keepOwn = std::shared_ptr<ExportUi>(std::move(own))](
                                      bool, const QString&) { manager->deleteLater(); });
}

void MainPanel::selectScanSource() {
    const QString current = m_context.settings ? m_context.settings->twainSource : QString();
    const std::optional<QString> chosen = m_context.chooseScanSource
                                              ? m_context.chooseScanSource(current)
                                              : chooseScanSource(window(), current);
    if (chosen && m_context.settings)
        m_context.settings->twainSource = *chosen;
}

void MainPanel::scan(bool series) {
    if (!m_album)
        return;
    ScanRequest request;
    request.source = m_context.settings ? m_context.settings->twainSource : QString();
    request.folder = QString::fromStdString(m_album->folder());
    request.series = series;
    m_scanning = true;
    const QStringList files =
        runScan(window(), request, [this](const QString& why) { message(why, true); });
    m_scanning = false;
    // Scans are pages as often as rings: their circles are found when they are shown.
    if (!files.isEmpty())
        appendPictures(files, InsertCircles::Leave);
}

// ---- commands --------------------------------------------------------------------------------

QString MainPanel::unavailableReason(int) const {
    // Every command of the menu is part of this version.
    return {};
}

bool MainPanel::isCommandEnabled(int id) const {
    const bool open = m_album != nullptr;
    const bool writable = open && !m_album->isReadOnly();
    const bool shown = m_shown >= 0 && open && std::size_t(m_shown) < m_album->itemCount();
    const bool selection = open && !m_strip->selectedIndexes().empty();
    switch (id) {
        case command::kUndo:
            return m_history.canUndo();
        case command::kRedo:
            return m_history.canRedo();
        case command::kCut:
        case command::kDelete:
            return selection && writable;
        case command::kCopy:
            return selection;
        case command::kPaste:
            return writable && m_strip->canPaste();
        case command::kSelectAll:
            return open && m_album->itemCount() > 0;
        case command::kNewAlbum:
        case command::kOpenAlbum:
            return true;
        case command::kDeleteAlbum:
        case command::kRefreshAlbum:
        case command::kSaveAlbum:
        case command::kAlbumProperties:
            return open;
        case command::kAddPictures:
            return writable;
        case command::kPublishTour:
        case command::kPublishHtml:
        case command::kPublishEmail:
            return open && m_album->itemCount() > 0;
        case command::kSelectSource:
            return scannerAvailable();
        case command::kAcquire:
        case command::kAcquireSeries:
            return writable && scannerAvailable();
        case panel::kAutoCorrection:
            // The automatic values come with the panorama.
            return shown && writable && !m_busy && m_view->control().hasPicture();
        case panel::kNoCorrection:
        case panel::kLens:
        case panel::kLowerBrightness:
        case panel::kRaiseBrightness:
        case panel::kLowerContrast:
        case panel::kRaiseContrast:
        case panel::kLowerSaturation:
        case panel::kRaiseSaturation:
        case panel::kBrightness:
        case panel::kContrast:
        case panel::kSaturation:
            return shown && writable;
        case panel::kZoomIn:
            return m_view->control().hasPicture() && m_view->control().canZoomIn();
        case panel::kZoomOut:
            return m_view->control().hasPicture() && m_view->control().canZoomOut();
        case panel::kTrash:
            return writable;
        default:
            return false;
    }
}

QString MainPanel::undoRedoText(int id, const QString& label) const {
    const EditStep* step = id == command::kUndo ? m_history.nextUndo() : m_history.nextRedo();
    return step ? label + QString::fromStdString(step->label()) : label;
}

bool MainPanel::runCommand(int id) {
    if (!isCommandEnabled(id))
        return false;
    switch (id) {
        case command::kUndo:
            (void)m_history.undo();
            break;
        case command::kRedo:
            (void)m_history.redo();
            break;
        case command::kCut:
            m_strip->cutSelection();
            break;
        case command::kCopy:
            m_strip->copySelection();
            break;
        case command::kPaste: {
            const bool wasEmpty = m_album->itemCount() == 0;
            if (m_strip->pasteFromClipboard() && wasEmpty && m_album->itemCount() > 0) {
                m_strip->selectOnly(0);
                showItem(0);
            }
            break;
        }
        case command::kDelete:
            (void)m_strip->deleteSelection();
            break;
        case command::kSelectAll:
            m_strip->selectAll();
            break;
        case command::kNewAlbum:
            newAlbum();
            break;
        case command::kDeleteAlbum:
            deleteAlbum();
            break;
        case command::kOpenAlbum:
            openAlbumFromDialog();
            break;
        case command::kAlbumProperties:
            albumProperties();
            break;
        case command::kSaveAlbum:
            saveAlbum();
            break;
        case command::kRefreshAlbum:
            refreshAlbum();
            break;
        case command::kAddPictures:
            addPictures();
            break;
        case command::kPublishTour:
        case command::kPublishHtml:
        case command::kPublishEmail:
            publish(id);
            break;
        case command::kSelectSource:
            selectScanSource();
            break;
        case command::kAcquire:
        case command::kAcquireSeries:
            scan(id == command::kAcquireSeries);
            break;
        case panel::kAutoCorrection:
            setCorrection(m_automatic);
            break;
        case panel::kNoCorrection:
            setCorrection(ColourCorrection{});
            break;
        case panel::kLens:
            toggleLens();
            break;
        case panel::kLowerBrightness:
        case panel::kRaiseBrightness:
        case panel::kLowerContrast:
        case panel::kRaiseContrast:
        case panel::kLowerSaturation:
        case panel::kRaiseSaturation:
            stepButton(id);
            scheduleCommit();
            break;
        case panel::kZoomIn:
        case panel::kZoomOut:
            zoom(id == panel::kZoomIn ? 1 : -1);
            m_view->setFocus();
            break;
        case panel::kTrash:
            break;
        default:
            return false;
    }
    updateControls();
    return true;
}

void MainPanel::updateControls() {
    for (const auto& [id, widget] : m_controls) {
        if (id == panel::kStrip || id == panel::kPictureView || id == panel::kAlbumList ||
            id == panel::kProgress)
            continue;
        const int which = commandOfButton(id);
        const bool enabled = isCommandEnabled(which);
        if (widget->isEnabled() != enabled)
            widget->setEnabled(enabled);
        // A button of a kind of publishing still to come says so where the pointer rests.
        if (const QString why = unavailableReason(which); !why.isEmpty())
            widget->setToolTip(why);
    }
    emit commandsChanged();
}

// ---- the picture shown -----------------------------------------------------------------------

void MainPanel::stopPreview() {
    m_unwrap.stop();
    progressEnd();
    if (m_busy) {
        m_busy = false;
        emit busyChanged(false);
    }
}

void MainPanel::clearPicture() {
    m_shown = -1;
    m_shownPath.clear();
    m_shownCircles.reset();
    m_view->control().stopDrawing();
    m_view->control().clearPicture();
    m_view->update();
    setSliders(ColourCorrection{});
    m_automatic = ColourCorrection{};
}

void MainPanel::showReadFailure(const QString& path, const QString& error) {
    showNothing();
    message(fillText(fillText(text(paneltext::kPictureUnreadable, QStringLiteral("%s\n%s")),
                              QFileInfo(path).fileName()),
                     error),
            true);
}

void MainPanel::showNoCircles() {
    showNothing();
    const std::string name =
        m_album ? m_album->itemName(std::size_t(std::max(m_shown, 0))).value_or("") : "";
    message(
        fillText(text(paneltext::kNoCircles, QStringLiteral("%s")), QString::fromStdString(name)),
        true);
}

void MainPanel::showNothing() {
    m_view->control().stopDrawing();
    m_view->control().clearPicture();
    m_view->update();
}

void MainPanel::showItem(int index) {
    stopPreview();
    if (!m_album || index < 0 || std::size_t(index) >= m_album->itemCount()) {
        clearPicture();
        return;
    }
    const std::string path = m_album->itemPath(std::size_t(index)).value_or(std::string());
    m_shown = index;
    m_shownPath = path;
    m_shownCircles = m_album->property(std::size_t(index), kPropertyCircles);
    m_cc = parseColourCorrection(
               m_album->property(std::size_t(index), kPropertyColourCorrection).value_or(""))
               .value_or(ColourCorrection{});
    setSliders(m_cc);
    showLens(isReversedProperty(m_album->property(std::size_t(index), kPropertyReverse)));
    m_automatic = ColourCorrection{};

    const QString file = QString::fromStdString(path);
    std::optional<RingCircles> circles =
        m_shownCircles ? parseCirclesText(*m_shownCircles) : std::nullopt;
    if (!circles) {
        // The circles are found once and kept with the item; the dialog to correct them by
        // hand belongs to the picture's properties.
        QString error;
        const auto found = detectItemCircles(file, &error);
        if (!found) {
            showReadFailure(file, error);
            return;
        }
        if (!found->detected) {
            showNothing();
            // The user places the circles by hand. Once set, the change comes back through
            // itemChanged, which shows the item again with them.
            if (!m_editingCircles) {
                m_editingCircles = true;
                (void)editImageProperties(*m_album, std::size_t(index), &m_history, labels(), this,
                                          this);
                m_editingCircles = false;
            }
            return;
        }
        circles = found->circles;
        if (m_album->setProperty(std::size_t(index), kPropertyCircles, found->text))
            m_shownCircles = found->text;
    }

    PixelImage image = m_unwrap.takePicture();
    QString error;
    if (!loadFitted(file, kUnlimited, kUnlimited, image, &error)) {
        showReadFailure(file, error);
        return;
    }
    ++m_jobGeneration;
    m_rowsDone = 0;
    m_progressPosted = false;
    progressRange(previewHeight(circles->outer.radius));
    m_busy = true;
    emit busyChanged(true);
    if (!m_unwrap.start(*this, std::move(image), circles->outer, circles->inner, path)) {
        stopPreview();
        return;
    }
}

// Qt's event queue hands the posted events over under its own lock, which ThreadSanitizer
// cannot see (see UncheckedWork); the result itself goes through our own lock.
void MainPanel::postUnwrapEvent(int type) {
    [[maybe_unused]] const UncheckedWork insideQt;
    QCoreApplication::postEvent(this, new UnwrapPosted(type, m_jobGeneration));
}

void MainPanel::unwrapProgress() {
    ++m_rowsDone;
    if (!m_progressPosted.exchange(true))
        postUnwrapEvent(kUnwrapProgressEvent);
}

void MainPanel::unwrapDone(std::unique_ptr<PanoramaResult> result, const std::string&) {
    {
        std::lock_guard guard(m_resultLock);
        m_result = std::move(result);
        m_resultGeneration = m_jobGeneration;
    }
    postUnwrapEvent(kUnwrapDoneEvent);
}

void MainPanel::unwrapStopped() {
    postUnwrapEvent(kUnwrapStoppedEvent);
}

void MainPanel::unwrapImpossible() {
    postUnwrapEvent(kUnwrapImpossibleEvent);
}

void MainPanel::unwrapEvent(QEvent* event) {
    const auto* posted = static_cast<UnwrapPosted*>(event);
    // Events of a preview that was abandoned meanwhile change nothing.
    if (posted->generation() != m_jobGeneration || !m_busy)
        return;
    switch (int(event->type())) {
        case kUnwrapProgressEvent:
            // Cleared before reading, so that rows made meanwhile post the next event.
            m_progressPosted = false;
            progressTo(m_rowsDone);
            return;
        case kUnwrapStoppedEvent:
            stopPreview();
            return;
        case kUnwrapImpossibleEvent:
            // The stored circles do not fit the picture.
            stopPreview();
            showNoCircles();
            return;
        case kUnwrapDoneEvent:
            break;
        default:
            return;
    }
    std::unique_ptr<PanoramaResult> result;
    {
        std::lock_guard guard(m_resultLock);
        if (m_resultGeneration == m_jobGeneration)
            result = std::move(m_result);
        m_result.reset();
    }
    stopPreview();
    if (!result)
        return;
    m_automatic = automaticCorrection(result->luminance, result->chroma);
    PanoramaViewControl& view = m_view->control();
    view.stopDrawing();
    view.resetView();
    (void)view.setPicture(result->image.bits(), result->image.width(), result->image.height(),
                          /*copy=*/true);
    m_unwrap.recycle(std::move(result));
    view.setReverse(m_shownReversed ? -1 : 1);
    applyColourToView();
    view.startDrawing();
    m_view->update();
    updateControls();
    emit panoramaShown(m_shown);
}

void MainPanel::setSliders(const ColourCorrection& cc) {
    m_settingSliders = true;
    m_brightness->setValue(cc.brightness);
    m_contrast->setValue(cc.contrast);
    m_saturation->setValue(cc.saturation);
    m_settingSliders = false;
    m_cc = ColourCorrection{m_brightness->value(), m_contrast->value(), m_saturation->value()};
    applyColourToView();
}

void MainPanel::applyColourToView() {
    PanoramaViewControl& view = m_view->control();
    view.setBrightnessContrast(m_cc.brightness, m_cc.contrast);
    view.enableToneTable(m_cc.brightness != 0 || m_cc.contrast != 0);
    view.setSaturation(m_cc.saturation);
    view.enableMatrix(m_cc.saturation != 0);
    if (view.hasPicture())
        view.renderer().requestRender();
}

void MainPanel::sliderMoved(int id, int value) {
    if (m_settingSliders)
        return;
    if (id == panel::kBrightness)
        m_cc.brightness = value;
    else if (id == panel::kContrast)
        m_cc.contrast = value;
    else
        m_cc.saturation = value;
    applyColourToView();
}

void MainPanel::stepButton(int id) {
    if (m_shown < 0)
        return;
    SkinSlider* slider = nullptr;
    int direction = 1;
    switch (id) {
        case panel::kLowerBrightness:
            direction = -1;
            [[fallthrough]];
        case panel::kRaiseBrightness:
            slider = m_brightness;
            break;
        case panel::kLowerContrast:
            direction = -1;
            [[fallthrough]];
        case panel::kRaiseContrast:
            slider = m_contrast;
            break;
        case panel::kLowerSaturation:
            direction = -1;
            [[fallthrough]];
        case panel::kRaiseSaturation:
            slider = m_saturation;
            break;
        default:
            return;
    }
    // The slider keeps the value in its range; a held button stops at the end. The commit
    // waits until the button is let go.
    m_settingSliders = true;
    slider->setValue(slider->value() + direction * slider->singleStep());
    m_settingSliders = false;
    sliderMoved(id == panel::kLowerBrightness || id == panel::kRaiseBrightness ? panel::kBrightness
                : id == panel::kLowerContrast || id == panel::kRaiseContrast   ? panel::kContrast
                                                                               : panel::kSaturation,
                slider->value());
}

void MainPanel::scheduleCommit() {
    if (m_settingSliders || m_commitPending)
        return;
    // A click arrives after the button's release: both go into one change.
    m_commitPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_commitPending = false;
            commitCorrection(Commit::OnlyChanges);
        },
        Qt::QueuedConnection);
}

void MainPanel::commitCorrection(Commit rule) {
    if (!m_album || m_shown < 0 || std::size_t(m_shown) >= m_album->itemCount())
        return;
    const auto text = m_album->property(std::size_t(m_shown), kPropertyColourCorrection);
    // A slider let go where it was changes nothing; the two commands store their values
    // even over a missing property that means the same.
    if (text == formatColourCorrection(m_cc))
        return;
    if (rule == Commit::OnlyChanges &&
        parseColourCorrection(text.value_or("")).value_or(ColourCorrection{}) == m_cc)
        return;
    PropertyMap values;
    values.set(kPropertyColourCorrection, formatColourCorrection(m_cc));
    (void)m_history.perform(std::make_unique<ModifyImageStep>(*m_album, std::size_t(m_shown),
                                                              std::move(values), this, labels()));
    updateControls();
}

void MainPanel::setCorrection(const ColourCorrection& cc) {
    setSliders(cc);
    commitCorrection(Commit::Always);
}

void MainPanel::toggleLens() {
    if (!m_album || m_shown < 0)
        return;
    const bool reversed =
        isReversedProperty(m_album->property(std::size_t(m_shown), kPropertyReverse));
    PropertyMap values;
    values.set(kPropertyReverse, reversePropertyText(!reversed));
    if (!m_history.perform(std::make_unique<ModifyImageStep>(*m_album, std::size_t(m_shown),
                                                             std::move(values), this, labels())))
        showLens(reversed);  // the click already turned the toggle; the album did not change
}

void MainPanel::showLens(bool reversed) {
    m_shownReversed = reversed;
    // The toggle is set for a lens mounted upright.
    m_lens->setChecked(!reversed);
    SkinBitmap picture;
    (void)programSkins().loadElement(
        QString::fromLatin1(reversed ? "BTN_ROTATE_DOWN" : "BTN_ROTATE_UP"), picture);
    (void)m_lens->setPicture(picture, SkinButton::Resize::No);
    m_lens->update();
}

void MainPanel::followShownProperties() {
    if (!m_album || m_shown < 0 || std::size_t(m_shown) >= m_album->itemCount())
        return;
    const std::size_t i = std::size_t(m_shown);
    if (m_album->property(i, kPropertyCircles) != m_shownCircles) {
        showItem(m_shown);
        return;
    }
    const ColourCorrection cc =
        parseColourCorrection(m_album->property(i, kPropertyColourCorrection).value_or(""))
            .value_or(ColourCorrection{});
    if (!(cc == m_cc))
        setSliders(cc);
    const bool reversed = isReversedProperty(m_album->property(i, kPropertyReverse));
    if (reversed != m_shownReversed) {
        showLens(reversed);
        if (m_view->control().hasPicture())
            m_view->control().setReverse(reversed ? -1 : 1);
    }
}

void MainPanel::zoom(int step) {
    if (m_view->control().hasPicture())
        m_view->control().accumulatedZoom(step);
}

// ---- progress --------------------------------------------------------------------------------

void MainPanel::progressRange(int maximum) {
    m_progress->setRange(0, std::max(1, maximum));
    m_progress->setValue(0);
    m_progress->show();
}

void MainPanel::progressTo(int value) {
    if (m_progress->isHidden())
        m_progress->show();
    m_progress->setValue(value);
}

void MainPanel::progressEnd() {
    m_progress->setValue(0);
    m_progress->hide();
}

// ---- following the album ---------------------------------------------------------------------

void MainPanel::itemsInserted(Album& album, const std::vector<std::size_t>& indexes) {
    if (&album != m_album)
        return;
    m_strip->itemsInserted(album, indexes);
    if (m_shown >= 0) {
        std::vector<std::size_t> sorted = indexes;
        std::sort(sorted.begin(), sorted.end());
        for (const std::size_t i : sorted)
            if (int(i) <= m_shown)
                ++m_shown;
    }
    updateControls();
}

void MainPanel::itemsRemoved(Album& album, const std::vector<std::size_t>& indexes) {
    if (&album != m_album)
        return;
    m_strip->itemsRemoved(album, indexes);
    if (m_shown < 0)
        return;
    // The indexes are those the items had, removed from the highest down.
    bool shownGone = false;
    int shift = 0;
    for (const std::size_t i : indexes) {
        if (int(i) == m_shown)
            shownGone = true;
        else if (int(i) < m_shown)
            ++shift;
    }
    if (shownGone) {
        const int count = int(m_album->itemCount());
        const int next = std::min(m_shown - shift, count - 1);
        if (next >= 0)
            showItem(next);
        else {
            stopPreview();
            clearPicture();
        }
    } else {
        m_shown -= shift;
    }
    updateControls();
}

void MainPanel::itemsMoved(Album& album,
                           const std::vector<std::pair<std::size_t, std::size_t>>& moves) {
    if (&album != m_album)
        return;
    m_strip->itemsMoved(album, moves);
    for (const auto& [from, to] : moves) {
        const int f = int(from), t = int(to);
        if (m_shown == f)
            m_shown = t;
        else if (f < m_shown && t >= m_shown)
            --m_shown;
        else if (f > m_shown && t <= m_shown)
            ++m_shown;
    }
}

void MainPanel::itemChanged(Album& album, std::size_t index) {
    if (&album != m_album)
        return;
    m_strip->itemChanged(album, index);
    if (int(index) == m_shown)
        followShownProperties();
    updateControls();
}

void MainPanel::albumRenamed(Album& album) {
    // The albums are kept by folder, and the folder moved.
    for (auto it = m_albums.begin(); it != m_albums.end(); ++it) {
        if (it->second.get() != &album)
            continue;
        const QString folder = QDir::cleanPath(QString::fromStdString(album.folder()));
        if (it->first != folder) {
            std::unique_ptr<Album> kept = std::move(it->second);
            m_albums.erase(it);
            m_albums[folder] = std::move(kept);
        }
        break;
    }
    if (&album != m_album)
        return;
    m_strip->albumRenamed(album);
    refreshAlbumList();
    emit albumShown(QString::fromStdString(album.name()));
}

void MainPanel::itemAdded(Album& album, std::size_t index) {
    if (&album != m_album)
        return;
    m_strip->itemAdded(album, index);
    if (m_shown >= 0 && int(index) <= m_shown)
        ++m_shown;
}

void MainPanel::itemRemoved(Album& album, std::size_t index, const std::string& path,
                            const std::string& fileName) {
    if (&album != m_album)
        return;
    m_strip->itemRemoved(album, index, path, fileName);
    if (int(index) < m_shown)
        --m_shown;
    else if (int(index) == m_shown)
        // The picture on show left its folder: the one now in its place is shown instead.
        QMetaObject::invokeMethod(
            this,
            [this, at = m_shown] {
                showItem(std::min(at, int(m_album ? m_album->itemCount() : 0) - 1));
            },
            Qt::QueuedConnection);
}

void MainPanel::folderGone(Album& album, const std::string& albumName) {
    if (&album != m_album)
        return;
    m_strip->folderGone(album, albumName);
    // The folder went while the album was shown: show another once the refresh is over.
    QMetaObject::invokeMethod(
        this,
        [this, gone = &album] {
            if (m_album != gone)
                return;
            const int row = m_albumList->currentIndex();
            m_history.forgetAlbum(gone);
            stopPreview();
            clearPicture();
            m_strip->setAlbum(nullptr);
            m_album = nullptr;
            m_albums.erase(QDir::cleanPath(QString::fromStdString(gone->folder())));
            showNeighbourAfterRemoval(row);
        },
        Qt::QueuedConnection);
}

}  // namespace orbpix
