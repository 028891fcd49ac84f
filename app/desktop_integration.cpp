#include "desktop_integration.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QUrl>

#include "install_layout.h"
#include "main_window.h"

namespace rq36 {

bool SetUpDesktopIntegration(QCoreApplication& app) {
    // The application name becomes the window class; it stays a plain name
    // so that the launcher's StartupWMClass can match it.  The captions are
    // the windows' own and do not change.
    QCoreApplication::setApplicationName(QString::fromLatin1(kProgramName));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(install_layout::kDesktopFileName));

    // The program speaks Czech whatever the desktop's language, so Qt's own
    // texts follow it.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Czech, QLocale::CzechRepublic), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QString OpenFailedText(const QUrl& url) {
    if (url.isLocalFile())
        return QStringLiteral("Nelze otevřít soubor %1. Není nainstalován program pro zobrazení PDF?")
            .arg(QDir::toNativeSeparators(url.toLocalFile()));
    return QStringLiteral("Nelze otevřít adresu %1. Není nainstalován webový prohlížeč?").arg(url.toString());
}

QString HelpDocumentPath(const QString& executableFolder) {
    const QString name = QString::fromLatin1(kHelpDocument);
    QStringList candidates{name};  // relative: the current working directory
    if (!executableFolder.isEmpty()) {
        candidates << QDir(executableFolder).filePath(name)
                   << QDir(executableFolder)
                          .filePath(QString::fromLatin1(install_layout::kDocumentationFolder) + QLatin1Char('/') +
                                    name);
    }
    for (const QString& candidate : candidates) {
        const QFileInfo document(candidate);
        if (document.isFile()) return QDir::cleanPath(document.absoluteFilePath());  // a folder is no document
    }
    return {};
}

}  // namespace rq36
