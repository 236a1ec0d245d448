// OrbMenu: the file managers' "Orbworks" submenu. It hands the selected pictures to the
// album program through the argument file and installs or removes the submenu itself.
#include <QDir>
#include <QFile>
#include <QProcess>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "menuext/ExeSetting.h"
#include "menuext/Handover.h"
#include "menuext/Integration.h"
#include "menuext/Notice.h"
#include "menuext/Selection.h"

using namespace orbpix::menu;

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  OrbMenu email|html|local FILE...   hand the pictures to the album program to\n"
    "                                     e-mail them, save them as a web page or save\n"
    "                                     them as a tour on a local drive\n"
    "  OrbMenu --register [--system]      add the Orbworks submenu to the file managers\n"
    "  OrbMenu --unregister [--system]    remove it again\n"
    "  OrbMenu --help                     show this text\n"
    "\n"
    "The submenu is added for the current user; --system adds it for every user (in the\n"
    "first folders of XDG_DATA_DIRS and XDG_CONFIG_DIRS). It is offered in Dolphin and\n"
    "Konqueror (service menu), Nautilus (Scripts) and Thunar (custom actions).\n"
    "The album program is the one named by \"Exe\" in the [Settings] group of\n"
    "Orbworks/OrbPixStudio.conf, which it writes whenever it starts.\n";

void print(std::FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

int install(bool remove, bool system) {
    const QString program = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    const InstallRoots roots = installRoots(system);
    const Outcome out = remove ? unregisterIntegration(roots) : registerIntegration(roots, program);
    for (const QString& file : out.files)
        print(stdout, (remove ? QStringLiteral("removed ") : QStringLiteral("wrote ")) + file);
    for (const QString& error : out.errors)
        print(stderr, QStringLiteral("OrbMenu: ") + error);
    return out.errors.isEmpty() ? 0 : 1;
}

int publish(int argc, char** argv, Command command, const QStringList& files) {
    const auto exe = findExe();
    if (!exe) {
        showNotice(argc, argv,
                   QStringLiteral("The album program was not found (%1). Start OrbPixStudio "
                                  "once so that it records where it is.")
                       .arg(QString::fromLocal8Bit(std::strerror(ENOENT))));
        return 2;
    }
    const Selection selection = selectPictures(files, QDir::currentPath());
    for (const QString& note : selection.leftOut)
        print(stderr, QStringLiteral("OrbMenu: left out ") + note);
    if (!files.isEmpty() && selection.pictures.isEmpty()) {
        showNotice(argc, argv, QStringLiteral("None of the selected files can be published."));
        return 1;
    }
    const FolderResult folder = argumentFolder();
    QString error = folder.error;
    if (error.isEmpty())
        error = writeArgumentFile(folder.folder, argumentLine(command, selection.pictures));
    const QString argumentFile = folder.folder + QLatin1Char('/') + kArgumentFileName;
    if (error.isEmpty() &&
        !QProcess::startDetached(*exe, {QStringLiteral("-OrbArgs"), argumentFile}))
        error = QStringLiteral("The album program %1 could not be started.").arg(*exe);
    if (error.isEmpty())
        return 0;
    showNotice(argc, argv, error);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const QString first = args.value(0);
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (first == QLatin1String("--register") || first == QLatin1String("--unregister")) {
        const bool system = args.size() == 2 && args[1] == QLatin1String("--system");
        if (args.size() > 2 || (args.size() == 2 && !system)) {
            std::fputs(kUsage, stderr);
            return 64;
        }
        return install(first == QLatin1String("--unregister"), system);
    }
    const auto command = commandForWord(first);
    if (!command) {
        std::fputs(kUsage, stderr);
        return 64;
    }
    return publish(argc, argv, *command, args.mid(1));
}
