// The polling of every live view: Timer1 starts with the dialog; each tick
// first checks the record and the connection (without one it shows the
// not-initialised message and tries again on the next tick), then runs the
// view's own tick as busy work, so that a close asked for meanwhile waits
// until the tick has returned.
#pragma once

#include "module_dialog.h"

class QTimer;

class LiveView : public ModuleDialog {
    Q_OBJECT

public:
    // OffDuringTick: the timer stops for the length of a tick, which lets
    // pending messages run between its requests; the next tick comes one
    // interval after this one ended.  RunsThrough: the timer keeps running,
    // and the tick lets no messages in, so no tick starts inside another.
    enum class TickTimer { OffDuringTick, RunsThrough };

    LiveView(rq36::ConnectionSettings* settings, QWidget* parent, int intervalMs, TickTimer mode);

    QTimer* Timer1 = nullptr;

public slots:
    void Timer1Timer();

protected:
    // The view's requests and what it shows of them; the connection has
    // been checked.
    virtual void Tick() = 0;

    // A white sunken panel for value labels, as every view shows them.
    static QWidget* ValuePanel(QWidget* parent);

    // A value label whose text is older than the last tick: it keeps the
    // text, dimmed, until a successful tick writes it again.
    static void ShowStale(QWidget* label, bool stale);

private:
    TickTimer mode_;
};
