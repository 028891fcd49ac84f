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

    Button1 = AddCentredButton("Cancel", "Button1", &TFormOkamDIN::Button1Click);
}

void TFormOkamDIN::Button1Click() { reject(); }

void TFormOkamDIN::Tick() {
    // Both inputs come from one reply: after a failed tick both keep their
    // last texts, shown as stale.
    bool written = false;
    rq36::DigitalInputTick::Run(Link(), *this, [this, &written](int input, const QString& text) {
        (input == 0 ? Label33 : Label34)->setText(text);
        written = true;
    });
    ShowStale(Label33, !written);
    ShowStale(Label34, !written);
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

    Button1 = AddButton("Zapsat", "Button1", &TFormOkamDOUT::Button1Click);
    Button2 = AddButton("Cancel", "Button2", &TFormOkamDOUT::Button2Click);
}

void TFormOkamDOUT::Button1Click() {
    TalkToModule([this] { rq36::WriteDigitalOutputs(Link(), *this, CheckBox1->isChecked(), CheckBox2->isChecked()); });
}

void TFormOkamDOUT::Button2Click() { reject(); }
