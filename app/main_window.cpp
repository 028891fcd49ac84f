#include "main_window.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProxyStyle>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#include "calibration/calibration_dialog.h"
#include "connection_panel.h"
#include "desktop_integration.h"
#include "elided_label.h"
#include "interface/binding.h"
#include "interface/connection_dialog.h"
#include "interface/exchange_trace.h"
#include "interface/reconnect_offer.h"
#include "interface/scan_dialog.h"
#include "interface/traffic_monitor.h"
#include "live/analog_view.h"
#include "live/counter_view.h"
#include "live/digital_views.h"
#include "live/recorder_window.h"
#include "live/status_view.h"
#include "module/analog_range_dialog.h"
#include "module/communication_dialog.h"
#include "module/digital_options_dialog.h"
#include "module/module_host.h"
#include "module/restart_dialog.h"
#include "module/snapshot_dialogs.h"

namespace {

constexpr std::array<int, 4> kPanelWidths = {140, 80, 120, 50};
constexpr std::array<const char*, 4> kInitialPanelTexts = {" Modul", " Adresa", " Rychlost", ""};
// Exchanges come many a second while a live view runs; the client area
// shows the last one's time after at most this wait, once for them all.
constexpr int kOverviewDelayMs = 300;

// The window that watches the exchanges (the one observer there is).
TForm1* exchangeWatcher = nullptr;

// A menu bar that puts every item after a separator at its right end; the
// items stay in the one bar, so keyboard navigation, screen readers and a
// desktop's global menu all see them.
class RightEndMenuStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_DrawMenuBarSeparator) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

