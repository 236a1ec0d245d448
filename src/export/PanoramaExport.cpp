#include "export/PanoramaExport.h"

#include <QFile>
#include <QSaveFile>

#include "imaging/PanoramaXmp.h"

namespace orbpix {

bool exportPanorama(const ExportPicture& picture, const QString& path, int height,
                    QString* reason) {
    const auto fail = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    std::vector<std::string> failed;
    PrepareHooks hooks;
    QString leftOut;
    hooks.leftOut = [&leftOut](const ExportPicture&, const std::string& why) {
        leftOut = QString::fromStdString(why);
    };
    const std::vector<PreparedPicture> prepared = preparePictures({picture}, hooks, failed);
    if (prepared.empty())
        return fail(leftOut);
    const auto jpeg = renderTourPanorama(prepared[0], height, {}, kPanoramaExportQuality);
    if (!jpeg)
        return fail(QStringLiteral("it could not be unwrapped"));
    const Mounting& mounting = prepared[0].mounting;
    const ElevationLimits limits{mounting.topAngle, mounting.bottomAngle};
    const auto described =
        withXmpPacket(*jpeg, panoramaXmp(panoramaXmpFields(4 * height, height, limits)));
    if (!described)
        return fail(QStringLiteral("its description does not fit the file"));
    // Written aside and put in place whole, so that a failure leaves no half file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(described->data()), qint64(described->size())) !=
            qint64(described->size()) ||
        !file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

}  // namespace orbpix
