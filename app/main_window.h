// The main window: owns the program's one ConnectionSettings record, offers
// every function through its menu, shows the connected module in its status
// bar, and on closing saves the settings and shuts the interface library.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include <QDateTime>

#include <QMainWindow>
#include <QString>

#include "about_box.h"
#include "connection_settings.h"
#include "module/command_set.h"

class ConnectionPanel;
class ElidedLabel;
class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class TFormKomunikace;
class TFormZaznam;

namespace rq36 {

inline constexpr char kMainWindowCaption[] = " RQ-36  -  nastavení modulu";
inline constexpr char kApplicationTitle[] = "RQ-36 - nastavení modulu";
inline constexpr char kHelpDocument[] = "W_rq36_Napoveda.pdf";
inline constexpr char kHelpMissingText[] = "Nenalezen soubor W_rq36_Napoveda.pdf";
inline constexpr char kNoRecordText[] = "Nelze vytvořit datové struktury programu";

// What the main window does at its edges with the outside world; tests
// replace these, the program keeps the defaults (empty members).
struct MainWindowHooks {
    // The settings file; empty: the program's own (SettingsFilePath()).
    QString settingsPath;
    // Creates the record; a null result is the "cannot create" case.
    std::function<std::unique_ptr<ConnectionSettings>()> createRecord;
    // Tells the user that the settings could not be saved (default: a
    // warning box and a line on stderr).  Closing goes on afterwards.
    std::function<void(const QString& message)> reportSaveFailure;
    // Shows a message box (the missing help document).
    std::function<void(const QString& message)> showMessage;
    // Asks a yes/no question (default: a question box); true for yes.
    std::function<bool(const QString& question)> askQuestion;
    // Opens a document or web address with the desktop's handler.
    UrlOpener openUrl;
    // The module behind every dialog the window opens (not owned); null:
    // the record's bound library.
    ModuleLink* moduleLink = nullptr;
};

}  // namespace rq36

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr, rq36::MainWindowHooks hooks = {});
    ~TForm1() override;

    // The record, or null when it could not be created or was freed.
    rq36::ConnectionSettings* Settings() const { return settings_.get(); }
    QString PanelText(int panel) const;
    // The traffic monitor once it was opened, else null.
    TFormKomunikace* Monitor() const { return monitor_.get(); }
    // The client area: the connection at a glance.
    ConnectionPanel* Overview() const { return overview_; }
    // The recorder window once it was opened, else null.
    TFormZaznam* Recorder() const { return recorder_.get(); }

public slots:
    void Pipojen1Click();
    void VyhledatModuly1Click();
    // Opens (or brings to the front) the traffic monitor.
    void Komunikace1Click();
    // The restart dialog; afterwards, when the module now communicates
    // otherwise than the connection, the offer to connect anew.
    void Restartmodulu1Click();
    // Opens (or brings to the front) the recorder window.
    void ZaznamGraf1Click();
    void Konec2Click();
    void Oprogramu1Click();
    void Npovda2Click();
    // The refresh after the connection dialog has closed (the client area
    // too).
    void RefreshStatusBar();
    // The client area's rows from the record and the last exchange.
    void RefreshOverview();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    void ShowMessage(const QString& message);
    bool Ask(const QString& question);
    void NoteExchange(bool succeeded, std::int64_t startedMs);
    QAction* AddItem(QMenu* menu, const QString& caption, const char* name);
    template <typename Dialog>
    void OpenDialog();

    rq36::MainWindowHooks hooks_;
    std::unique_ptr<rq36::ConnectionSettings> settings_;
    bool closed_ = false;
    std::array<ElidedLabel*, 4> panels_{};
    ConnectionPanel* overview_ = nullptr;
    std::optional<QDateTime> lastSuccess_;
    bool overviewPending_ = false;  // a refresh after exchanges is on its way
    // A window of its own (no owner), so that the dialogs that block the
    // main window leave it usable.
    std::unique_ptr<TFormKomunikace> monitor_;
    // The same for the recorder; it records on while the dialogs are open.
    std::unique_ptr<TFormZaznam> recorder_;
};
