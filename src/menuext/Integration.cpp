#include "menuext/Integration.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QSaveFile>

namespace orbpix::menu {

namespace {

const QString kSubmenu = QStringLiteral("Orbworks");
const QString kThunarIdPrefix = QStringLiteral("orbmenu-");

// The registered types of the picture list; ".cmp" has none, so the KDE menu cannot offer
// itself for it (the other forms match by name).
constexpr const char* kMimeTypes =
    "image/bmp;image/jpeg;image/tiff;image/x-tga;image/png;image/x-eps;image/x-pict;"
    "image/x-fpx;image/x-photo-cd;";

QString firstAbsolute(const char* listVariable, const QString& fallback) {
    for (const QString& dir :
         qEnvironmentVariable(listVariable).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            return QDir::cleanPath(dir);
    return fallback;
}

QString userFolder(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QDir::homePath() + fallback;
}

QString commandLine(const QString& program, Command command) {
    return shellArgument(program) + QLatin1Char(' ') + QLatin1String(infoFor(command).word);
}

bool writeFile(const QString& path, const QByteArray& bytes, bool executable, Outcome* out) {
    if (!QDir().mkpath(QFileInfo(path).path())) {
        out->errors.append(path + QStringLiteral(": cannot make the folder"));
        return false;
    }
    QSaveFile file(path);
    const auto mode =
        executable ? QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther : QFile::Permissions();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
        !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                             QFile::ReadOther | mode) ||
        !file.commit()) {
        out->errors.append(path + QStringLiteral(": ") + file.errorString());
        return false;
    }
    out->files.append(path);
    return true;
}

void removeFile(const QString& path, Outcome* out) {
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return;
    if (QFile::remove(path))
        out->files.append(path);
    else
        out->errors.append(path + QStringLiteral(": cannot remove it"));
}

// Folders made for the integration go again once empty; a folder with anything else in it
// stays.
void removeEmptyFolders(const QString& root, const QString& deepest) {
    QDir dir;
    for (QString folder = deepest; folder.startsWith(root + QLatin1Char('/'));
         folder = QFileInfo(folder).path()) {
        if (!dir.rmdir(folder))
            break;
    }
}

QDomElement textElement(QDomDocument& doc, const QString& name, const QString& text) {
    QDomElement element = doc.createElement(name);
    if (!text.isNull())
        element.appendChild(doc.createTextNode(text));
    return element;
}

QString thunarPatterns() {
    QStringList patterns;
    for (const QString& pattern : picturePatterns())
        patterns << pattern << pattern.toUpper();
    return patterns.join(QLatin1Char(';'));
}

QDomElement thunarAction(QDomDocument& doc, const QString& program, const CommandInfo& info) {
    QDomElement action = doc.createElement(QStringLiteral("action"));
    action.appendChild(textElement(doc, QStringLiteral("icon"), QStringLiteral("image-x-generic")));
    action.appendChild(textElement(doc, QStringLiteral("name"), QLatin1String(info.label)));
    action.appendChild(textElement(doc, QStringLiteral("submenu"), kSubmenu));
    action.appendChild(
        textElement(doc, QStringLiteral("unique-id"), kThunarIdPrefix + QLatin1String(info.word)));
    action.appendChild(textElement(doc, QStringLiteral("command"),
                                   commandLine(program, info.command) + QStringLiteral(" %F")));
    action.appendChild(textElement(doc, QStringLiteral("description"), QLatin1String(info.label)));
    action.appendChild(textElement(doc, QStringLiteral("patterns"), thunarPatterns()));
    // The names decide: some listed types are not known as pictures to the file manager.
    action.appendChild(doc.createElement(QStringLiteral("image-files")));
    action.appendChild(doc.createElement(QStringLiteral("other-files")));
    return action;
}

// Parses an actions file; an absent or empty one is a new empty list.
std::optional<QDomDocument> parseActions(const QByteArray& existing) {
    QDomDocument doc;
    const QByteArray text = existing.trimmed().isEmpty()
                                ? QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><actions/>")
                                : existing;
    if (!doc.setContent(text) || doc.documentElement().tagName() != QLatin1String("actions"))
        return std::nullopt;
    return doc;
}

// Takes our actions out; says whether any were there and whether others remain.
ThunarRemoval dropOurActions(QDomElement& root) {
    ThunarRemoval result;
    QDomElement action = root.firstChildElement(QStringLiteral("action"));
    while (!action.isNull()) {
        const QDomElement next = action.nextSiblingElement(QStringLiteral("action"));
        const QString id = action.firstChildElement(QStringLiteral("unique-id")).text();
        if (id.startsWith(kThunarIdPrefix)) {
            root.removeChild(action);
            result.removedAny = true;
        } else {
            result.othersLeft = true;
        }
        action = next;
    }
    return result;
}

}  // namespace

