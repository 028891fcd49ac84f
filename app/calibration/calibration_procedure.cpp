#include "calibration/calibration_procedure.h"

#include "module/config_transfer.h"
#include "module/range_table.h"

namespace rq36 {

namespace {
QString Text(const char* utf8) { return QString::fromUtf8(utf8); }
}  // namespace

void CalibrationProcedure::Start(ModuleLink& link, int input, int rangeCode) {
    if (state_ != kCalibrationIdle) return;
    if (input < 0 || input >= kAnalogInputs || RangeOf(rangeCode) == nullptr) return;
    input_ = input;
    range_ = rangeCode;

    // The calibrated range becomes the input's configured range, and stays so.
    const VerifiedWrite written =
        WriteConfigByteVerified(link, kConfigBank, RangeAddress(input), static_cast<std::uint8_t>(rangeCode));
    if (written.outcome == VerifiedWrite::RequestFailed) {
        host_.ShowStatus(u' ' + link.StatusText(written.status));
        return;
    }
    if (written.outcome == VerifiedWrite::Mismatch) {
        host_.ShowStatus(u' ' + Text(kConfigMemoryErrorText));
        return;
    }

    host_.AppendLog(QString());
    host_.AppendLog(Text(kCalibrationRuleText) + Text(kCalibrationHeadingText) + QString::number(input) +
                    RangeLogText(rangeCode));
    host_.AppendLog(QString());
    host_.AppendLog(Text(kShortCircuitText));
    state_ = IsCurrentRange(rangeCode) ? kCurrentZeroStep : kVoltageZeroStep;
    host_.ShowStatus(QStringLiteral(" "));
}

void CalibrationProcedure::Confirm(ModuleLink& link, const QString& enteredText, const QLocale& locale) {
    switch (state_) {
    case kVoltageZeroStep:
    case kCurrentZeroStep: ZeroStep(link); break;
    case kVoltageReferenceStep:
    case kCurrentReferenceStep: ReferenceStep(link, enteredText, locale); break;
    default: break;
    }
}

void CalibrationProcedure::Cancel() {
    if (state_ != kCalibrationIdle) EndCalibration();
}

void CalibrationProcedure::EndCalibration() {
    host_.AppendLog(QString());
    host_.AppendLog(Text(kCalibrationCancelledText));
    host_.AppendLog(QString());
    host_.AppendLog(Text(kCalibrationRuleText));
    host_.AppendLog(QString());
    host_.AppendLog(Text(kCalibrationPromptText));
    state_ = kCalibrationIdle;
}

void CalibrationProcedure::Fail(const char* logText) {
    host_.AppendLog(Text(logText));
    EndCalibration();
}

bool CalibrationProcedure::TakeReading(ModuleLink& link, double& reading) {
    const ModuleReply reply = link.Send(ReadRegisterCommand(UncalibratedInputRegister(input_)));
    if (!reply.Ok()) {
        const QString error = link.StatusText(reply.status);
        host_.ShowStatus(u' ' + error);
        host_.AppendLog(error);
        EndCalibration();
        return false;
    }
    reading = DecodeScaledValue(reply.r);
    return true;
}

void CalibrationProcedure::ZeroStep(ModuleLink& link) {
    host_.Pause(kCalibrationPauseMs);
    if (!TakeReading(link, zeroReading_)) return;
    // The zero reading is taken as it is; the offset word is computed with
    // the gain, so that neither is written unless both fit.
    const bool voltage = state_ == kVoltageZeroStep;
    host_.AppendLog(Text(voltage ? kApplyVoltageText : kApplyCurrentText));
    host_.ShowStatus(QStringLiteral(" "));
    state_ = voltage ? kVoltageReferenceStep : kCurrentReferenceStep;
}

void CalibrationProcedure::ReferenceStep(ModuleLink& link, const QString& enteredText, const QLocale& locale) {
    const bool voltage = state_ == kVoltageReferenceStep;
    const std::optional<double> entered = ParseEnteredValue(enteredText, locale);
    if (!entered) return Fail(voltage ? kBadVoltageEntryText : kBadCurrentEntryText);
    if (!voltage && !(*entered >= kMinEnteredCurrent && *entered <= kMaxEnteredCurrent))
        return Fail(kCurrentOutOfRangeText);
    enteredValue_ = *entered;

    host_.Pause(kCalibrationPauseMs);
    if (!TakeReading(link, referenceReading_)) return;

    // Readings that give no gain within the range's bound, and words that
    // would not fit 16 bits, are refused alike: nothing truncated is written.
    const std::optional<CalibrationRecord> record =
        ComputeCalibrationRecord(range_, enteredValue_, zeroReading_, referenceReading_);
    if (!record) return Fail(kMeasuredValuesErrorText);

    if (beforeWrite_) {
        const QString kept = beforeWrite_(link, input_, range_);
        if (!kept.isEmpty()) {
            host_.ShowStatus(u' ' + kept);
            host_.AppendLog(kept);
            EndCalibration();
            return;
        }
    }
    host_.ShowStatus(Text(kWritingConstantsText));
    const std::uint8_t bank = CalibrationBank(input_);
    const std::uint8_t slot = CalibrationSlotAddress(input_, range_);
    const auto bytes = record->Bytes();
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        const VerifiedWrite written =
            WriteConfigByteVerified(link, bank, static_cast<std::uint8_t>(slot + k), bytes[k]);
        if (written.outcome == VerifiedWrite::RequestFailed) {
            // A communication failure: the step may simply be confirmed again,
            // which measures anew and writes all seven bytes from the first.
            host_.ShowStatus(u' ' + link.StatusText(written.status));
            return;
        }
        if (written.outcome == VerifiedWrite::Mismatch) return Fail(kConfigMemoryErrorText);
    }

    host_.AppendLog(QString());
    host_.AppendLog(Text(kInputCalibratedText));
    host_.AppendLog(QString());
    host_.AppendLog(Text(kCalibrationRuleText));
    host_.AppendLog(QString());
    host_.AppendLog(Text(kCalibrationPromptText));
    host_.ShowStatus(QStringLiteral(" "));
    state_ = kCalibrationIdle;
}

}  // namespace rq36
