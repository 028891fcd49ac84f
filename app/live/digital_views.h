// The digital channels through register 0x40: the inputs DIN0/DIN1 polled
// every 10 ms, and the outputs DOUT0/DOUT1 written on "Zapsat".
#pragma once

#include "live/live_ticks.h"
#include "live/live_view.h"

class QCheckBox;
class QLabel;
class QPushButton;

class TFormOkamDIN : public LiveView {
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 10;

    explicit TFormOkamDIN(rq36::ConnectionSettings* settings, QWidget* parent = nullptr);

public slots:
    void Button1Click();  // "Cancel"

protected:
    void Tick() override;

private:
    QLabel* Label33;  // DIN0
    QLabel* Label34;  // DIN1
    QPushButton* Button1;
};

class TFormOkamDOUT : public ModuleDialog {
    Q_OBJECT

public:
    explicit TFormOkamDOUT(rq36::ConnectionSettings* settings, QWidget* parent = nullptr);

public slots:
    void Button1Click();  // "Zapsat"
    void Button2Click();  // "Cancel"

private:
    QCheckBox* CheckBox1;  // DOUT0
    QCheckBox* CheckBox2;  // DOUT1
    QPushButton* Button1;
    QPushButton* Button2;
};
