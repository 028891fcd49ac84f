// How the program fits into the desktop it is installed on: its name for the
// launcher, Qt's own texts in Czech, and where the help document is found.
#pragma once

#include <QString>

class QCoreApplication;

class QUrl;

namespace rq36 {

// The program's name as the desktop sees it (window class, launcher match).
inline constexpr char kProgramName[] = "W_RQ36";

// Names the application and its launcher, and loads Qt's own Czech texts
// (standard buttons, the edit fields' context menu).  False when Qt's
// Czech translations are not installed; the program then runs with Qt's
// built-in English for those few texts.
bool SetUpDesktopIntegration(QCoreApplication& app);

// The help document to open: the file in the current working directory
// first, then beside the executable, then in the installed documentation
// folder (relative to the executable's folder).  Empty when none exists.
QString HelpDocumentPath(const QString& executableFolder);

// What the user is told when the desktop opened nothing: for a local file
// its path, for a web address the address.
QString OpenFailedText(const QUrl& url);

}  // namespace rq36
