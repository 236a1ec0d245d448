#pragma once

#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>

#include "shell/ResourceLibrary.h"
#include "skins/SkinAccess.h"
#include "skins/SkinManager.h"
#include "skins/SkinPackage.h"

namespace orbpix::test {

// For the screenshot programs: loads the program folder's resource library and makes the
// named skin current for every window. A skin that ships only as a package is unpacked into
// `unpacked` first, as installing it would. False, after saying why, when either is missing.
inline bool useScreenshotSkin(const char* tool, const QString& program, const QString& skin,
                              const QTemporaryDir& unpacked, SkinManager& skins) {
    QString skinsFolder = program + QStringLiteral("/Skins");
    const QString package = skinsFolder + QLatin1Char('/') + skin + QStringLiteral(".osz");
    if (!QFileInfo(skinsFolder + QLatin1Char('/') + skin).isDir() && QFileInfo::exists(package)) {
        if (extractZipArchive(package, unpacked.path() + QLatin1Char('/') + skin, {}) <= 0) {
            std::fprintf(stderr, "%s: cannot unpack %s\n", tool, qPrintable(package));
            return false;
        }
        skinsFolder = unpacked.path();
    }
    if (!resourceLibrary().load(program) || !skins.initialise(skinsFolder, skin, skin)) {
        std::fprintf(stderr, "%s: no library or no skin %s\n", tool, qPrintable(skin));
        return false;
    }
    setProgramSkins(&skins);
    return true;
}

}  // namespace orbpix::test
