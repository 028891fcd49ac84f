// The measuring range of each of the six analog inputs.
#pragma once

#include <array>

#include "module/config_dialog.h"

class QComboBox;

class TForm13 : public ConfigDialog {
    Q_OBJECT

public:
    explicit TForm13(rq36::ConnectionSettings* settings, QWidget* parent = nullptr);

    void PrectiOkno() override;
    void ZapisOkno() override;

private:
    std::array<QComboBox*, rq36::kAnalogInputs> lists_{};  // ComboBox1 .. ComboBox6: AIN0 .. AIN5
};
