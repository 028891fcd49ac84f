// The module's 32-bit status register, polled every 10 ms and shown bit by
// bit in four columns of eight; "Vynulovat" clears it.
#pragma once

#include <array>

#include "live/live_ticks.h"
#include "live/live_view.h"

class QLabel;
class QPushButton;

class TForm15 : public LiveView {
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 10;
    static constexpr int kBits = rq36::StatusTick::kBits;

    explicit TForm15(rq36::ConnectionSettings* settings, QWidget* parent = nullptr);

public slots:
    void Button2Click();  // "Vynulovat"
    void Button1Click();  // "Cancel"

protected:
    void Tick() override;

private:
    // Label33..Label64: bit k of byte j at 8j + k.
    std::array<QLabel*, kBits> values_{};
    QPushButton* Button1;
    QPushButton* Button2;
};
