// The calibration records kept before a calibration overwrites them: before
// the first byte of a new record is written, the input's previous record is
// read from the module and appended to a file in the user's data folder, one
// file per module identity and day.  A kept record goes back to the module
// through the same verified write as a calibration.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QString>

#include "calibration/calibration_math.h"
#include "calibration/calibration_procedure.h"
#include "connection_settings.h"
#include "module/command_set.h"

namespace rq36 {

inline constexpr char kCalibrationBackupSuffix[] = "rq36cal";

struct KeptCalibration {
    QDateTime taken;  // UTC
    int moduleAddress = 0;
    int input = 0;
    int rangeCode = 0;
    std::array<std::uint8_t, kCalibrationRecordBytes> bytes{};

    // "08.12.2026 01:50  AIN3  +/- 10V DC  (adresa 1)" in local time.
    QString Description() const;
};

struct CalibrationBackupFile {
    QString identity;
    std::vector<KeptCalibration> records;
};

// <AppDataLocation>/kalibrace.
QString CalibrationBackupFolder();
// The file of a module identity and day in folder: "RQ-36_v.1.02_2026-12-08.rq36cal".
QString CalibrationBackupPath(const QString& folder, const QString& identity, const QDate& day);
QString CalibrationBackupFilter();  // "Záloha kalibrace RQ-36 (*.rq36cal)"

// Reads the input's record for the range from the module and appends it to
// the day's file (written atomically).  An empty result when it was kept;
// otherwise why not, in Czech, and the calibration must not write.
QString KeepCalibrationRecord(ModuleLink& link, const QString& folder, const QString& identity, int moduleAddress,
                              int input, int rangeCode, const QDateTime& now = QDateTime::currentDateTimeUtc());

// The calibration procedure's hook that keeps the previous record in
// CalibrationBackupFolder() under the record's module identity and address.
CalibrationProcedure::BeforeWrite KeepBeforeCalibration(const ConnectionSettings* settings);

// The records of a backup file; none with *error set (Czech) for a file that
// is not one, or is damaged.
std::optional<CalibrationBackupFile> ReadCalibrationBackup(const QString& path, QString* error);

// Writes a kept record back, byte by byte with read-back.  An empty result
// when done; otherwise the status text (one blank first).
QString RestoreKeptCalibration(ModuleLink& link, const KeptCalibration& kept);

}  // namespace rq36
