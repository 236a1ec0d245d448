#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "menuext/Handover.h"

namespace orbpix::menu {

// Where the file-manager integration goes: the user's data and configuration folders, or the
// machine's shared ones for every user.
struct InstallRoots {
    QString data;    // $XDG_DATA_HOME (~/.local/share) or the first of $XDG_DATA_DIRS
    QString config;  // $XDG_CONFIG_HOME (~/.config) or the first of $XDG_CONFIG_DIRS
    bool system = false;
};
InstallRoots installRoots(bool system);

// Quoting of one argument: for the Exec key of a desktop entry (with the key's own escapes
// applied), and for a POSIX shell command line.
QString desktopExecArgument(const QString& argument);
QString shellArgument(const QString& argument);

// The desktop entry of the KDE service menu: an "Orbworks" submenu with the three commands.
QString kdeServiceMenu(const QString& program);
// One script of the Nautilus scripts submenu (also read by its forks).
QString nautilusScript(const QString& program, Command command);

// Thunar keeps all custom actions in one XML file. Adds ours (replacing earlier ones of ours)
// and keeps everything else; nothing when the existing text is not such a file.
std::optional<QByteArray> addThunarActions(const QByteArray& existing, const QString& program);
// Takes ours out again; nothing when the text is not such a file.
struct ThunarRemoval {
    QByteArray text;
    bool removedAny = false;
    bool othersLeft = false;
};
std::optional<ThunarRemoval> removeThunarActions(const QByteArray& existing);

// The files the integration consists of below the roots.
QString kdeServiceMenuPath(const InstallRoots& roots);
QString nautilusScriptFolder(const InstallRoots& roots);  // empty for the machine
QString thunarActionsPath(const InstallRoots& roots);

// Installs or removes every form; the files touched and the problems met.
struct Outcome {
    QStringList files;
    QStringList errors;
};
Outcome registerIntegration(const InstallRoots& roots, const QString& program);
Outcome unregisterIntegration(const InstallRoots& roots);

}  // namespace orbpix::menu
