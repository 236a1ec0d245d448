#include "ui/Preferences.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "album/AlbumLibrary.h"
#include "export/ExportManager.h"
#include "export/TourAlbumExport.h"
#include "shell/ResourceLibrary.h"
#include "shell/ResourceTemplates.h"
#include "shell/Settings.h"

namespace orbpix {

namespace {

using namespace preferences;

const CompressionRange& rangeOf(int sliderId) {
    return sliderId == kLocalCompression ? kLocalCompressionRange : kHtmlCompressionRange;
}

QString cleanFolder(QString folder) {
    folder = folder.trimmed();
    if (folder == QLatin1String("~") || folder.startsWith(QLatin1String("~/")))
        folder = QDir::homePath() + folder.mid(1);
    return folder.isEmpty() ? QString() : QDir::cleanPath(QDir(folder).absolutePath());
}

}  // namespace

PreferencesDialog::PreferencesDialog(AppSettings& settings, AlbumLibrary& library,
                                     PreferencesHooks hooks, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_library(library), m_hooks(std::move(hooks)) {
    setObjectName(QStringLiteral("preferences"));
    setWindowTitle(QStringLiteral("Preferences"));
    QString root;
    if (!m_library.getRoot(root, RootCreation::No) && !m_settings.libraryRoot.isEmpty())
        root = m_settings.libraryRoot;
    m_opened = preferencesFromSettings(m_settings, QDir::toNativeSeparators(root));

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PreferencesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PreferencesDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);

    if (!addPage(kUserPage, QStringLiteral("&Personal details")) ||
        !addPage(kLibraryPage, QStringLiteral("Album &library")) ||
        !addPage(kCompressionPage, QStringLiteral("&Quality")))
        return;
    for (const int id : {kUserName, kUserAddress, kUserHomepage, kUserPrivate, kLibraryFolder,
                         kBrowseFolder, kLocalCompression, kHtmlCompression, kResetCompression})
        if (!control(id))
            return;

    control<QLineEdit>(kUserName)->setText(m_opened.userName);
    control<QLineEdit>(kUserAddress)->setText(m_opened.userAddress);
    control<QLineEdit>(kUserHomepage)->setText(m_opened.userHomepage);
    control<QCheckBox>(kUserPrivate)->setChecked(m_opened.userPrivate);
    control<QLineEdit>(kLibraryFolder)->setText(m_opened.libraryFolder);
    for (const int id : {kLocalCompression, kHtmlCompression}) {
        auto* slider = control<QSlider>(id);
        const CompressionRange& range = rangeOf(id);
        slider->setRange(range.minimum, range.maximum);
        slider->setSingleStep(range.step);
        slider->setPageStep(range.step);
        slider->setTickInterval(range.step);
        slider->setTickPosition(QSlider::TicksBelow);
    }
    // The stored figures are shown as they are; only the user's moves snap to the steps.
    control<QSlider>(kLocalCompression)->setValue(m_opened.compressionLocal);
    control<QSlider>(kHtmlCompression)->setValue(m_opened.compressionHtml);
    connectPages();
    showFigure(kLocalCompression, kLocalFigure);
    showFigure(kHtmlCompression, kHtmlFigure);
    m_ready = true;
}

bool PreferencesDialog::addPage(int templateId, const QString& title) {
    const auto layout = loadDialogTemplate(templateId);
    if (!layout)
        return false;
    auto* page = new QWidget;
    page->setObjectName(QString::number(templateId));
    page->setFixedSize(layout->size);
    for (const DialogControl& c : layout->controls) {
        QWidget* widget = nullptr;
        if (c.kind == QLatin1String("edit")) {
            widget = new QLineEdit(page);
        } else if (c.kind == QLatin1String("check")) {
            widget = new QCheckBox(c.text, page);
        } else if (c.kind == QLatin1String("button")) {
            widget = new QPushButton(c.text, page);
        } else if (c.kind == QLatin1String("slider")) {
            widget = new QSlider(Qt::Horizontal, page);
            widget->setToolTip(c.text);
        } else {
            auto* label = new QLabel(c.text, page);
            label->setWordWrap(true);
            widget = label;
        }
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            edit->setPlaceholderText(c.text);
        widget->setObjectName(QString::number(c.id));
        widget->setGeometry(c.rect);
        m_controls[c.id] = widget;
    }
    m_pages->addTab(page, title);
    return true;
}

void PreferencesDialog::connectPages() {
    for (const auto& [slider, figure] :
         {std::pair{kLocalCompression, kLocalFigure}, std::pair{kHtmlCompression, kHtmlFigure}}) {
        auto* widget = control<QSlider>(slider);
        const int step = rangeOf(slider).step;
        connect(widget, &QSlider::valueChanged, this,
                [this, widget, step, slider = slider, figure = figure](int position) {
                    // Every move ends on a step; setting the rounded value comes back here
                    // once more, already on the step.
                    const int rounded = roundUpToStep(position, step);
                    if (rounded != position) {
                        widget->setValue(rounded);
                        return;
                    }
                    showFigure(slider, figure);
                });
    }
    connect(control<QPushButton>(kBrowseFolder), &QPushButton::clicked, this,
            &PreferencesDialog::browse);
    connect(control<QPushButton>(kResetCompression), &QPushButton::clicked, this,
            &PreferencesDialog::resetCompression);
}

QWidget* PreferencesDialog::control(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

PreferenceValues PreferencesDialog::values() const {
    if (!m_ready)
        return m_opened;
    PreferenceValues values;
    values.userName = control<QLineEdit>(kUserName)->text();
    values.userAddress = control<QLineEdit>(kUserAddress)->text();
    values.userHomepage = control<QLineEdit>(kUserHomepage)->text();
    values.userPrivate = control<QCheckBox>(kUserPrivate)->isChecked();
    values.libraryFolder = control<QLineEdit>(kLibraryFolder)->text();
    values.compressionLocal = control<QSlider>(kLocalCompression)->value();
    values.compressionHtml = control<QSlider>(kHtmlCompression)->value();
    return values;
}

void PreferencesDialog::browse() {
    auto* field = control<QLineEdit>(kLibraryFolder);
    const QString title = resourceLibrary().text(
        kChooseFolderText, QStringLiteral("Choose the folder that holds your album library"));
    const QString start = field->text();
    const QString chosen =
        m_hooks.chooseFolder
            ? m_hooks.chooseFolder(title, start)
            : QFileDialog::getExistingDirectory(
                  this, title, start, QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (!chosen.isEmpty())
        field->setText(QDir::toNativeSeparators(chosen));
}

void PreferencesDialog::resetCompression() {
    control<QSlider>(kHtmlCompression)->setValue(int(m_settings.defaultHtmlComp));
    control<QSlider>(kLocalCompression)->setValue(int(m_settings.defaultLocalComp));
}

void PreferencesDialog::showFigure(int sliderId, int figureId) {
    auto* figure = qobject_cast<QLabel*>(control(figureId));
    if (!figure)
        return;
    // Both exports size their panoramas by the figure; the height says more than the number.
    const int quality = control<QSlider>(sliderId)->value();
    figure->setText(QStringLiteral("Quality %1: panoramas %2 pixels high")
                        .arg(quality)
                        .arg(tourPanoramaHeight(std::uint32_t(std::max(quality, 0)))));
}

void PreferencesDialog::accept() {
    if (!m_ready) {
        QDialog::reject();
        return;
    }
    const PreferenceValues chosen = values();
    // The folder is the one part that can fail; it goes first so that a refusal changes
    // nothing at all.
    if (!moveLibrary(chosen.libraryFolder))
        return;
    applyPreferences(chosen, m_settings);
    QDialog::accept();
}

bool PreferencesDialog::moveLibrary(const QString& text) {
    const QString folder = cleanFolder(text);
    // Left as it was, even when no folder could be found for the library at all.
    if (folder == cleanFolder(m_opened.libraryFolder))
        return true;
    const QFileInfo info(folder);
    if (folder.isEmpty() || (info.exists() && !info.isDir()) ||
        (!info.exists() && !QDir().mkdir(folder)) ||
        !m_library.setRoot(folder, RootCreation::Yes)) {
        refuse(fillText(resourceLibrary().text(
                            kFolderUnusableText,
                            QStringLiteral("The folder \"%s\" cannot hold the album library.")),
                        QDir::toNativeSeparators(text.trimmed())));
        return false;
    }
    m_settings.libraryRoot = folder;
    m_libraryMoved = true;
    return true;
}

void PreferencesDialog::refuse(const QString& text) {
    m_pages->setCurrentIndex(m_pages->indexOf(control(kLibraryFolder)->parentWidget()));
    control(kLibraryFolder)->setFocus();
    if (m_hooks.message)
        m_hooks.message(text);
    else
        QMessageBox::warning(this, windowTitle(), text);
}

}  // namespace orbpix
