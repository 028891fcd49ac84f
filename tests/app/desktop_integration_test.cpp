// The program on the desktop: where the help document is looked for, F1,
// Qt's own texts in Czech, and the names the launcher matches.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QtTest>

#include "desktop_integration.h"
#include "install_layout.h"
#include "main_window.h"

class DesktopIntegrationTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    static void Touch(const QString& path) {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

private slots:
    // An installed layout: bin/ with the program, the documentation folder
    // where the install puts it, and a working directory elsewhere.
    void HelpDocumentOrder() {
        const QString bin = dir_.filePath(QStringLiteral("prefix/bin"));
        const QString work = dir_.filePath(QStringLiteral("work"));
        const QString name = QStringLiteral("W_rq36_Napoveda.pdf");
        const QString installed =
            QDir::cleanPath(bin + QLatin1Char('/') + QString::fromLatin1(rq36::install_layout::kDocumentationFolder) +
                            QLatin1Char('/') + name);
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QDir().mkpath(work));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work));

        QCOMPARE(rq36::HelpDocumentPath(bin), QString());
        QVERIFY(QDir().mkpath(installed));  // a folder of that name is no document
        QCOMPARE(rq36::HelpDocumentPath(bin), QString());
        QVERIFY(QDir().rmdir(installed));
        Touch(installed);
        QCOMPARE(rq36::HelpDocumentPath(bin), installed);
        Touch(bin + QLatin1Char('/') + name);
        QCOMPARE(rq36::HelpDocumentPath(bin), QDir::cleanPath(bin + QLatin1Char('/') + name));
        Touch(work + QLatin1Char('/') + name);
        QCOMPARE(rq36::HelpDocumentPath(bin), QDir::cleanPath(work + QLatin1Char('/') + name));

        QVERIFY(QDir::setCurrent(previous));
    }

    void F1OpensTheHelp() {
        QStringList messages;
        rq36::MainWindowHooks hooks;
        hooks.settingsPath = dir_.filePath(QStringLiteral("W_rq36.ini"));
        hooks.showMessage = [&](const QString& m) { messages << m; };
        hooks.openUrl = [](const QUrl&) { return true; };
        TForm1 w(nullptr, hooks);
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_F1);
        QCOMPARE(messages, QStringList{QStringLiteral("Nenalezen soubor W_rq36_Napoveda.pdf")});
    }

    // Qt's standard texts in Czech; the launcher matches the window by the
    // application name and the desktop file name.
    void CzechQtTextsAndLauncherNames() {
        QVERIFY2(rq36::SetUpDesktopIntegration(*QCoreApplication::instance()),
                 "qtbase_cs.qm missing: install qt6-translations-l10n");
        QCOMPARE(QCoreApplication::translate("QLineEdit", "&Undo"), QStringLiteral("&Zpět"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("W_RQ36"));
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("com.example.w_rq36"));
    }
};

QTEST_MAIN(DesktopIntegrationTest)
#include "desktop_integration_test.moc"
