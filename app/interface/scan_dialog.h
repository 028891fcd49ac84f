// The scan window: finds the modules on the line of the interface chosen in
// the connection settings and connects to one of them.  The sweep itself is
// BusScan; the window drives it one exchange per turn of its event loop.
#pragma once

#include <memory>
#include <vector>

#include <QDialog>

#include "connection_settings.h"
#include "interface/bus_scan.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;

class TFormVyhledani : public QDialog {
    Q_OBJECT

public:
    // settings: the program's record, not owned; may be null (then nothing
    // can be started).
    explicit TFormVyhledani(rq36::ConnectionSettings* settings, QWidget* parent = nullptr);
    ~TFormVyhledani() override;

    rq36::ConnectionSettings* Settings() const { return settings_; }
    bool Scanning() const { return scan_ != nullptr; }
    const std::vector<rq36::FoundModule>& Found() const { return found_; }
    // The plan the controls describe.
    rq36::ScanPlan Plan() const;
    // Writes the table as CSV; false (and the status says why) on failure.
    bool SaveCsv(const QString& path);

public slots:
    void HledatClick();
    void ZastavitClick();
    void PripojitClick();
    void UlozitClick();
    void reject() override;

private:
    void StepScan();
    void AddRow(const rq36::FoundModule& module);
    void ShowProgress();
    void SetStatus(const QString& text, bool repaintNow = false);
    void EnableControls();

    rq36::ConnectionSettings* settings_;
    bool modbus_ = false;
    std::unique_ptr<rq36::BoundScanLine> line_;
    std::unique_ptr<rq36::BusScan> scan_;
    std::vector<rq36::FoundModule> found_;
    QTimer* ticker_;

    QSpinBox* SpinOd;
    QSpinBox* SpinDo;
    std::vector<QCheckBox*> speedBoxes_;  // speed codes 2..8
    std::vector<QCheckBox*> parityBoxes_;
    QSpinBox* SpinTimeout;
    QCheckBox* CheckPrvni;
    QPushButton* ButtonHledat;
    QPushButton* ButtonZastavit;
    QProgressBar* ProgressBar1;
    QLabel* LabelZbyva;
    QTableWidget* Table1;
    QPushButton* ButtonPripojit;
    QPushButton* ButtonUlozit;
    QPushButton* ButtonZavrit;
    QLabel* Panel1;
};
