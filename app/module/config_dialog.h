// The pattern the three configuration dialogs share: a working copy of
// ConfigImage, "Přečíst" reading the dialog's run of configuration bytes from
// the module, "Zapsat" writing it back with a read-back of every byte, "Ok"
// keeping the working copy in the record, "Cancel".  A dialog supplies its
// run of addresses, its controls, PrectiOkno and ZapisOkno.
#pragma once

#include <span>

#include "module/config_transfer.h"
#include "module_dialog.h"

class QPushButton;

class ConfigDialog : public ModuleDialog {
    Q_OBJECT

public:
    ConfigDialog(rq36::ConnectionSettings* settings, QWidget* parent, std::span<const rq36::ConfigByteSlot> run,
                 rq36::TransferPacing pacing = rq36::TransferPacing::Standard);

    const rq36::ConfigImageBytes& Working() const { return working_; }

    // Takes the controls into the working copy, validating them; on success
    // the status panel holds a single blank.
    virtual void PrectiOkno() = 0;
    // Shows the working copy in the controls.
    virtual void ZapisOkno() = 0;

    void PrectiData();
    void ZapisData();

public slots:
    void Button1Click();  // "Zapsat"
    void Button2Click();  // "Přečíst"
    void Button3Click();  // "Ok"
    void Button4Click();  // "Cancel"

protected:
    void FormShow() override;
    rq36::ConfigImageBytes& Image() { return working_; }

    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;

private:
    std::span<const rq36::ConfigByteSlot> run_;
    rq36::TransferPacing pacing_;
    rq36::ConfigImageBytes working_ = rq36::DefaultConfigImage();
};