// Every dialog of the menu is created for one use, shown modally with the
// main window as owner, and destroyed when it closes; without the record the
// item does nothing.
template <typename Dialog>
void TForm1::OpenDialog() {
    if (!settings_) return;
    Dialog dialog(settings_.get(), this);
    dialog.UseLink(hooks_.moduleLink);
    dialog.exec();
}

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
    QMenu* connectionMenu = bar->addMenu(QStringLiteral("&Připojení"));
    connectionMenu->setObjectName(QStringLiteral("Pipojeni2"));
    connect(AddItem(connectionMenu, QStringLiteral("Připojení modulu…"), "Pipojen1"), &QAction::triggered, this,
            &TForm1::Pipojen1Click);
    connect(AddItem(connectionMenu, QStringLiteral("Vyhledat moduly…"), "Vyhledatmoduly1"), &QAction::triggered, this,
            &TForm1::VyhledatModuly1Click);
    connect(AddItem(connectionMenu, QStringLiteral("Komunikace…"), "Komunikace1"), &QAction::triggered, this,
            &TForm1::Komunikace1Click);

    QMenu* settingsMenu = bar->addMenu(QStringLiteral("&Nastavení"));
    settingsMenu->setObjectName(QStringLiteral("Nastaven1"));
    connect(AddItem(settingsMenu, QStringLiteral("Adresa, rychlost"), "AdresaRychlost1"), &QAction::triggered, this,
            &TForm1::OpenDialog<TForm12>);
    connect(AddItem(settingsMenu, QStringLiteral("Analogové vstupy"), "NastavAIN1"), &QAction::triggered, this,
            &TForm1::OpenDialog<TForm13>);
    connect(AddItem(settingsMenu, QStringLiteral("Digitální vstupy/výstupy"), "NastavDIO1"), &QAction::triggered, this,
            &TForm1::OpenDialog<TForm14>);
    connect(AddItem(settingsMenu, QStringLiteral("Kalibrace vstupů"), "Kalibracevstup1"), &QAction::triggered, this,
            &TForm1::OpenDialog<TForm6>);
    connect(AddItem(settingsMenu, QStringLiteral("Restart modulu"), "Restartmodulu1"), &QAction::triggered, this,
            &TForm1::Restartmodulu1Click);
    // Snapshots of the whole configuration in files, and the kept
    // calibration records.
    settingsMenu->addSeparator();
    const auto snapshotItem = [this, settingsMenu](const QString& caption, const char* name, rq36::SnapshotMode mode) {
        connect(AddItem(settingsMenu, caption, name), &QAction::triggered, this,
                [this, mode] { rq36::OpenSnapshotDialog(mode, settings_.get(), this); });
    };
    snapshotItem(QStringLiteral("Uložit konfiguraci do souboru…"), "UlozitKonfiguraci1", rq36::SnapshotMode::Save);
    snapshotItem(QStringLiteral("Porovnat s modulem…"), "PorovnatModul1", rq36::SnapshotMode::Compare);
    snapshotItem(QStringLiteral("Obnovit konfiguraci ze souboru…"), "ObnovitKonfiguraci1", rq36::SnapshotMode::Restore);
    snapshotItem(QStringLiteral("Klonovat na další moduly…"), "KlonovatModuly1", rq36::SnapshotMode::Clone);
    connect(AddItem(settingsMenu, QStringLiteral("Obnovit kalibraci ze zálohy…"), "ObnovitKalibraci1"),
            &QAction::triggered, this, [this] { rq36::RestoreCalibrationBackupItem(settings_.get(), this); });

    QMenu* liveMenu = bar->addMenu(QStringLiteral("&Okamžité hodnoty"));
    liveMenu->setObjectName(QStringLiteral("Okamithodnoty1"));
    connect(AddItem(liveMenu, QStringLiteral("Analogové vstupy"), "OkamAIN2"), &QAction::triggered, this,
            &TForm1::OpenDialog<TForm3>);
    connect(AddItem(liveMenu, QStringLiteral("Čítače"), "OkamCNT"), &QAction::triggered, this,
            &TForm1::OpenDialog<TForm4>);
    connect(AddItem(liveMenu, QStringLiteral("Digitální vstupy"), "OkamDIN2"), &QAction::triggered, this,
            &TForm1::OpenDialog<TFormOkamDIN>);
    connect(AddItem(liveMenu, QStringLiteral("Digitální výstupy"), "OkamDOUT1"), &QAction::triggered, this,
            &TForm1::OpenDialog<TFormOkamDOUT>);
    connect(AddItem(liveMenu, QStringLiteral("Status registr"), "Statusregistr1"), &QAction::triggered, this,
            &TForm1::OpenDialog<TForm15>);
    connect(AddItem(liveMenu, QStringLiteral("Záznam a graf…"), "ZaznamGraf1"), &QAction::triggered, this,
            &TForm1::ZaznamGraf1Click);

    QAction* quit = bar->addAction(QStringLiteral("&Konec"));
    quit->setObjectName(QStringLiteral("Konec2"));
    connect(quit, &QAction::triggered, this, &TForm1::Konec2Click);

    // "Nápověda" sits at the right end of the bar.
    auto* style = new RightEndMenuStyle;
    style->setParent(bar);
    bar->setStyle(style);
    bar->addSeparator();
    QMenu* helpMenu = bar->addMenu(QStringLiteral("Nápověda"));
    helpMenu->setObjectName(QStringLiteral("Npovda1"));
    QAction* about = AddItem(helpMenu, QStringLiteral("O programu"), "Oprogramu1");
    connect(about, &QAction::triggered, this, &TForm1::Oprogramu1Click);
    QAction* help = AddItem(helpMenu, QStringLiteral("Nápověda"), "Npovda2");
    connect(help, &QAction::triggered, this, &TForm1::Npovda2Click);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(help);  // F1 anywhere in the window, the menu closed

    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);
    // The longest text each panel shows; a panel is widened beyond its
    // design width when the desktop's font needs more room for it.
    const std::array<const char*, 3> widest = {" Modul  RQ-36    v.1.06", " Adresa  255", " Rychlost  115200Bd"};
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        // A text longer than its panel is cut in the middle, whole in the
        // tooltip.
        auto* panel = new ElidedLabel(status);
        panel->SetText(QString::fromUtf8(kInitialPanelTexts[i]));
        panel->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i + 1 < panels_.size()) {
            const int needed =
                panel->fontMetrics().horizontalAdvance(QString::fromUtf8(widest[i])) + 2 * panel->frameWidth() + 6;
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

    // The client area: the connection, and buttons for the items a user
    // opens most.
    overview_ = new ConnectionPanel(this);
    setCentralWidget(overview_);
    const auto item = [this](const char* name) { return findChild<QAction*>(QString::fromLatin1(name)); };
    overview_->AddButtons({}, {item("Pipojen1"), item("Vyhledatmoduly1"), item("Komunikace1")});
    overview_->AddButtons(QStringLiteral("Okamžité hodnoty"),
                          {item("OkamAIN2"), item("OkamCNT"), item("OkamDIN2"), item("Statusregistr1")});
    overview_->AddButtons(QStringLiteral("Nastavení"), {item("AdresaRychlost1"), item("NastavAIN1")});
    RefreshOverview();
    // Every request reports its exchange here (all on this thread).
    exchangeWatcher = this;
    rq36::SetExchangeObserver(
        [this](const rq36::ExchangeRecord& record) { NoteExchange(!record.Failed(), record.startedMs); });
}

TForm1::~TForm1() {
    if (exchangeWatcher != this) return;
    exchangeWatcher = nullptr;
    rq36::SetExchangeObserver({});
}

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
        panels_[3]->SetText(rq36::StatusLine(QString::fromUtf8(rq36::kNoRecordText)));
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
    RefreshOverview();
    // Without an open connection no module is shown: the panels read as at
    // start, never the identity of a module the program no longer reaches.
    if (!rq36::IsConnected(settings_.get())) {
        for (std::size_t i = 0; i < 3; ++i) panels_[i]->SetText(QString::fromUtf8(kInitialPanelTexts[i]));
        return;
    }
    panels_[0]->SetText(QStringLiteral(" Modul  ") + settings_->ModuleIdentity);
    panels_[1]->SetText(QStringLiteral(" Adresa  ") + QString::number(settings_->ModuleAddress));
    panels_[2]->SetText(QStringLiteral(" Rychlost  ") + QString::number(settings_->Speed) + QStringLiteral("Bd"));
}

