#pragma once

#include <QFileDialog>
#include <QFrame>
#include <QImage>
#include <QString>
#include <cstdint>

#include "ui/ThumbnailQueue.h"

class QAbstractItemView;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace orbpix {

inline constexpr int kPictureOpenTemplate = 101;
inline constexpr int kPreviewCheckId = 1000;
inline constexpr int kPreviewPaneId = 1001;
inline constexpr int kSelectAllId = 1050;
inline constexpr int kPictureOpenTitle = 850;

// The file a name field's text stands for: the text itself, or, when several names are
// quoted, the first of them. Empty when there is none.
QString firstChosenName(const QString& nameText);

// Where a file of the name field lies: its own path when absolute, else inside the folder.
QString chosenPath(const QString& folder, const QString& name);

// A framed area that shows one picture file fitted into it, centred, computed in the
// background. Owns one request of the queue; a file that cannot be read leaves it empty.
class PreviewPane : public QFrame {
    Q_OBJECT
public:
    explicit PreviewPane(ThumbnailQueue& queue, QWidget* parent = nullptr);
    ~PreviewPane() override;

    // Asks for the file fitted into the pane. A different file drops the picture shown at
    // once, so that the pane never shows one file while another is selected.
    void showFile(const QString& path);
    // Cancels the request and drops the picture.
    void clear();

    QString file() const { return m_file; }
    const QImage& picture() const { return m_picture; }
    // Where the picture goes: the box the thumbnails are fitted into.
    QRect pictureArea() const;

signals:
    // A picture arrived or was dropped.
    void pictureChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Request final : public ThumbnailRequest {
    public:
        explicit Request(PreviewPane& owner) : m_owner(&owner) {}
        bool deliver(QImage image, int width, int height) override;
        // Tells a late delivery of an earlier request from the one asked for now. Written
        // only while the request is withdrawn.
        std::uint64_t generation = 0;

    private:
        PreviewPane* m_owner;
    };

    void request();

    ThumbnailQueue& m_queue;
    Request m_request;
    QString m_file;
    QImage m_picture;
};

// The program's file-open dialog for pictures: several existing files may be chosen, and an
// extension at the right of the file list previews the file under the selection, turns the
// preview on and off and selects every file of the folder.
class PictureOpenDialog : public QFileDialog {
    Q_OBJECT
public:
    // `filter` in the dialog's own form ("Description (*.a *.b);;…").
    explicit PictureOpenDialog(const QString& filter, QWidget* parent = nullptr,
                               ThumbnailQueue& queue = thumbnailQueue());
    ~PictureOpenDialog() override;

    // Null when the extension's layout is missing from the resource library: the dialog
    // then works without it.
    PreviewPane* previewPane() const { return m_pane; }
    QCheckBox* previewBox() const { return m_previewBox; }
    QPushButton* selectAllButton() const { return m_selectAll; }

    bool isPreviewOn() const { return m_previewOn; }
    void setPreviewOn(bool on);
    // Selects every file (not folder) the file list shows, gives the list the focus and
    // lets the name field follow the selection.
    void selectAllFiles();
    // The file list in use for the present view mode.
    QAbstractItemView* fileView() const;
    // The file the name field names now, with its folder; empty when none.
    QString currentFile() const;

private:
    void buildExtension(ThumbnailQueue& queue);
    void selectionChanged();

    QLineEdit* m_nameField = nullptr;
    PreviewPane* m_pane = nullptr;
    QCheckBox* m_previewBox = nullptr;
    QPushButton* m_selectAll = nullptr;
    bool m_previewOn = true;
    QTimer* m_settle = nullptr;
};

}  // namespace orbpix
