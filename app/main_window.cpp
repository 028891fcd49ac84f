#include "main_window.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QUrl>

#include "desktop_integration.h"
#include "interface/binding.h"
#include "interface/connection_dialog.h"

namespace rq36 {

QString SaveFailureMessage(const QString& path, const QString& reason) {
    // The reason usually names the file already.
    if (reason.contains(QDir::toNativeSeparators(path)) || reason.contains(path))
        return QStringLiteral("Nastavení programu se nepodařilo uložit.\n") + reason;
    QString message =
        QStringLiteral("Nastavení programu se nepodařilo uložit do souboru %1.").arg(QDir::toNativeSeparators(path));
    if (!reason.isEmpty()) message += QLatin1Char('\n') + reason;
    return message;
}

}  // namespace rq36

namespace {

constexpr std::array<int, 4> kPanelWidths = {140, 80, 120, 50};

}  // namespace

TForm1::TForm1(QWidget* parent, rq36::MainWindowHooks hooks) : QMainWindow(parent), hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(rq36::kMainWindowCaption));
    resize(600, 400);
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }

    // Menu, in display order; "Připojení" and "Konec" are commands of the
    // bar itself.
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QAction* connection = bar->addAction(QStringLiteral("&Připojení"));
    connection->setObjectName(QStringLiteral("Pipojen1"));
    connect(connection, &QAction::triggered, this, &TForm1::Pipojen1Click);

    QMenu* settingsMenu = bar->addMenu(QStringLiteral("&Nastavení"));
    settingsMenu->setObjectName(QStringLiteral("Nastaven1"));
    AddItem(settingsMenu, QStringLiteral("Adresa, rychlost"), "AdresaRychlost1");
    AddItem(settingsMenu, QStringLiteral("Analogové vstupy"), "NastavAIN1");
    AddItem(settingsMenu, QStringLiteral("Digitální vstupy/výstupy"), "NastavDIO1");
    AddItem(settingsMenu, QStringLiteral("Kalibrace vstupů"), "Kalibracevstup1");
    AddItem(settingsMenu, QStringLiteral("Restart modulu"), "Restartmodulu1");

    QMenu* liveMenu = bar->addMenu(QStringLiteral("&Okamžité hodnoty"));
    liveMenu->setObjectName(QStringLiteral("Okamithodnoty1"));
    AddItem(liveMenu, QStringLiteral("Analogové vstupy"), "OkamAIN2");
    AddItem(liveMenu, QStringLiteral("Čítače"), "OkamCNT");
    AddItem(liveMenu, QStringLiteral("Digitální vstupy"), "OkamDIN2");
    AddItem(liveMenu, QStringLiteral("Digitální výstupy"), "OkamDOUT1");
    AddItem(liveMenu, QStringLiteral("Status registr"), "Statusregistr1");

    QAction* quit = bar->addAction(QStringLiteral("&Konec"));
    quit->setObjectName(QStringLiteral("Konec2"));
    connect(quit, &QAction::triggered, this, &TForm1::Konec2Click);

    // "Nápověda" sits at the right end of the bar.
    helpBar_ = new QMenuBar(bar);
    helpBar_->setObjectName(QStringLiteral("HelpMenuBar"));
    QMenu* helpMenu = helpBar_->addMenu(QStringLiteral("Nápověda"));
    helpMenu->setObjectName(QStringLiteral("Npovda1"));
    QAction* about = AddItem(helpMenu, QStringLiteral("O programu"), "Oprogramu1");
    connect(about, &QAction::triggered, this, &TForm1::Oprogramu1Click);
    QAction* help = AddItem(helpMenu, QStringLiteral("Nápověda"), "Npovda2");
    connect(help, &QAction::triggered, this, &TForm1::Npovda2Click);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(help);  // F1 anywhere in the window, the menu closed
    bar->setCornerWidget(helpBar_, Qt::TopRightCorner);

    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);
    const std::array<const char*, 4> initial = {" Modul", " Adresa", " Rychlost", ""};
    // The longest text each panel shows; a panel is widened beyond its
    // design width when the desktop's font needs more room for it.
    const std::array<const char*, 3> widest = {" Modul  RQ-36    v.1.06", " Adresa  255", " Rychlost  115200Bd"};
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        auto* panel = new QLabel(QString::fromUtf8(initial[i]), status);
        panel->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i + 1 < panels_.size()) {
            const int needed = panel->fontMetrics().horizontalAdvance(QString::fromUtf8(widest[i])) +
                               2 * panel->frameWidth() + 6;
            panel->setFixedWidth(std::max(kPanelWidths[i], needed));
            status->addWidget(panel);
        } else {
            // The last panel takes the rest of the bar, so a longer message
            // there stays readable.
            panel->setMinimumWidth(kPanelWidths[i]);
            status->addWidget(panel, 1);
        }
        panels_[i] = panel;
    }

    FormCreate();
}

