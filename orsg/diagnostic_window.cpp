#include "diagnostic_window.h"

#include "library_state.h"

namespace orsg {

// No window yet: the exchange code works the same with or without one.
std::unique_ptr<DiagnosticWindow> CreateDiagnosticWindow(LibraryState&) { return nullptr; }

}  // namespace orsg
