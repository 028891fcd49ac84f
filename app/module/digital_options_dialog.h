// Negation of the digital inputs and outputs and the outputs' state at
// start-up, for the module's two channels of port 0.
#pragma once

#include "module/config_dialog.h"

class QCheckBox;

class TForm14 : public ConfigDialog {
    Q_OBJECT

public:
    explicit TForm14(rq36::ConnectionSettings* settings, QWidget* parent = nullptr);

    void PrectiOkno() override;
    void ZapisOkno() override;

private:
    QCheckBox* CheckBox1;   // DIN0 negated
    QCheckBox* CheckBox2;   // DIN1 negated
    QCheckBox* CheckBox33;  // DOUT0 negated
    QCheckBox* CheckBox34;  // DOUT1 negated
    QCheckBox* CheckBox65;  // DOUT0 on at start-up
    QCheckBox* CheckBox66;  // DOUT1 on at start-up
};
