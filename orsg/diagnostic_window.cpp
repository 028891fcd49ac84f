#include "diagnostic_window.h"

#include <QApplication>
#include <QThread>

#include "diagnostic_form.h"
#include "library_state.h"

namespace orsg {

// A window needs the host's widget application, on the thread that runs it.
// A console host, or a call from another thread, gets no window; the handle
// works the same without one.
std::unique_ptr<DiagnosticWindow> CreateDiagnosticWindow(LibraryState& state) {
    const auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr || QThread::currentThread() != app->thread()) return nullptr;
    return std::make_unique<QtDiagnosticWindow>(state);
}

}  // namespace orsg
