#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace orbpix::menu {

// The three publishing commands of the submenu, in menu order.
enum class Command { Email, Html, Local };

struct CommandInfo {
    Command command;
    const char* word;   // on OrbMenu's own command line
    const char* flag;   // the album program's switch, without the dash
    const char* label;  // the menu text
};

// All three, in menu order.
const CommandInfo (&commands())[3];
std::optional<Command> commandForWord(const QString& word);
const CommandInfo& infoFor(Command command);

// True for the file names the submenu is offered for, by extension, without regard to case.
bool isPicture(const QString& path);
// The extension patterns ("*.bmp", ...) in menu-registration order.
QStringList picturePatterns();

// A name the album program's argument-file reader cannot take back whole: a double quote
// would end it early and a line break would end the line.
bool canHandOver(const QString& path);

// The single line of the argument file: "-Switch", then for each file a blank and the path
// in double quotes. UTF-8, no line end.
QByteArray argumentLine(Command command, const QStringList& files);

// The user's own folder for the argument file: $XDG_RUNTIME_DIR when it is usable, else a
// folder under /tmp made for this user alone. An error text on failure.
struct FolderResult {
    QString folder;
    QString error;
};
FolderResult argumentFolder();

// Writes the line to folder/"~orb.args", replacing an earlier file; never follows a link.
// An empty text on success, else what went wrong.
QString writeArgumentFile(const QString& folder, const QByteArray& line);

inline constexpr const char* kArgumentFileName = "~orb.args";

}  // namespace orbpix::menu
