// What every dialog that talks to the module has in common: the program's
// record (not owned), a status bar of one panel whose text is painted at
// once, centring on the screen, FormShow when shown, the one guarded way to
// talk to the module, the link the requests take, and a close that waits
// for a running transfer or tick.
#pragma once

#include <functional>
#include <memory>

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QString>

#include "connection_settings.h"
#include "module/command_set.h"
#include "module/module_host.h"
#include "named_widget.h"

class QLabel;
class QStatusBar;
class QVBoxLayout;

class ModuleDialog : public QDialog, public rq36::ModuleHost {
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
    // The library's text for a reply's status, after one blank.
    void ShowReplyStatus(const rq36::ModuleReply& reply) { ShowLinkStatus(Link(), reply.status); }

    // The path of the requests: the record's bound library, or a module put
    // behind the dialog by whoever opened it (the main window's hooks).
    rq36::ModuleLink& Link();
    void UseLink(rq36::ModuleLink* link);  // not owned; null: the bound library again

    // True when IsConnected holds; otherwise shows " Připojení k modulu není
    // inicializováno." and the caller sends nothing.
    bool ConnectionTest();

    // The one way a handler talks to the module: nothing without a record,
    // nothing while the dialog is already busy with the module (a click let
    // in by a running transfer starts no second one), the connection test,
    // then `work` as busy work.  True when `work` ran.
    enum class Cursor { Wait, Normal };
    bool TalkToModule(const std::function<void()>& work, Cursor cursor = Cursor::Wait);

    // Transfers report through the dialog.
    void ShowStatus(const QString& text) override { SetStatus(text); }
    void ProcessEvents() override;
    void Pause(int milliseconds) override;
    bool StopRequested() override { return closeRequested_; }

    // While the dialog is busy with the module (a transfer, a tick), a close
    // asked for by "Cancel", Esc or the close box waits: the work in hand
    // ends (a write and a tick run to their end, a read stops after its
    // current byte), the status panel meanwhile says the dialog is closing
    // under the wait cursor, and the dialog closes as soon as the outermost
    // busy scope ends.
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

    // A button of the button row, in the order added: its caption and
    // object name, never a default button; a click runs `slot`.
    template <typename D>
    QPushButton* AddButton(const char* caption, const char* name, void (D::*slot)()) {
        auto* button = rq36::Named(new QPushButton(QString::fromUtf8(caption), this), name);
        button->setAutoDefault(false);
        buttons_->addWidget(button);
        connect(button, &QPushButton::clicked, static_cast<D*>(this), slot);
        return button;
    }
    // The one button of a view, centred.
    template <typename D>
    QPushButton* AddCentredButton(const char* caption, const char* name, void (D::*slot)()) {
        buttons_->addStretch();
        QPushButton* button = AddButton(caption, name, slot);
        buttons_->addStretch();
        return button;
    }
    QStatusBar* StatusBar1 = nullptr;

private:
    rq36::ConnectionSettings* settings_;
    rq36::ModuleLink* link_ = nullptr;
    std::unique_ptr<rq36::ConnectionSettings> ownRecord_;
    std::unique_ptr<rq36::BoundModuleLink> boundLink_;
    QWidget* body_ = nullptr;
    QHBoxLayout* buttons_ = nullptr;
    QLabel* panel_ = nullptr;
    int busyDepth_ = 0;
    bool closeRequested_ = false;
    int pendingResult_ = QDialog::Rejected;
    bool closingCursor_ = false;
};

namespace rq36 {
// Shown while a dialog closed during its work finishes it.
inline constexpr char kClosingText[] = " Dokončuje se práce s modulem, okno se poté zavře.";
}  // namespace rq36
