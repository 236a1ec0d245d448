#pragma once

#include <zip.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <utility>
#include <vector>

namespace orbpix::test {

// Writes a zip archive with the given entries (a name ending in "/" is a folder entry);
// names are stored exactly as given, "../" and all, as a hostile archiver would.
inline bool writeZip(const QString& path,
                     const std::vector<std::pair<QByteArray, QByteArray>>& entries) {
    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    bool ok = true;
    // The archive reads the contents only when it is closed; entries outlives that.
    for (const auto& [name, content] : entries) {
        if (name.endsWith('/')) {
            ok = zip_dir_add(archive, name.constData(), ZIP_FL_ENC_UTF_8) >= 0 && ok;
            continue;
        }
        zip_source_t* source =
            zip_source_buffer(archive, content.constData(), zip_uint64_t(content.size()), 0);
        if (!source || zip_file_add(archive, name.constData(), source,
                                    ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(source);
            ok = false;
        }
    }
    return zip_close(archive) == 0 && ok;
}

}  // namespace orbpix::test
