#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace orbpix {

// A text made safe for a page: the double quote, "<" and ">" become entities and every line
// break becomes "<br>". Nothing else changes, the ampersand included, so that a name the
// user typed with an entity in it shows as typed.
QByteArray escapePageText(const QByteArray& text);

// The page file's name without ".html" or, failing that, ".htm"; the whole name otherwise.
QString pageBaseName(const QString& pageFile);

// The quoted, escaped names of the pictures that made it into the tour album, in album
// order, separated by ",".
QByteArray pagePictureList(const std::vector<std::string>& names,
                           const std::vector<std::string>& leftOut);

// What the tags of a page template are replaced by. The author's lines stay empty when the
// user keeps them private.
struct PageTags {
    QString authorName;
    QString authorAddress;
    QString authorHomepage;
    QString albumName;
    QByteArray pictureList;  // already quoted and escaped
    QString pageBase;
};

// The template with every tag replaced, the tags taken one after the other in a fixed order.
QByteArray fillPageTemplate(const QByteArray& pageTemplate, const PageTags& tags);

// The template folders of a page in the order they are used: the common one of the program
// folder, then the current skin's, whose files win.
QStringList pageTemplateFolders(const QString& programFolder, const QString& skin);

struct GeneratedPages {
    bool ok = true;     // false when any file could not be written
    QStringList files;  // full paths, each once, in the order first written
};

// Fills the output folder from the template folders: HTML templates ("*.html", "*.htm")
// with their tags replaced and every "main" in their name replaced by the page's base
// name, every other file copied as it is. A file of a later folder replaces one of the same
// name from an earlier one.
GeneratedPages generatePages(const QStringList& templateFolders, const QString& outputFolder,
                             const QString& pageFile, const PageTags& tags);

// The script beside the page that hands it the tour album's bytes, for browsers that will
// not let a page opened from disk read a neighbouring file. Its name is the album file's
// with ".js" added; the page's script knows it by that name.
QString albumScriptName(const QString& albumFile);
[[nodiscard]] bool writeAlbumScript(const QString& albumPath, QString* scriptPath);

// The pages of a tour album file already written in the output folder: the generated pages,
// then the album script, then the tour album file itself, as the files of the publication.
GeneratedPages writePageFiles(const QStringList& templateFolders, const QString& outputFolder,
                              const QString& pageFile, const PageTags& tags,
                              const QString& albumPath);

}  // namespace orbpix
