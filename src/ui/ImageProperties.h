#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <map>
#include <optional>
#include <string>

#include "album/PropertyMap.h"
#include "shell/ResourceTemplates.h"
#include "skins/SkinDialog.h"
#include "ui/CircleGeometry.h"

class QDateTime;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orbpix {

class Album;
class CircleEditor;
class EditHistory;
class EditObserver;
struct EditLabels;

inline constexpr int kImagePropertiesTemplate = 122;
inline constexpr int kPictureDisplayId = 1023;
inline constexpr int kPictureNameId = 1021;
inline constexpr int kAlbumDateId = 1022;
inline constexpr int kDetectButtonId = 3;
inline constexpr int kCaptionId = 65535;

// The properties a change of the dialog writes: "NAME" when the name differs, "CIRCLES" and
// an emptied "FLAT_PATH" when the circles text differs (the stored panorama no longer fits).
PropertyMap imagePropertyChanges(const std::string& oldName,
                                 const std::optional<std::string>& oldCircles,
                                 const std::string& newName, const std::string& newCircles);

// Where the controls of the layout go in a client area of the given size: the picture grows
// with it, OK and Cancel keep to the lower right, the rest to the bottom, the name widens.
std::map<int, QRect> imagePropertiesLayout(const DialogTemplate& layout, QSize client);

// The album file's date as the dialog shows it, in the user's language.
QString formatAlbumDate(const QDateTime& time);

// The smallest client area a user may drag the dialog to; none while Ctrl is held.
QSize imagePropertiesMinimum(bool controlHeld);

// What the dialog shows of one picture.
struct ImagePropertiesInput {
    QString picturePath;
    QString name;
    std::optional<std::string> circles;  // "CIRCLES" as stored, perhaps invalid or missing
    QString albumFileDate;
};

// The picture with its circles to drag into place, its name, and the automatic detection on
// demand. Nothing is stored until the caller reads the result of OK.
class ImagePropertiesDialog : public SkinDialog {
    Q_OBJECT
public:
    explicit ImagePropertiesDialog(ImagePropertiesInput input, QWidget* parent = nullptr);
    ~ImagePropertiesDialog() override;

    // False when the picture or the layout could not be read; the dialog must not be shown.
    bool isReady() const { return m_ready; }
    QString name() const;
    EditorCircles circles() const;
    std::string circlesText() const;
    // The changes OK would write, relative to what the dialog was opened with.
    PropertyMap changes() const;
    // Runs the automatic detection on the picture; the defaults when it finds nothing.
    void detect();

    CircleEditor* editor() const { return m_editor; }
    QLineEdit* nameField() const { return m_name; }

public slots:
    void accept() override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeControls();
    void paintFrame(QPainter& painter) const;
    void followSkinText();

    bool m_ready = false;
    ImagePropertiesInput m_input;
    DialogTemplate m_layout;
    QImage m_picture;  // fitted for the screen
    QSize m_fullSize;
    std::map<int, QWidget*> m_controls;
    CircleEditor* m_editor = nullptr;
    QLineEdit* m_name = nullptr;
    QPushButton* m_detect = nullptr;
};

// Opens the dialog on an item and applies OK as one "modify image" change through the
// history, or straight to the item without one. True when the user chose OK.
bool editImageProperties(Album& album, std::size_t index, EditHistory* history,
                         const EditLabels& labels, QWidget* parent,
                         EditObserver* observer = nullptr);

}  // namespace orbpix
