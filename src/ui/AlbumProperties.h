#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <vector>

#include "skins/SkinDialog.h"

class QLineEdit;

namespace orbpix {

class Album;

inline constexpr int kAlbumPropertiesTemplate = 121;
inline constexpr int kAlbumNameId = 1018;
inline constexpr int kAlbumSizeId = 1019;
inline constexpr int kPictureCountId = 1020;
inline constexpr int kAlbumFileDateId = 1022;

// Texts of the album's size: a whole number of kilobytes, or megabytes with a fraction.
inline constexpr int kKilobytesText = 300;
inline constexpr int kMegabytesText = 301;
// From this many kilobytes on, the size is shown in megabytes.
inline constexpr std::uint64_t kMegabyteThresholdKb = 1500;

// The album's size in whole kilobytes: each file counts its own truncated kilobytes, so a
// folder of many small files may count less than their sum would.
std::uint64_t albumKilobytes(const std::vector<std::uint64_t>& fileSizes);
// The sizes of the files (not the subfolders) directly in the folder, hidden ones included:
// the album file and parked pictures take room as well.
std::vector<std::uint64_t> folderFileSizes(const QString& folder);

// What the size field shows: below the threshold the kilobytes, else kilobytes / 1024 as
// megabytes.
struct AlbumSizeFigure {
    bool megabytes = false;
    std::uint64_t kilobytes = 0;
    double megabyteValue = 0;
};
AlbumSizeFigure albumSizeFigure(std::uint64_t kilobytes);
// The figure put into the kilobyte format (one integer placeholder) or the megabyte format
// (one floating-point placeholder such as "%.2f").
QString albumSizeText(const AlbumSizeFigure& figure, const QString& kilobyteFormat,
                      const QString& megabyteFormat);

// Fills a text's one floating-point placeholder ("%f", "%.2f", "%g", "%e" with optional
// flags, width and precision; "%%" is a percent sign) without handing the text to printf,
// since texts come from a resource file. A text without such a placeholder gets the number
// appended after a space.
QString formatWithReal(const QString& format, double value);

// The album's name to edit, its size, its number of pictures and the date its file was last
// written. The name is read-only when the album cannot be renamed; the dialog still closes.
class AlbumPropertiesDialog : public SkinDialog {
    Q_OBJECT
public:
    explicit AlbumPropertiesDialog(const Album& album, QWidget* parent = nullptr);
    ~AlbumPropertiesDialog() override;

    // False when the layout could not be read; the dialog must not be shown.
    bool isReady() const { return m_ready; }
    QString name() const;
    QLineEdit* nameField() const { return m_name; }
    // The text of a control of the layout (captions and the figures), empty when none.
    QString controlText(int id) const;

public slots:
    // An empty name keeps the dialog open.
    void accept() override;

protected:
    bool event(QEvent* event) override;

private:
    void followSkinText();

    bool m_ready = false;
    std::map<int, QWidget*> m_controls;
    QLineEdit* m_name = nullptr;
};

}  // namespace orbpix
