// What work with the module needs of the dialog it runs in: its status
// panel, its log where it has one, letting window messages run, a pause,
// and whether the user asked it to close.  The configuration transfers, the
// ticks of the live views and the calibration all report through it.
#pragma once

#include <cstdint>

#include <QString>

#include "module/command_set.h"

namespace rq36 {

// A status line as the program shows it: one blank, then the text.
inline QString StatusLine(const QString& text) { return QLatin1Char(' ') + text; }

class ModuleHost {
public:
    virtual ~ModuleHost() = default;
    // Sets the status panel and repaints it at once.
    virtual void ShowStatus(const QString& text) = 0;
    // Lets pending window messages run.
    virtual void ProcessEvents() = 0;
    // Waits without letting window messages run.
    virtual void Pause(int milliseconds) = 0;
    // True when the user asked to close the dialog.
    virtual bool StopRequested() { return false; }
    // Appends one line to the dialog's log; a dialog without one drops it.
    virtual void AppendLog(const QString& line) { static_cast<void>(line); }

    // The library's text for a failed request's status, as a status line.
    void ShowLinkStatus(ModuleLink& link, std::uint8_t status) { ShowStatus(StatusLine(link.StatusText(status))); }
};

}  // namespace rq36
