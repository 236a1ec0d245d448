#include <QApplication>
#include <cstdio>

#include "shell/ProgramFolder.h"
#include "studio/StudioApp.h"

int main(int argc, char** argv) {
    // Help needs neither a display nor the settings, so it is answered before either.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (orbpix::StudioApp::asksForHelp(arguments)) {
        std::fputs(orbpix::StudioApp::usageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    QApplication app(argc, argv);
    arguments = QApplication::arguments();
    arguments.removeFirst();
    orbpix::StudioApp studio(orbpix::programFolder() + QStringLiteral("/OrbPixStudio"));
    return studio.run(arguments);
}
