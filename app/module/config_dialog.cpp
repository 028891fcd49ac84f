#include "module/config_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>

using rq36::Named;

ConfigDialog::ConfigDialog(rq36::ConnectionSettings* settings, QWidget* parent,
                           std::span<const rq36::ConfigByteSlot> run, rq36::TransferPacing pacing)
    : ModuleDialog(settings, parent), run_(run), pacing_(pacing) {
    Button1 = Named(new QPushButton(QStringLiteral("Zapsat"), this), "Button1");
    Button2 = Named(new QPushButton(QStringLiteral("Přečíst"), this), "Button2");
    Button3 = Named(new QPushButton(QStringLiteral("Ok"), this), "Button3");
    Button4 = Named(new QPushButton(QStringLiteral("Cancel"), this), "Button4");
    for (QPushButton* b : {Button1, Button2, Button3, Button4}) {
        b->setAutoDefault(false);
        ButtonRow()->addWidget(b);
    }
    connect(Button1, &QPushButton::clicked, this, &ConfigDialog::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &ConfigDialog::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &ConfigDialog::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &ConfigDialog::Button4Click);
}

void ConfigDialog::FormShow() {
    if (Settings() == nullptr) return;
    working_ = Settings()->ConfigImage;
    ZapisOkno();
    SetStatus(QStringLiteral(" "));
}

void ConfigDialog::PrectiData() { rq36::ReadConfigBytes(Link(), *this, run_, working_, pacing_); }

void ConfigDialog::ZapisData() { rq36::WriteConfigBytes(Link(), *this, run_, working_, pacing_); }

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