TForm1::~TForm1() = default;

QAction* TForm1::AddItem(QMenu* menu, const QString& caption, const char* name) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QString TForm1::PanelText(int panel) const {
    if (panel < 0 || panel >= static_cast<int>(panels_.size())) return {};
    return panels_[static_cast<std::size_t>(panel)]->text();
}

void TForm1::FormCreate() {
    if (hooks_.createRecord) {
        settings_ = hooks_.createRecord();
    } else {
        settings_.reset(new (std::nothrow) rq36::ConnectionSettings);
    }
    if (!settings_) {
        panels_[3]->setText(QStringLiteral(" ") + QString::fromUtf8(rq36::kNoRecordText));
        return;
    }
    rq36::SetDefaults(settings_.get());
    // A missing file simply leaves the defaults; nothing is reported.
    if (hooks_.settingsPath.isEmpty()) {
        rq36::LoadSettings(settings_.get());
    } else {
        rq36::LoadSettings(settings_.get(), hooks_.settingsPath);
    }
}

void TForm1::RefreshStatusBar() {
    if (!settings_) return;
    panels_[0]->setText(QStringLiteral(" Modul  ") + settings_->ModuleIdentity);
    panels_[1]->setText(QStringLiteral(" Adresa  ") + QString::number(settings_->ModuleAddress));
    panels_[2]->setText(QStringLiteral(" Rychlost  ") + QString::number(settings_->Speed) + QStringLiteral("Bd"));
}

void TForm1::Pipojen1Click() {
    if (!settings_) return;
    {
        TFormPripojeni dialog(settings_.get(), this);
        dialog.exec();
    }
    RefreshStatusBar();
}

void TForm1::Konec2Click() {
    close();
}

void TForm1::Oprogramu1Click() {
    TFormOProgramu box(this, hooks_.openUrl);
    box.exec();
}

void TForm1::Npovda2Click() {
    // The working directory first, then beside the program and in its
    // installed documentation folder, so that a program started from its
    // launcher finds its manual.
    const QString document = rq36::HelpDocumentPath(QCoreApplication::applicationDirPath());
    if (!document.isEmpty()) {
        const QUrl url = QUrl::fromLocalFile(document);
        // The outcome is not checked: without a PDF viewer nothing opens.
        if (hooks_.openUrl) {
            hooks_.openUrl(url);
        } else {
            QDesktopServices::openUrl(url);
        }
        return;
    }
    const QString message = QString::fromUtf8(rq36::kHelpMissingText);
    if (hooks_.showMessage) {
        hooks_.showMessage(message);
    } else {
        QMessageBox::information(this, QString::fromUtf8(rq36::kApplicationTitle), message);
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    QMainWindow::closeEvent(event);
}

void TForm1::FormClose() {
    if (closed_) return;
    closed_ = true;
    if (!settings_) return;

    // 1. The settings file first, connected or not.
    const QString path = hooks_.settingsPath.isEmpty() ? rq36::SettingsFilePath() : hooks_.settingsPath;
    QString reason;
    if (!rq36::SaveSettings(settings_.get(), path, &reason)) {
        const QString message = rq36::SaveFailureMessage(path, reason);
        std::fprintf(stderr, "W_RQ36: %s\n", message.toLocal8Bit().constData());
        if (hooks_.reportSaveFailure) {
            hooks_.reportSaveFailure(message);
        } else {
            QMessageBox::warning(this, QString::fromUtf8(rq36::kApplicationTitle), message);
        }
    }

    // 2. Done and unload; the result is of no use any more.
    if (settings_->Connected && settings_->LibraryHandle != 0) {
        ors_handle_t handle = settings_->LibraryHandle;
        rq36::CloseInterface(settings_->InterfaceKind, &handle);
        settings_->LibraryHandle = handle;
        settings_->Connected = false;
    }

    // 3.
    settings_.reset();
}
