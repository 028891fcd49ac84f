// "Kalibrace vstupů": the calibration of one range of one analog input,
// led by instructions in a read-only log, with the input's live value.
#pragma once

#include "calibration/calibration_procedure.h"
#include "live/live_view.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TForm6 : public LiveView {
    Q_OBJECT

public:
    explicit TForm6(rq36::ConnectionSettings* settings, QWidget* parent = nullptr);

    // The calibration state (0 idle; 1, 2 voltage; 11, 12 current).
    rq36::CalibrationState State() const { return procedure_.State(); }

public slots:
    void Button1Click();  // "Kalibrace"
    void Button2Click();  // "Potvrzení"
    void Button4Click();  // "Zrušit"
    void Button3Click();  // "Cancel"

    // The procedure's log.
    void AppendLog(const QString& line) override;

protected:
    void Tick() override;

private:
    void FormCreate();

    QComboBox* ComboBox2;
    QComboBox* ComboBox1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QPlainTextEdit* Memo1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button4;
    QPushButton* Button3;
    rq36::CalibrationProcedure procedure_{*this};
};
