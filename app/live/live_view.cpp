#include "live/live_view.h"

#include <QFrame>
#include <QPalette>
#include <QTimer>

LiveView::LiveView(rq36::ConnectionSettings* settings, QWidget* parent, int intervalMs, TickTimer mode)
    : ModuleDialog(settings, parent), mode_(mode) {
    Timer1 = rq36::Named(new QTimer(this), "Timer1");
    Timer1->setInterval(intervalMs);
    // The short intervals of the digital and status views are kept to the
    // millisecond; the poll rate depends on them.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &LiveView::Timer1Timer);
    Timer1->start();
}

void LiveView::Timer1Timer() {
    if (Settings() == nullptr) return;
    // A tick never runs inside another, whatever lets messages in.
    if (Busy()) return;
    if (!ConnectionTest()) return;
    const BusyScope busy(*this, false);
    if (mode_ == TickTimer::OffDuringTick) Timer1->stop();
    Tick();
    // A dialog closing at the end of this tick polls no more.
    if (StopRequested()) {
        Timer1->stop();
    } else if (mode_ == TickTimer::OffDuringTick) {
        Timer1->start();
    }
}

void LiveView::ShowStale(QWidget* label, bool stale) { label->setEnabled(!stale); }

QWidget* LiveView::ValuePanel(QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(palette);
    return panel;
}
