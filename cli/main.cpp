// rq36: the RQ-36 module from the command line (man rq36).
#include <QCoreApplication>

#include "cli.h"
#include "desktop_integration.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    // W_RQ36's name, so that the user's settings file is the program's.
    QCoreApplication::setApplicationName(QString::fromLatin1(rq36::kProgramName));
    return rq36::cli::Run(QCoreApplication::arguments());
}
