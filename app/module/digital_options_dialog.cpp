#include "module/digital_options_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

using rq36::Named;

namespace {

// The port-0 byte of two boxes: bit 0 from the first, bit 1 from the second.
std::uint8_t PortByte(const QCheckBox* bit0, const QCheckBox* bit1) {
    return static_cast<std::uint8_t>((bit0->isChecked() ? 0x01 : 0) | (bit1->isChecked() ? 0x02 : 0));
}

void ShowPortByte(std::uint8_t byte, QCheckBox* bit0, QCheckBox* bit1) {
    bit0->setChecked((byte & 0x01) != 0);
    bit1->setChecked((byte & 0x02) != 0);
}

}  // namespace

TForm14::TForm14(rq36::ConnectionSettings* settings, QWidget* parent)
    : ConfigDialog(settings, parent, rq36::kDigitalOptionSlots) {
    setObjectName(QStringLiteral("Form14"));
    setWindowTitle(QStringLiteral("Nastavení digitálních vstupů/výstupů"));

    auto* row = new QHBoxLayout(Body());
    row->setContentsMargins(12, 12, 12, 6);
    const auto group = [&](const QString& caption, const char* name, QCheckBox*& first, const char* firstName,
                           QCheckBox*& second, const char* secondName, const QString& channel) {
        auto* box = Named(new QGroupBox(caption, Body()), name);
        auto* column = new QVBoxLayout(box);
        first = Named(new QCheckBox(channel + QLatin1Char('0'), box), firstName);
        second = Named(new QCheckBox(channel + QLatin1Char('1'), box), secondName);
        column->addWidget(first);
        column->addWidget(second);
        row->addWidget(box);
    };
    group(QStringLiteral(" Negace DIN "), "GroupBox1", CheckBox1, "CheckBox1", CheckBox2, "CheckBox2",
          QStringLiteral("DIN"));
    group(QStringLiteral("Negace DOUT "), "GroupBox2", CheckBox33, "CheckBox33", CheckBox34, "CheckBox34",
          QStringLiteral("DOUT"));
    group(QStringLiteral(" Počáteční stav DOUT "), "GroupBox3", CheckBox65, "CheckBox65", CheckBox66, "CheckBox66",
          QStringLiteral("DOUT"));
}

void TForm14::PrectiOkno() {
    rq36::ConfigImageBytes& w = Image();
    // Only port 0 has channels; ports 1 to 3 are always written as 0.
    for (int port = 0; port < rq36::kDigitalPorts; ++port) {
        w[static_cast<std::size_t>(rq36::kImgInputNegation0 + port)] = 0;
        w[static_cast<std::size_t>(rq36::kImgOutputNegation0 + port)] = 0;
        w[static_cast<std::size_t>(rq36::kImgInitialOutput0 + port)] = 0;
    }
    w[rq36::kImgInputNegation0] = PortByte(CheckBox1, CheckBox2);
    w[rq36::kImgOutputNegation0] = PortByte(CheckBox33, CheckBox34);
    w[rq36::kImgInitialOutput0] = PortByte(CheckBox65, CheckBox66);
    SetStatus(QStringLiteral(" "));
}

void TForm14::ZapisOkno() {
    const rq36::ConfigImageBytes& w = Image();
    ShowPortByte(w[rq36::kImgInputNegation0], CheckBox1, CheckBox2);
    ShowPortByte(w[rq36::kImgOutputNegation0], CheckBox33, CheckBox34);
    ShowPortByte(w[rq36::kImgInitialOutput0], CheckBox65, CheckBox66);
}
