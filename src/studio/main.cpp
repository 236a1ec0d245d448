#include <QApplication>

#include "shell/ProgramFolder.h"
#include "studio/StudioApp.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    orbpix::StudioApp studio(orbpix::programFolder() + QStringLiteral("/OrbPixStudio"));
    return studio.run(arguments);
}
