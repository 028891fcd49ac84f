// The snapshot dialog: saving the module's configuration to a file,
// comparing a file with the module (or with a second file), restoring a file
// to the module, and cloning a file to several modules one after another.
// The menu item chooses the file with the standard file dialog; the dialog
// does the work through the engine of module/snapshot_transfer.h, showing
// the status texts in its panel and the lists in its memo.  Also the menu's
// restore of a kept calibration record.
#pragma once

#include <functional>

#include "module/snapshot_transfer.h"
#include "module_dialog.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace rq36 {
enum class SnapshotMode { Save, Compare, Restore, Clone };
}  // namespace rq36

class TFormSnapshot : public ModuleDialog {
    Q_OBJECT

public:
    TFormSnapshot(rq36::SnapshotMode mode, const QString& path, rq36::ConnectionSettings* settings,
                  QWidget* parent = nullptr);

    // Tests: answers the question before each further module of a clone
    // (default: a message box), and chooses the second file of a comparison
    // (default: the standard file dialog; empty: none chosen).
    std::function<bool(int index, const rq36::CloneTarget& target)> askForNextModule;
    std::function<QString()> chooseSecondFile;

    QString MemoText() const;

public slots:
    void Button1Click();  // "Uložit", "Porovnat", "Obnovit", "Klonovat"
    void Button3Click();  // "Porovnat se souborem…"
    void Button2Click();  // "Zavřít"

private:
    class Sink;
    void ShowDifferences(const std::vector<rq36::SnapshotDifference>& differences, const QString& header);
    std::optional<rq36::Snapshot> ReadFile();

    rq36::SnapshotMode mode_;
    QString path_;
    QLabel* Label1;
    QCheckBox* CheckBox1 = nullptr;  // restore: calibration too
    QSpinBox* SpinEdit1 = nullptr;   // clone: number of modules
    QSpinBox* SpinEdit2 = nullptr;   // clone: first new address
    QSpinBox* SpinEdit3 = nullptr;   // clone: step
    QPlainTextEdit* Memo1;
    QPushButton* Button1;
    QPushButton* Button3 = nullptr;
    QPushButton* Button2;
};

namespace rq36 {
// The menu items: the standard file dialog, then the snapshot dialog.
void OpenSnapshotDialog(SnapshotMode mode, ConnectionSettings* settings, QWidget* parent);
// "Obnovit kalibraci ze zálohy…": a kept file, one of its records, the
// verified write; the outcome in a message box.
void RestoreCalibrationBackupItem(ConnectionSettings* settings, QWidget* parent);
}  // namespace rq36
