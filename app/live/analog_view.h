// Live values of the six analog inputs and of the six combined values the
// module computes from pairs of them, every 400 ms.
#pragma once

#include <array>

#include "live/live_ticks.h"
#include "live/live_view.h"

class QLabel;
class QPushButton;

class TForm3 : public LiveView {
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 400;

    explicit TForm3(rq36::ConnectionSettings* settings, QWidget* parent = nullptr);

    // Value labels: Label18..Label21, Label7, Label8 for AIN0..AIN5;
    // Label11..Label16 for 0-1, 1-2, 2-0, 3-4, 4-5, 5-3.
    QLabel* ValueLabel(int row) const { return values_[static_cast<std::size_t>(row)]; }

public slots:
    void Button1Click();  // "Cancel"

protected:
    void Tick() override;

private:
    rq36::AnalogTick tick_;
    std::array<QLabel*, rq36::AnalogTick::kRows> values_{};
    QPushButton* Button1;
};
