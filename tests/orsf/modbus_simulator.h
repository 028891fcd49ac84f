// The simulated module served on a pseudo-terminal (rq36-modbus-sim), started
// for one test: the device path it printed, stopped with the test.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

class ModbusSimulator {
public:
    // extraEnvironment: "NAME=value" entries over the test's own environment.
    explicit ModbusSimulator(const QStringList& extraEnvironment = {}) {
        QStringList env = QProcess::systemEnvironment();
        env << extraEnvironment;
        process_.setEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(RQ36_MODBUS_SIM), {QStringLiteral("--exit-with-parent")});
        // Generous: a busy machine may take its time to start a process.
        constexpr int kStartMs = 30000;
        if (!process_.waitForStarted(kStartMs)) return;
        while (!process_.canReadLine() && process_.waitForReadyRead(kStartMs)) {}
        device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~ModbusSimulator() {
        process_.terminate();
        if (!process_.waitForFinished(10000)) process_.kill();
        process_.waitForFinished(10000);
    }
    ModbusSimulator(const ModbusSimulator&) = delete;
    ModbusSimulator& operator=(const ModbusSimulator&) = delete;

    // Empty when the simulator did not start.
    const QString& Device() const { return device_; }

private:
    QProcess process_;
    QString device_;
};
