// The module's communication settings as it keeps them in its configuration
// memory: bus protocol, module address, line speed and parity.
#pragma once

#include "module/communication_values.h"
#include "module/config_dialog.h"

class QComboBox;
class QLabel;
class QLineEdit;

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
