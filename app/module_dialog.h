// What every dialog that talks to the module has in common: the program's
// record (not owned), a status bar of one panel whose text is painted at
// once, centring on the screen, FormShow when shown, the connection test,
// the link the requests take, and a close that waits for a running
// transfer or tick.
#pragma once

#include <memory>

#include <QDialog>
#include <QString>

#include "connection_settings.h"
#include "module/command_set.h"
#include "module/config_transfer.h"
#include "named_widget.h"

class QHBoxLayout;
class QLabel;
class QStatusBar;
class QVBoxLayout;

class ModuleDialog : public QDialog, public rq36::TransferHost {
    Q_OBJECT

public:
    // settings: the program's record, not owned; may be null (the dialog
    // then keeps its design state and its handlers do nothing).
    ModuleDialog(rq36::ConnectionSettings* settings, QWidget* parent);
    ~ModuleDialog() override;

    rq36::ConnectionSettings* Settings() const { return settings_; }

    // The status panel: set and painted at once.
    void SetStatus(const QString& text);
    QString StatusText() const;

    // The path of the requests: the record's bound library, or a module that
    // a test put behind the dialog.
    rq36::ModuleLink& Link();
    void UseLink(rq36::ModuleLink* link);  // not owned; null: the bound library again
    // Tests: the module behind every dialog created from now on (null: none).
    static void UseLinkForNewDialogs(rq36::ModuleLink* link);

    // True when IsConnected holds; otherwise shows " Připojení k modulu není
    // inicializováno." and the caller sends nothing.
    bool ConnectionTest();

    // Transfers report through the dialog.
    void ShowStatus(const QString& text) override { SetStatus(text); }
    void ProcessEvents() override;
    void Pause(int milliseconds) override;
    bool StopRequested() override { return closeRequested_; }

    // While the dialog is busy with the module (a transfer, a tick), a close
    // asked for by "Cancel", Esc or the close box waits: the work in hand
    // ends (a transfer stops after its current byte, a tick runs to its end)
    // and the dialog closes as soon as the outermost busy scope ends.
    bool Busy() const { return busyDepth_ > 0; }
    class BusyScope {
    public:
        // waitCursor: show the wait cursor meanwhile (not for short polls).
        explicit BusyScope(ModuleDialog& dialog, bool waitCursor = true);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        ModuleDialog& dialog_;
        bool waitCursor_;
    };

    void done(int result) override;

protected:
    // Runs each time the dialog is shown by the program.
    virtual void FormShow() {}
    void showEvent(QShowEvent* event) override;

    // The dialog's own controls go into Body(); its buttons into ButtonRow();
    // the status bar lies below both.  The dialog keeps the size its layout
    // asks for (a fixed dialog border).
    QWidget* Body() const { return body_; }
    QHBoxLayout* ButtonRow() const { return buttons_; }
    QStatusBar* StatusBar1 = nullptr;

private:
    rq36::ConnectionSettings* settings_;
    rq36::ModuleLink* link_ = nullptr;
    std::unique_ptr<rq36::BoundModuleLink> boundLink_;
    QWidget* body_ = nullptr;
    QHBoxLayout* buttons_ = nullptr;
    QLabel* panel_ = nullptr;
    int busyDepth_ = 0;
    bool closeRequested_ = false;
    int pendingResult_ = QDialog::Rejected;
};
