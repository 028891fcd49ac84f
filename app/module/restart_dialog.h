// Restart of the module, after a question.
#pragma once

#include "module_dialog.h"

class QLabel;
class QPushButton;

namespace rq36 {
inline constexpr char kRestartedText[] = " Modul restartován.";
}  // namespace rq36

class TFormRestartModulu : public ModuleDialog {
    Q_OBJECT

public:
    explicit TFormRestartModulu(rq36::ConnectionSettings* settings, QWidget* parent = nullptr);

    // True once the module confirmed a restart.
    bool Restarted() const { return restarted_; }

public slots:
    void Button1Click();  // "Restartovat"
    void Button2Click();  // "Cancel"

private:
    QLabel* Label1;
    QPushButton* Button1;
    QPushButton* Button2;
    bool restarted_ = false;
};
