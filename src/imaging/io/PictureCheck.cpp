#include "imaging/io/PictureCheck.h"

#include <QFile>

#include "imaging/JpegCheck.h"
#include "imaging/PixelImage.h"
#include "imaging/io/ImageFiles.h"

namespace orbpix {

PictureCheck checkPictureFile(const QString& path) {
    PictureCheck check;
    const auto info = readImageFileInfo(path);
    if (!info || info->width <= 0 || info->height <= 0) {
        check.reason = QStringLiteral("not a picture the program can read");
        return check;
    }
    check.width = info->width;
    check.height = info->height;
    if (!PixelImage::isValidSize(info->width, info->height)) {
        check.state = PictureCheck::State::TooLarge;
        check.reason = QStringLiteral("too large: %1 x %2 pixels is more than the program can hold")
                           .arg(info->width)
                           .arg(info->height);
        return check;
    }
    const std::string file = QFile::encodeName(path).toStdString();
    if (looksLikeJpeg(file)) {
        std::string message;
        switch (checkJpegData(file, &message)) {
            case JpegData::Complete:
                break;
            case JpegData::Damaged:
                check.state = PictureCheck::State::Damaged;
                check.reason = QStringLiteral("damaged: ") + QString::fromStdString(message);
                return check;
            case JpegData::Unreadable:
                check.reason = QStringLiteral("not a picture the program can read: ") +
                               QString::fromStdString(message);
                return check;
        }
    }
    check.state = PictureCheck::State::Sound;
    return check;
}

}  // namespace orbpix
