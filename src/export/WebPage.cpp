#include "export/WebPage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace orbpix {

namespace {

bool isPageTemplate(const QString& name) {
    return name.endsWith(QStringLiteral(".html"), Qt::CaseInsensitive) ||
           name.endsWith(QStringLiteral(".htm"), Qt::CaseInsensitive);
}

bool writeWhole(const QString& path, const QByteArray& content) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() &&
           file.commit();
}

}  // namespace

QByteArray escapePageText(const QByteArray& text) {
    QByteArray escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '"':
                escaped += "&quot;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            default:
                escaped += c;
        }
    }
    // Lines typed here end in a bare line feed, those of older settings in carriage return
    // and line feed; both are one line break on the page.
    escaped.replace("\r\n", "<br>");
    escaped.replace("\n", "<br>");
    return escaped;
}

QString pageBaseName(const QString& pageFile) {
    for (const char* suffix : {".html", ".htm"}) {
        if (pageFile.endsWith(QLatin1StringView(suffix)))
            return pageFile.left(pageFile.size() - qsizetype(qstrlen(suffix)));
    }
    return pageFile;
}

QByteArray pagePictureList(const std::vector<std::string>& names,
                           const std::vector<std::string>& leftOut) {
    QByteArray list;
    std::vector<std::string> remaining = leftOut;
    for (const std::string& name : names) {
        // A name left out once takes out one picture of that name, so that another
        // picture with the same name that did make it stays listed.
        if (const auto found = std::find(remaining.begin(), remaining.end(), name);
            found != remaining.end()) {
            remaining.erase(found);
            continue;
        }
        if (!list.isEmpty())
            list += ',';
        list += '"' + escapePageText(QByteArray::fromStdString(name)) + '"';
    }
    return list;
}

QByteArray fillPageTemplate(const QByteArray& pageTemplate, const PageTags& tags) {
    QByteArray page = pageTemplate;
    const auto text = [](const QString& s) { return escapePageText(s.toUtf8()); };
    page.replace("$ORB_INFO_CIE_TAG$", text(tags.authorName));
    page.replace("$ORB_INFO_ADDRESS_TAG$", text(tags.authorAddress));
    page.replace("$ORB_INFO_URL_TAG$", text(tags.authorHomepage));
    page.replace("$ORB_ALBUM_NAME_TAG$", text(tags.albumName));
    page.replace("$ORB_PHOTO_LIST_TAG$", tags.pictureList);
    page.replace("$ORB_HTML_PAGE_TAG$", tags.pageBase.toUtf8());
    return page;
}

QStringList pageTemplateFolders(const QString& programFolder, const QString& skin) {
    const QString skinName = skin.isEmpty() ? QStringLiteral("Default") : skin;
    return {programFolder + QStringLiteral("/Export/Html"),
            programFolder + QStringLiteral("/Skins/") + skinName + QStringLiteral("/Html")};
}

GeneratedPages generatePages(const QStringList& templateFolders, const QString& outputFolder,
                             const QString& pageFile, const PageTags& tags) {
    GeneratedPages result;
    const QString base = pageBaseName(pageFile);
    for (const QString& folder : templateFolders) {
        const QDir templates(folder);
        // Sorted, so that two exports of one album write their files in the same order.
        const QStringList names = templates.entryList(QDir::Files | QDir::Hidden, QDir::Name);
        for (const QString& name : names) {
            const QString source = templates.filePath(name);
            const bool page = isPageTemplate(name);
            const QString output =
                outputFolder + QLatin1Char('/') +
                (page ? QString(name).replace(QStringLiteral("main"), base) : name);
            QFile::remove(output);
            bool written = false;
            if (page) {
                QFile in(source);
                written = in.open(QIODevice::ReadOnly) &&
                          writeWhole(output, fillPageTemplate(in.readAll(), tags));
            } else {
                written = QFile::copy(source, output);
            }
            if (!written)
                result.ok = false;
            if (!result.files.contains(output))
                result.files << output;
        }
    }
    return result;
}

QString albumScriptName(const QString& albumFile) {
    return albumFile + QStringLiteral(".js");
}

bool writeAlbumScript(const QString& albumPath, QString* scriptPath) {
    QFile album(albumPath);
    if (!album.open(QIODevice::ReadOnly))
        return false;
    const QString name = QFileInfo(albumPath).fileName();
    const QString path = albumScriptName(albumPath);
    if (scriptPath)
        *scriptPath = path;
    // The name is a file name of ours, but it is quoted for the script all the same.
    QByteArray quotedName = name.toUtf8();
    quotedName.replace('\\', "\\\\").replace('"', "\\\"");
    QByteArray script;
    script += "(window.orbAlbumFiles = window.orbAlbumFiles || {})[\"" + quotedName + "\"] =\n\"";
    script += album.readAll().toBase64();
    script += "\";\n";
    return writeWhole(path, script);
}

GeneratedPages writePageFiles(const QStringList& templateFolders, const QString& outputFolder,
                              const QString& pageFile, const PageTags& tags,
                              const QString& albumPath) {
    GeneratedPages pages = generatePages(templateFolders, outputFolder, pageFile, tags);
    QString script;
    if (!writeAlbumScript(albumPath, &script))
        pages.ok = false;
    pages.files.removeAll(script);
    pages.files.removeAll(albumPath);
    pages.files << script << albumPath;
    return pages;
}

}  // namespace orbpix
