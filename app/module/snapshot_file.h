// The snapshot file (".rq36cfg"): UTF-8 text a person can read and compare,
// the version line first, the named bytes under their keys, every bank as
// rows of sixteen hexadecimal bytes, "end" last.  The reader takes a file
// only whole and consistent; anything else is refused with a Czech message
// fit for the user, before anything is sent to a module.  docs/snapshots.md
// describes the format.
#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

#include "module/snapshot.h"

namespace rq36 {

inline constexpr char kSnapshotMagic[] = "RQ36CFG";
inline constexpr int kSnapshotVersion = 1;
inline constexpr char kSnapshotSuffix[] = "rq36cfg";
// The file dialogs' file type.
QString SnapshotFileFilter();  // "Konfigurace RQ-36 (*.rq36cfg)"

QByteArray SnapshotToText(const Snapshot& snapshot);

struct SnapshotReadResult {
    std::optional<Snapshot> snapshot;
    QString error;  // why it was refused, when there is no snapshot
};
SnapshotReadResult SnapshotFromText(const QByteArray& text);

// The file is written to a temporary file beside it and renamed over it only
// when every byte was written: never half a file.  False with *error set
// (Czech) when it could not be.
bool WriteSnapshotFile(const QString& path, const Snapshot& snapshot, QString* error);
SnapshotReadResult ReadSnapshotFile(const QString& path);

}  // namespace rq36
