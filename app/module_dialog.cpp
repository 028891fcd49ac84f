#include "module_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QThread>
#include <QVBoxLayout>

#include "module/config_transfer.h"

ModuleDialog::ModuleDialog(rq36::ConnectionSettings* settings, QWidget* parent) : QDialog(parent), settings_(settings) {
    // Blocks the main window only: the traffic monitor and ORSG's diagnostic
    // window (windows of their own) stay usable beside it.
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    body_ = new QWidget(this);
    body_->setObjectName(QStringLiteral("Body"));
    layout->addWidget(body_);

    auto* buttonArea = new QWidget(this);
    buttons_ = new QHBoxLayout(buttonArea);
    buttons_->setContentsMargins(12, 6, 12, 10);
    layout->addWidget(buttonArea);

    StatusBar1 = rq36::Named(new QStatusBar(this), "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    panel_ = rq36::Named(new QLabel(StatusBar1), "StatusBar1Panel0");
    panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel_->setMinimumWidth(250);
    StatusBar1->addWidget(panel_, 1);
    layout->addWidget(StatusBar1);
}

ModuleDialog::~ModuleDialog() = default;

void ModuleDialog::SetStatus(const QString& text) {
    // A dialog finishing its work before it closes keeps saying so.
    if (closeRequested_) return;
    // A poll that shows the same text every few milliseconds paints nothing.
    if (panel_->text() == text) return;
    panel_->setText(text);
    panel_->repaint();
}

QString ModuleDialog::StatusText() const { return panel_->text(); }

rq36::ModuleLink& ModuleDialog::Link() {
    if (link_ != nullptr) return *link_;
    if (!boundLink_) {
        // A record-less dialog never sends (TalkToModule); its link is bound
        // to a record of its own that stays unconnected.
        if (settings_ == nullptr) ownRecord_ = std::make_unique<rq36::ConnectionSettings>();
        boundLink_ = std::make_unique<rq36::BoundModuleLink>(settings_ != nullptr ? *settings_ : *ownRecord_);
    }
    return *boundLink_;
}

void ModuleDialog::UseLink(rq36::ModuleLink* link) { link_ = link; }

bool ModuleDialog::TalkToModule(const std::function<void()>& work, Cursor cursor) {
    if (settings_ == nullptr || Busy()) return false;
    if (!ConnectionTest()) return false;
    const BusyScope busy(*this, cursor == Cursor::Wait);
    work();
    return true;
}

bool ModuleDialog::ConnectionTest() {
    if (rq36::IsConnected(settings_)) return true;
    SetStatus(rq36::NotConnectedText());
    return false;
}

void ModuleDialog::ProcessEvents() { QCoreApplication::processEvents(); }

void ModuleDialog::Pause(int milliseconds) { QThread::msleep(static_cast<unsigned long>(milliseconds)); }

ModuleDialog::BusyScope::BusyScope(ModuleDialog& dialog, bool waitCursor) : dialog_(dialog), waitCursor_(waitCursor) {
    ++dialog_.busyDepth_;
    if (waitCursor_) QApplication::setOverrideCursor(Qt::WaitCursor);
}

ModuleDialog::BusyScope::~BusyScope() {
    if (waitCursor_) QApplication::restoreOverrideCursor();
    if (--dialog_.busyDepth_ > 0 || !dialog_.closeRequested_) return;
    if (dialog_.closingCursor_) {
        QApplication::restoreOverrideCursor();
        dialog_.closingCursor_ = false;
    }
    dialog_.QDialog::done(dialog_.pendingResult_);
}

void ModuleDialog::done(int result) {
    if (Busy()) {
        // Closed in the middle of an exchange: remember it, finish the work
        // in hand, close at the end of the busy scope; meanwhile the dialog
        // says that it is closing, under the wait cursor.
        if (!closeRequested_) {
            SetStatus(QString::fromUtf8(rq36::kClosingText));
            QApplication::setOverrideCursor(Qt::WaitCursor);
            closingCursor_ = true;
        }
        closeRequested_ = true;
        pendingResult_ = result;
        return;
    }
    QDialog::done(result);
}

void ModuleDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
    FormShow();
}
