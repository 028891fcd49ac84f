// The module's communication settings as it keeps them in its configuration
// memory: bus protocol, module address, line speed and parity.
#pragma once

#include <optional>

#include "module/config_dialog.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace rq36 {

inline constexpr char kAddressRangeText[] = "Adresa modulu musí být v rozsahu 0-255.";

// The module address typed in the dialog: an integer 0..255, or nothing.
std::optional<std::uint8_t> ParseConfigAddress(const QString& text);

// List texts: protocols (index = protocol code), speeds (index = speed code
// - 2), parities (index = parity code).
QStringList ProtocolListTexts();
QStringList ModuleSpeedListTexts();

}  // namespace rq36

class TForm12 : public ConfigDialog {
    Q_OBJECT

public:
    explicit TForm12(rq36::ConnectionSettings* settings, QWidget* parent = nullptr);

    void PrectiOkno() override;
    void ZapisOkno() override;

public slots:
    void ComboBox2Change();

private:
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* Edit1;
    QComboBox* ComboBox1;  // speed
    QComboBox* ComboBox2;  // protocol
    QComboBox* ComboBox3;  // parity
};