InstallRoots installRoots(bool system) {
    if (system)
        return {firstAbsolute("XDG_DATA_DIRS", QStringLiteral("/usr/local/share")),
                firstAbsolute("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg")), true};
    return {userFolder("XDG_DATA_HOME", QStringLiteral("/.local/share")),
            userFolder("XDG_CONFIG_HOME", QStringLiteral("/.config")), false};
}

QString desktopExecArgument(const QString& argument) {
    // Inside double quotes the launcher wants '"', '`', '$' and '\' escaped; the key's own
    // string escaping then doubles every backslash once more, and '%' starts a field code.
    QString quoted;
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString shellArgument(const QString& argument) {
    QString quoted = argument;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString kdeServiceMenu(const QString& program) {
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=") + kSubmenu +
                   QStringLiteral("\nNoDisplay=true\nExec=") + desktopExecArgument(program) +
                   QStringLiteral(" --help\nMimeType=") + QLatin1String(kMimeTypes) +
                   QStringLiteral("\nActions=email;html;local;\nX-KDE-Submenu=") + kSubmenu +
                   QLatin1Char('\n');
    for (const CommandInfo& info : commands())
        text += QStringLiteral("\n[Desktop Action ") + QLatin1String(info.word) +
                QStringLiteral("]\nName=") + QLatin1String(info.label) +
                QStringLiteral("\nIcon=image-x-generic\nExec=") + desktopExecArgument(program) +
                QLatin1Char(' ') + QLatin1String(info.word) + QStringLiteral(" %F\n");
    return text;
}

QString nautilusScript(const QString& program, Command command) {
    // The file manager hands the selected local files over as arguments.
    return QStringLiteral("#!/bin/sh\nexec ") + commandLine(program, command) +
           QStringLiteral(" \"$@\"\n");
}

std::optional<QByteArray> addThunarActions(const QByteArray& existing, const QString& program) {
    auto doc = parseActions(existing);
    if (!doc)
        return std::nullopt;
    QDomElement root = doc->documentElement();
    dropOurActions(root);
    for (const CommandInfo& info : commands())
        root.appendChild(thunarAction(*doc, program, info));
    return doc->toByteArray(1);
}

std::optional<ThunarRemoval> removeThunarActions(const QByteArray& existing) {
    auto doc = parseActions(existing);
    if (!doc)
        return std::nullopt;
    QDomElement root = doc->documentElement();
    ThunarRemoval result = dropOurActions(root);
    result.text = doc->toByteArray(1);
    return result;
}

QString kdeServiceMenuPath(const InstallRoots& roots) {
    return roots.data + QStringLiteral("/kio/servicemenus/orbworks-orbmenu.desktop");
}

QString nautilusScriptFolder(const InstallRoots& roots) {
    // The scripts submenu exists per user only.
    return roots.system ? QString() : roots.data + QStringLiteral("/nautilus/scripts/") + kSubmenu;
}

QString thunarActionsPath(const InstallRoots& roots) {
    return roots.config + QStringLiteral("/Thunar/uca.xml");
}

Outcome registerIntegration(const InstallRoots& roots, const QString& program) {
    Outcome out;
    writeFile(kdeServiceMenuPath(roots), kdeServiceMenu(program).toUtf8(), true, &out);
    if (const QString folder = nautilusScriptFolder(roots); !folder.isEmpty()) {
        for (const CommandInfo& info : commands())
            writeFile(folder + QLatin1Char('/') + QLatin1String(info.label),
                      nautilusScript(program, info.command).toUtf8(), true, &out);
    }
    const QString uca = thunarActionsPath(roots);
    QFile existing(uca);
    QByteArray text;
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly)) {
            out.errors.append(uca + QStringLiteral(": ") + existing.errorString());
            return out;
        }
        text = existing.readAll();
    }
    if (const auto merged = addThunarActions(text, program))
        writeFile(uca, *merged, false, &out);
    else
        out.errors.append(uca + QStringLiteral(": not a custom-actions file; left as it was"));
    return out;
}

Outcome unregisterIntegration(const InstallRoots& roots) {
    Outcome out;
    removeFile(kdeServiceMenuPath(roots), &out);
    removeEmptyFolders(roots.data, QFileInfo(kdeServiceMenuPath(roots)).path());
    if (const QString folder = nautilusScriptFolder(roots); !folder.isEmpty()) {
        for (const CommandInfo& info : commands())
            removeFile(folder + QLatin1Char('/') + QLatin1String(info.label), &out);
        removeEmptyFolders(roots.data, folder);
    }
    const QString uca = thunarActionsPath(roots);
    QFile existing(uca);
    if (!existing.exists() || !existing.open(QIODevice::ReadOnly))
        return out;
    const auto kept = removeThunarActions(existing.readAll());
    existing.close();
    if (!kept)
        out.errors.append(uca + QStringLiteral(": not a custom-actions file; left as it was"));
    else if (!kept->removedAny)
        return out;
    else if (kept->othersLeft)
        writeFile(uca, kept->text, false, &out);
    else {
        removeFile(uca, &out);
        removeEmptyFolders(roots.config, QFileInfo(uca).path());
    }
    return out;
}

}  // namespace orbpix::menu
