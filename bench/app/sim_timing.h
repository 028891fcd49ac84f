// What the program's timing tools share: the simulated module set to a speed
// with its line timing on, a connection to it through the connection dialog
// as a user makes it, the line time of Vextbus-2 exchanges, and the median.
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>

#include "connection_settings.h"
#include "interface/connection_dialog.h"
#include "interface/connection_logic.h"

namespace rq36::bench {

inline constexpr int kBitsPerCharacter = 11;        // start, 8 data, parity, stop
inline constexpr int kVextbusCharacters = 11 + 11;  // request and reply frames of one exchange

// Line time of `exchanges` answered Vextbus-2 exchanges.
inline double VextbusLineTimeMs(int speed, int exchanges = 1) {
    return exchanges * kVextbusCharacters * kBitsPerCharacter * 1000.0 / speed;
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Line timing on, no faults, the libraries of this build's bin folder.
inline void UseSimulatedHardware() {
    qunsetenv("RQ36_SIM_INSTANT");
    qunsetenv("RQ36_SIM_FAULT");
    rq36::SetInterfaceLibraryFolder(RQ36_BIN_DIR);
}

// The simulated module at `speed`, with a memory of its own per speed (kept
// off the disk), so that it starts at the speed set here.
inline bool SetModuleSpeed(const QTemporaryDir& dir, int speed) {
    const QString config = dir.filePath(QStringLiteral("sim_%1.conf").arg(speed));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QTextStream(&file) << "[module main]\nspeed = " << speed << "\n";
    qputenv("RQ36_SIM_CONFIG", config.toLocal8Bit());
    qputenv("RQ36_SIM_STATE", QByteArray(":memory:") + QByteArray::number(speed));
    return true;
}

// Connects the record through `kind` at `speed` with the connection dialog's
// defaults otherwise (address 1, port 1, EUART1); says why not on stderr.
inline bool Connect(ConnectionSettings& record, int kind, int speed) {
    TFormPripojeni dialog(&record);
    dialog.show();
    QApplication::processEvents();
    dialog.findChild<QComboBox*>(QStringLiteral("ComboBox2"))->setCurrentIndex(kind);
    dialog.findChild<QComboBox*>(QStringLiteral("ComboBox1"))->setCurrentIndex(IndexFromSpeed(speed));
    dialog.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    if (!IsConnected(&record)) std::fprintf(stderr, "kind %d at %d Bd: no connection\n", kind, speed);
    return IsConnected(&record);
}

}  // namespace rq36::bench
