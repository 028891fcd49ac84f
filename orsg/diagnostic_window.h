// The place of the diagnostic window.  Each handle's state owns one window
// object (or none); the window reads the state's statistics and histories and
// never takes part in an exchange.
#pragma once

#include <memory>

namespace orsg {

struct LibraryState;

class DiagnosticWindow {
public:
    virtual ~DiagnosticWindow() = default;
    // Shows the window (without blocking the host).
    virtual void Show() = 0;
};

// Creates the hidden window of a state, or returns nullptr when the host
// offers no user interface to show one in.  Called by ORSG_Init once the
// state holds its Init parameters, before the card search.
std::unique_ptr<DiagnosticWindow> CreateDiagnosticWindow(LibraryState& state);

}  // namespace orsg
