// The guided calibration of one range of one analog input, without a window:
// the start (range byte stored and checked), the zero step, the reference
// step with the computation and the verified writing of the calibration
// record, and the cancel.  The dialog supplies the module link, the entered
// text, and a host for its log, its status panel and the pauses.
#pragma once

#include <cstdint>
#include <functional>

#include <QLocale>
#include <QString>

#include "calibration/calibration_math.h"
#include "module/command_set.h"

namespace rq36 {

// What the procedure needs of its dialog.
class CalibrationHost {
public:
    virtual ~CalibrationHost() = default;
    // Sets the status panel and repaints it at once.
    virtual void ShowStatus(const QString& text) = 0;
    // Appends one line to the log.
    virtual void AppendLog(const QString& line) = 0;
    // Waits without letting window messages run.
    virtual void Pause(int milliseconds) = 0;
};

// The calibration state: idle, or the step awaited for a voltage or a
// current range.
enum CalibrationState : std::uint8_t {
    kCalibrationIdle = 0,
    kVoltageZeroStep = 1,
    kVoltageReferenceStep = 2,
    kCurrentZeroStep = 11,
    kCurrentReferenceStep = 12,
};

// The settling time before each reading.
inline constexpr int kCalibrationPauseMs = 400;

// Log and status texts.
inline constexpr char kCalibrationPromptText[] = "Vyber kalibrovaný vstup a rozsah, stiskni tlačítko Kalibrace.";
inline constexpr char kCalibrationRuleText[] = "_____________________________________________________ ";
inline constexpr char kCalibrationHeadingText[] = "Kalibrace vstupu AIN";
inline constexpr char kShortCircuitText[] = "Zkratuj vstup a stiskni tlačítko Potvrzení.";
inline constexpr char kApplyVoltageText[] =
    "Připoj na vstup napětí 80-100% rozsahu, zadej hodnotu napětí a stiskni tlačítko Potvrzení.";
inline constexpr char kApplyCurrentText[] =
    "Připoj na vstup proud 80-100% rozsahu, zadej hodnotu proudu a stiskni tlačítko Potvrzení.";
inline constexpr char kBadVoltageEntryText[] =
    "Hodnota napětí musí být v 80-100% rozsahu. Pozor na desetinnou čárku resp. tečku (nastaveno v systému).";
inline constexpr char kBadCurrentEntryText[] =
    "Hodnota proudu musí být v rozsahu 18-20mA. Pozor na desetinnou čárku resp. tečku (nastaveno v systému).";
inline constexpr char kCurrentOutOfRangeText[] = "Hodnota proudu musí být v rozsahu 18-20mA.";
inline constexpr char kMeasuredValuesErrorText[] =
    "Chyba naměřených hodnot. Zkontroluj připojení vstupu a proveď znovu kalibraci.";
inline constexpr char kConfigMemoryErrorText[] = "Chyba zápisu do konfigurační paměti modulu.";
inline constexpr char kWritingConstantsText[] = " Probíhá zápis kalibračních konstant.";
inline constexpr char kInputCalibratedText[] = "Vstup zkalibrován.";
inline constexpr char kCalibrationCancelledText[] = "Kalibrace vstupu zrušena !";

class CalibrationProcedure {
public:
    explicit CalibrationProcedure(CalibrationHost& host) : host_(host) {}

    CalibrationState State() const { return state_; }

    // Runs before the first byte of a new record is written (the dialog
    // keeps the input's previous record); a non-empty result is why it could
    // not, and then nothing is written and the calibration ends.
    using BeforeWrite = std::function<QString(ModuleLink& link, int input, int rangeCode)>;
    void SetBeforeWrite(BeforeWrite hook) { beforeWrite_ = std::move(hook); }

    // "Kalibrace": in the idle state stores the range code as the input's
    // configured range, checks it by reading it back, writes the heading and
    // the first instruction and awaits the zero step.  A failure leaves the
    // state idle and the log untouched.  Under way, nothing happens.
    void Start(ModuleLink& link, int input, int rangeCode);

    // "Potvrzení": the zero or the reference step, by the state;
    // enteredText is the value typed for the reference step.
    void Confirm(ModuleLink& link, const QString& enteredText, const QLocale& locale = QLocale());

    // "Zrušit": ends a calibration under way; nothing is sent.
    void Cancel();

    // The end-of-calibration text; back to idle.
    void EndCalibration();

private:
    // The uncalibrated reading of the calibrated input; on a failed request
    // the error is shown, logged, and the calibration ended.
    bool TakeReading(ModuleLink& link, double& reading);
    void ZeroStep(ModuleLink& link);
    void ReferenceStep(ModuleLink& link, const QString& enteredText, const QLocale& locale);
    void Fail(const char* logText);

    CalibrationHost& host_;
    BeforeWrite beforeWrite_;
    CalibrationState state_ = kCalibrationIdle;
    int input_ = 0;
    int range_ = 0;
    double zeroReading_ = 0;
    double enteredValue_ = 0;
    double referenceReading_ = 0;
};

}  // namespace rq36
