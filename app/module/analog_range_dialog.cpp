#include "module/analog_range_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

#include "module/range_table.h"

using rq36::Named;

TForm13::TForm13(rq36::ConnectionSettings* settings, QWidget* parent)
    : ConfigDialog(settings, parent, rq36::kAnalogRangeSlots) {
    setObjectName(QStringLiteral("Form13"));
    setWindowTitle(QStringLiteral("Nastavení analogových vstupů"));

    // Two columns of three inputs, each headed "Rozsah".
    auto* grid = new QGridLayout(Body());
    grid->setContentsMargins(16, 12, 16, 6);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->setColumnMinimumWidth(2, 24);
    const QStringList ranges = rq36::RangeListTexts();
    for (int column = 0; column < 2; ++column) {
        auto* heading = new QLabel(QStringLiteral("Rozsah"), Body());
        heading->setObjectName(QStringLiteral("Heading%1").arg(column + 1));
        grid->addWidget(heading, 0, 3 * column + 1);
        for (int row = 0; row < 3; ++row) {
            const int input = 3 * column + row;
            auto* caption = new QLabel(QStringLiteral("AIN%1").arg(input), Body());
            auto* list = new QComboBox(Body());
            list->setObjectName(QStringLiteral("ComboBox%1").arg(input + 1));
            list->addItems(ranges);
            caption->setBuddy(list);
            grid->addWidget(caption, row + 1, 3 * column);
            grid->addWidget(list, row + 1, 3 * column + 1);
            lists_[static_cast<std::size_t>(input)] = list;
        }
    }
}

void TForm13::PrectiOkno() {
    rq36::ConfigImageBytes& w = Image();
    for (int input = 0; input < rq36::kAnalogInputs; ++input) {
        const int index = lists_[static_cast<std::size_t>(input)]->currentIndex();
        // A list without an entry (a code the table does not know) keeps the
        // module's byte: nothing the user did not choose is written.
        if (index >= 0) w[static_cast<std::size_t>(rq36::kImgRange0 + input)] = static_cast<std::uint8_t>(index);
    }
    SetStatus(QStringLiteral(" "));
}

void TForm13::ZapisOkno() {
    const rq36::ConfigImageBytes& w = Image();
    for (int input = 0; input < rq36::kAnalogInputs; ++input) {
        const int code = w[static_cast<std::size_t>(rq36::kImgRange0 + input)] & 0x0F;
        lists_[static_cast<std::size_t>(input)]->setCurrentIndex(code < rq36::kRangeCodes ? code : -1);
    }
}