void TForm1::RefreshOverview() {
    overviewPending_ = false;
    if (!overview_) return;
    if (!settings_) {
        overview_->setEnabled(false);
        return;
    }
    overview_->ShowRows(rq36::ConnectionOverviewRows(*settings_, lastSuccess_));
}

void TForm1::NoteExchange(bool succeeded, std::int64_t startedMs) {
    if (!succeeded) return;
    lastSuccess_ = QDateTime::fromMSecsSinceEpoch(startedMs, Qt::UTC);
    if (overviewPending_) return;
    overviewPending_ = true;
    QTimer::singleShot(kOverviewDelayMs, this, &TForm1::RefreshOverview);
}

void TForm1::Pipojen1Click() {
    if (!settings_) return;
    {
        TFormPripojeni dialog(settings_.get(), this);
        dialog.exec();
    }
    RefreshStatusBar();
}

void TForm1::VyhledatModuly1Click() {
    if (!settings_) return;
    {
        TFormVyhledani dialog(settings_.get(), this);
        dialog.exec();
    }
    // A module connected from the scan window shows in the panels.
    RefreshStatusBar();
}

void TForm1::Komunikace1Click() {
    if (!monitor_) {
        monitor_ = std::make_unique<TFormKomunikace>();
        // On the main window's screen, beside it where there is room.
        if (const QScreen* screen = this->screen()) {
            const QRect area = screen->availableGeometry();
            const QSize size = monitor_->size().boundedTo(area.size());
            monitor_->resize(size);
            QPoint at = frameGeometry().topRight() + QPoint(8, 0);
            at.setX(std::min(at.x(), area.right() - size.width()));
            at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - size.height())));
            monitor_->move(at);
        }
    }
    monitor_->show();
    monitor_->raise();
    monitor_->activateWindow();
}

void TForm1::Restartmodulu1Click() {
    if (!settings_) return;
    bool restarted = false;
    {
        TFormRestartModulu dialog(settings_.get(), this);
        dialog.UseLink(hooks_.moduleLink);
        dialog.exec();
        restarted = dialog.Restarted();
    }
    if (!restarted || !settings_) return;
    const std::optional<rq36::ReconnectOffer> offer = rq36::OfferAfterRestart(*settings_);
    if (!offer || !Ask(offer->question)) return;
    // The connection dialog with the new settings, connecting at once: its
    // own sequence and texts, and the user sees how it ended.
    rq36::ApplyReconnectOffer(*settings_, *offer);
    {
        TFormPripojeni dialog(settings_.get(), this);
        dialog.ConnectWhenShown();
        dialog.exec();
    }
    RefreshStatusBar();
}

void TForm1::ZaznamGraf1Click() {
    if (!settings_) return;
    if (!recorder_) {
        recorder_ = std::make_unique<TFormZaznam>(settings_.get(), hooks_.moduleLink);
        // On the main window's screen, over its lower right part where there
        // is room, so that the monitor beside it stays in view.
        if (const QScreen* screen = this->screen()) {
            const QRect area = screen->availableGeometry();
            const QSize size = recorder_->size().boundedTo(area.size());
            recorder_->resize(size);
            QPoint at = frameGeometry().center();
            at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - size.width())));
            at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - size.height())));
            recorder_->move(at);
        }
    }
    recorder_->show();
    recorder_->raise();
    recorder_->activateWindow();
}

void TForm1::Konec2Click() { close(); }

void TForm1::Oprogramu1Click() {
    TFormOProgramu box(this, hooks_.openUrl, [this](const QString& m) { ShowMessage(m); });
    box.exec();
}

void TForm1::ShowMessage(const QString& message) {
    if (hooks_.showMessage) {
        hooks_.showMessage(message);
    } else {
        QMessageBox::information(this, QString::fromUtf8(rq36::kApplicationTitle), message);
    }
}

bool TForm1::Ask(const QString& question) {
    if (hooks_.askQuestion) return hooks_.askQuestion(question);
    return QMessageBox::question(this, QString::fromUtf8(rq36::kApplicationTitle), question,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

void TForm1::Npovda2Click() {
    // The working directory first, then beside the program and in its
    // installed documentation folder, so that a program started from its
    // launcher finds its manual.
    const QString document = rq36::HelpDocumentPath(QCoreApplication::applicationDirPath());
    if (!document.isEmpty()) {
        const QUrl url = QUrl::fromLocalFile(document);
        // Without a PDF viewer nothing opens: say so, with the file's path.
        const bool opened = hooks_.openUrl ? hooks_.openUrl(url) : QDesktopServices::openUrl(url);
        if (!opened) ShowMessage(rq36::OpenFailedText(url));
        return;
    }
    ShowMessage(QString::fromUtf8(rq36::kHelpMissingText));
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    QMainWindow::closeEvent(event);
}

void TForm1::FormClose() {
    if (closed_) return;
    closed_ = true;
    // A recording ends first (its rows are in the file already): it uses
    // the record and the connection, both gone below.
    recorder_.reset();
    if (!settings_) return;

    // The settings file first, connected or not.
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

    // Then Done and unload; the result is of no use any more.
    if (settings_->Connected && settings_->LibraryHandle != 0) rq36::CloseConnection(*settings_);

    settings_.reset();
}
