#include "live/status_view.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

using rq36::Named;

namespace {
constexpr int kFirstValueLabel = 33;
constexpr int kBitsPerByte = 8;
}  // namespace

TForm15::TForm15(rq36::ConnectionSettings* settings, QWidget* parent)
    : LiveView(settings, parent, kIntervalMs, TickTimer::RunsThrough) {
    setObjectName(QStringLiteral("Form15"));
    setWindowTitle(QStringLiteral("Status registr"));

    // Four columns: the captions of a byte's eight bits (Label1..Label32)
    // beside a panel (Panel1..Panel4) holding their values.
    auto* grid = new QGridLayout(Body());
    grid->setContentsMargins(14, 12, 14, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(0);
    for (int byte = 0; byte < rq36::kStatusBytes; ++byte) {
        const int at = 3 * byte;
        if (byte > 0) grid->setColumnMinimumWidth(at - 1, 12);
        QWidget* panel = ValuePanel(Body());
        panel->setObjectName(QStringLiteral("Panel%1").arg(byte + 1));
        grid->addWidget(panel, 0, at + 1, kBitsPerByte, 1);
        for (int bit = 0; bit < kBitsPerByte; ++bit) {
            const int index = kBitsPerByte * byte + bit;
            auto* caption = new QLabel(rq36::StatusBitCaption(byte, bit), Body());
            caption->setObjectName(QStringLiteral("Label%1").arg(index + 1));
            auto* value = new QLabel(QStringLiteral("0"), Body());
            value->setObjectName(QStringLiteral("Label%1").arg(kFirstValueLabel + index));
            value->setAlignment(Qt::AlignCenter);
            value->setContentsMargins(10, 2, 10, 2);
            caption->setToolTip(rq36::StatusBitToolTip(byte, bit));
            value->setToolTip(caption->toolTip());
            grid->addWidget(caption, bit, at, Qt::AlignRight | Qt::AlignVCenter);
            grid->addWidget(value, bit, at + 1);
            values_[static_cast<std::size_t>(index)] = value;
        }
    }

    Button2 = Named(new QPushButton(QStringLiteral("Vynulovat"), this), "Button2");
    Button1 = Named(new QPushButton(QStringLiteral("Cancel"), this), "Button1");
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    ButtonRow()->addWidget(Button2);
    ButtonRow()->addWidget(Button1);
    connect(Button2, &QPushButton::clicked, this, &TForm15::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &TForm15::Button1Click);
}

void TForm15::Tick() {
    const rq36::ModuleReply reply = Link().Send(rq36::ReadStatusRegisterCommand());
    if (reply.Ok()) {
        for (int index = 0; index < kBits; ++index)
            values_[static_cast<std::size_t>(index)]->setText(
                rq36::BitText(reply.r[static_cast<std::size_t>(index / kBitsPerByte)], index % kBitsPerByte));
    }
    SetStatus(QLatin1Char(' ') + Link().StatusText(reply.status));
}

void TForm15::Button2Click() {
    if (Settings() == nullptr || Busy()) return;
    if (!ConnectionTest()) return;
    const BusyScope busy(*this, false);
    const rq36::ModuleReply reply = Link().Send(rq36::ClearStatusRegisterCommand());
    // A cleared register shows on the next tick.
    if (!reply.Ok()) SetStatus(QLatin1Char(' ') + Link().StatusText(reply.status));
}

void TForm15::Button1Click() { reject(); }
