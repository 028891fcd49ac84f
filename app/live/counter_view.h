// Live values of the counters CNT0 and CNT1 every 100 ms, and their start,
// stop, clear and preset, carried out by the next tick.
#pragma once

#include "live/live_ticks.h"
#include "live/live_view.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TForm4 : public LiveView {
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 100;

    explicit TForm4(rq36::ConnectionSettings* settings, QWidget* parent = nullptr);

public slots:
    void Button1Click();  // CNT0 "Start" / "Stop"
    void Button2Click();  // CNT1 "Start" / "Stop"
    void Button3Click();  // CNT0 "Vynulovat"
    void Button4Click();  // CNT1 "Vynulovat"
    void Button6Click();  // CNT0 "Nastavit"
    void Button7Click();  // CNT1 "Nastavit"
    void Button5Click();  // "Cancel"

protected:
    void Tick() override;

private:
    void ShowCaptions();

    rq36::CounterTick tick_;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button6;
    QPushButton* Button7;
};
