#include "live/digital_views.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "live/live_values.h"

using rq36::Named;

TFormOkamDIN::TFormOkamDIN(rq36::ConnectionSettings* settings, QWidget* parent)
    : LiveView(settings, parent, kIntervalMs, TickTimer::OffDuringTick) {
    setObjectName(QStringLiteral("FormOkamDIN"));
    setWindowTitle(QStringLiteral(" Okamžité hodnoty digitálních vstupů"));

    auto* grid = new QGridLayout(Body());
    grid->setContentsMargins(24, 14, 24, 6);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(0);
    QWidget* panel = Named(ValuePanel(Body()), "Panel1");
    grid->addWidget(panel, 0, 1, 2, 1);
    const auto row = [&](int channel, QLabel*& value, const char* name) {
        grid->addWidget(new QLabel(QStringLiteral("DIN%1").arg(channel), Body()), channel, 0,
                        Qt::AlignRight | Qt::AlignVCenter);
        value = Named(new QLabel(QStringLiteral("0"), Body()), name);
        value->setAlignment(Qt::AlignCenter);
        value->setContentsMargins(14, 3, 14, 3);
        grid->addWidget(value, channel, 1);
    };
    row(0, Label33, "Label33");
    row(1, Label34, "Label34");

    Button1 = Named(new QPushButton(QStringLiteral("Cancel"), this), "Button1");
    Button1->setAutoDefault(false);
    ButtonRow()->addStretch();
    ButtonRow()->addWidget(Button1);
    ButtonRow()->addStretch();
    connect(Button1, &QPushButton::clicked, this, &TFormOkamDIN::Button1Click);
}

void TFormOkamDIN::Button1Click() { reject(); }

void TFormOkamDIN::Tick() {
    const rq36::ModuleReply reply = Link().Send(rq36::ReadRegisterCommand(rq36::kRegDigital));
    if (reply.Ok()) {
        Label33->setText(rq36::BitText(reply.r[0], 0));
        Label34->setText(rq36::BitText(reply.r[0], 1));
    }
    ShowStale(Label33, !reply.Ok());
    ShowStale(Label34, !reply.Ok());
    SetStatus(QLatin1Char(' ') + Link().StatusText(reply.status));
}

TFormOkamDOUT::TFormOkamDOUT(rq36::ConnectionSettings* settings, QWidget* parent) : ModuleDialog(settings, parent) {
    setObjectName(QStringLiteral("FormOkamDOUT"));
    setWindowTitle(QStringLiteral(" Zápis na digitální výstupy"));

    auto* column = new QVBoxLayout(Body());
    column->setContentsMargins(40, 14, 40, 6);
    CheckBox1 = Named(new QCheckBox(QStringLiteral("DOUT0"), Body()), "CheckBox1");
    CheckBox2 = Named(new QCheckBox(QStringLiteral("DOUT1"), Body()), "CheckBox2");
    column->addWidget(CheckBox1);
    column->addWidget(CheckBox2);

    Button1 = Named(new QPushButton(QStringLiteral("Zapsat"), this), "Button1");
    Button2 = Named(new QPushButton(QStringLiteral("Cancel"), this), "Button2");
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    ButtonRow()->addWidget(Button1);
    ButtonRow()->addWidget(Button2);
    connect(Button1, &QPushButton::clicked, this, &TFormOkamDOUT::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormOkamDOUT::Button2Click);
}

void TFormOkamDOUT::Button1Click() {
    if (Settings() == nullptr || Busy()) return;
    if (!ConnectionTest()) return;
    const BusyScope busy(*this);
    // The state of both outputs as ticked; the other bits stay 0.
    const std::uint32_t outputs = (CheckBox1->isChecked() ? 0x01U : 0U) | (CheckBox2->isChecked() ? 0x02U : 0U);
    const rq36::ModuleReply reply = Link().Send(rq36::WriteRegisterCommand(rq36::kRegDigital, outputs));
    SetStatus(reply.Ok() ? QString::fromUtf8(rq36::kDataWrittenText)
                         : QLatin1Char(' ') + Link().StatusText(reply.status));
}

void TFormOkamDOUT::Button2Click() { reject(); }
