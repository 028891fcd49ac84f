#include "module/config_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "interface/reconnect_offer.h"

using rq36::Named;

ConfigDialog::ConfigDialog(rq36::ConnectionSettings* settings, QWidget* parent,
                           std::span<const rq36::ConfigByteSlot> run, rq36::TransferPacing pacing)
    : ModuleDialog(settings, parent), run_(run), pacing_(pacing) {
    Button1 = AddButton("Zapsat", "Button1", &ConfigDialog::Button1Click);
    Button2 = AddButton("Přečíst", "Button2", &ConfigDialog::Button2Click);
    Button3 = AddButton("Ok", "Button3", &ConfigDialog::Button3Click);
    Button4 = AddButton("Cancel", "Button4", &ConfigDialog::Button4Click);
}

void ConfigDialog::FormShow() {
    if (Settings() == nullptr) return;
    working_ = Settings()->ConfigImage;
    ZapisOkno();
    SetStatus(QStringLiteral(" "));
}

// A run transferred in full tells what the module's memory holds (its
// communication settings matter after its next restart).
void ConfigDialog::PrectiData() {
    if (rq36::ReadConfigBytes(Link(), *this, run_, working_, pacing_) == rq36::TransferResult::Done && Settings())
        rq36::NoteModuleHeld(*Settings(), run_, working_);
}

void ConfigDialog::ZapisData() {
    const rq36::ConfigImageBytes written = working_;
    if (rq36::WriteConfigBytes(Link(), *this, run_, written, pacing_) == rq36::TransferResult::Done && Settings())
        rq36::NoteModuleHeld(*Settings(), run_, written);
}

// While a transfer runs the buttons still take clicks (the transfer lets
// window messages through), but a second transfer is not started inside it.
void ConfigDialog::Button2Click() {
    TalkToModule([this] {
        PrectiData();
        ZapisOkno();
    });
}

void ConfigDialog::Button1Click() {
    TalkToModule([this] {
        PrectiOkno();
        if (StatusText().size() <= 1) ZapisData();
    });
}

void ConfigDialog::Button3Click() {
    if (Settings() == nullptr || Busy()) return;
    PrectiOkno();
    if (StatusText().size() == 1) Settings()->ConfigImage = working_;
    accept();
}

void ConfigDialog::Button4Click() { reject(); }
