#include "module/communication_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "interface/connection_logic.h"

using rq36::Named;

namespace {

// A list shows the entry of a code, or none when the code has no entry.
void ShowCode(QComboBox* list, int index) { list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1); }

// The code a list stands for: its entry, or, where it shows none, the code
// the working copy already holds (never a code the user did not choose).
std::uint8_t CodeOf(const QComboBox* list, int offset, std::uint8_t current) {
    const int index = list->currentIndex();
    return index < 0 ? current : static_cast<std::uint8_t>(index + offset);
}

}  // namespace

TForm12::TForm12(rq36::ConnectionSettings* settings, QWidget* parent)
    : ConfigDialog(settings, parent, rq36::kCommunicationSlots, rq36::TransferPacing::CommunicationDialog) {
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral(" Nastavení komunikační adresy a rychlosti"));

    Label3 = Named(new QLabel(QStringLiteral("Komunikační protokol"), Body()), "Label3");
    ComboBox2 = Named(new QComboBox(Body()), "ComboBox2");
    ComboBox2->addItems(rq36::ProtocolListTexts());
    Label1 = Named(new QLabel(QStringLiteral("Adresa modulu"), Body()), "Label1");
    Edit1 = Named(new QLineEdit(Body()), "Edit1");
    Label2 = Named(new QLabel(QStringLiteral("Komunikační rychlost"), Body()), "Label2");
    ComboBox1 = Named(new QComboBox(Body()), "ComboBox1");
    ComboBox1->addItems(rq36::ModuleSpeedListTexts());
    ComboBox1->setCurrentIndex(2);
    Label4 = Named(new QLabel(QStringLiteral("Parita"), Body()), "Label4");
    ComboBox3 = Named(new QComboBox(Body()), "ComboBox3");
    ComboBox3->addItems(rq36::ParityListTexts());

    auto* grid = new QGridLayout(Body());
    grid->setContentsMargins(16, 14, 16, 6);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(8);
    grid->setColumnMinimumWidth(1, 150);
    const std::pair<QLabel*, QWidget*> rows[] = {
        {Label3, ComboBox2}, {Label1, Edit1}, {Label2, ComboBox1}, {Label4, ComboBox3}};
    int row = 0;
    for (const auto& [label, field] : rows) {
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row++, 1);
    }
    Label4->setEnabled(false);
    ComboBox3->setEnabled(false);

    connect(ComboBox2, &QComboBox::currentIndexChanged, this, &TForm12::ComboBox2Change);
}

void TForm12::PrectiOkno() {
    const std::optional<std::uint8_t> address = rq36::ParseConfigAddress(Edit1->text());
    if (!address) {
        SetStatus(rq36::StatusLine(QString::fromUtf8(rq36::kAddressRangeText)));
        return;
    }
    rq36::ConfigImageBytes& w = Image();
    w[rq36::kImgModuleAddress] = *address;
    w[rq36::kImgSpeedCode] = CodeOf(ComboBox1, rq36::kFirstModuleSpeedCode, w[rq36::kImgSpeedCode]);
    w[rq36::kImgParity] = CodeOf(ComboBox3, 0, w[rq36::kImgParity]);
    w[rq36::kImgProtocol] = CodeOf(ComboBox2, 0, w[rq36::kImgProtocol]);
    SetStatus(QStringLiteral(" "));
}

void TForm12::ZapisOkno() {
    const rq36::ConfigImageBytes& w = Image();
    Edit1->setText(QString::number(w[rq36::kImgModuleAddress]));
    ShowCode(ComboBox1, w[rq36::kImgSpeedCode] - rq36::kFirstModuleSpeedCode);
    {
        const QSignalBlocker blocker(ComboBox2);
        ShowCode(ComboBox2, w[rq36::kImgProtocol]);
    }
    ShowCode(ComboBox3, w[rq36::kImgParity]);
    // Parity is a setting of Modbus RTU only.
    const bool modbus = w[rq36::kImgProtocol] == 1;
    Label4->setEnabled(modbus);
    ComboBox3->setEnabled(modbus);
}

void TForm12::ComboBox2Change() {
    PrectiOkno();
    ZapisOkno();
}
