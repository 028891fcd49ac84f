// rq36 run as a whole process, as a script runs it: its exit status, stdout
// and stderr apart.  Every run gets an empty settings file and a module
// memory of the fixture's own, so runs in a row see one module and nothing
// of the user's settings.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

struct Rq36Result {
    int exitCode = -1;
    QString out;
    QString err;
    QStringList OutLines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    QStringList ErrLines() const { return err.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

class Rq36Runner {
public:
    Rq36Runner() {
        settings_ = dir_.filePath(QStringLiteral("empty.ini"));
        QFile(settings_).open(QIODevice::WriteOnly);
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QStringLiteral("RQ36_SIM_STATE"), dir_.filePath(QStringLiteral("module.state")));
        env_.insert(QStringLiteral("RQ36_SIM_INSTANT"), QStringLiteral("1"));
        env_.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.path());
        env_.remove(QStringLiteral("RQ36_SIM_FAULT"));
        env_.remove(QStringLiteral("RQ36_SIM_CONFIG"));
    }
    void SetEnv(const QString& name, const QString& value) { env_.insert(name, value); }
    void UnsetEnv(const QString& name) { env_.remove(name); }

    // Starts rq36 with --settings <empty file> and the arguments.
    void Start(QProcess& process, const QStringList& arguments) const {
        process.setProcessEnvironment(env_);
        process.start(QStringLiteral(RQ36_CLI), QStringList{QStringLiteral("--settings"), settings_} + arguments);
    }

    Rq36Result Run(const QStringList& arguments) const {
        QProcess process;
        Start(process, arguments);
        Rq36Result result;
        // Generous: a loaded machine may take its time.
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            result.err = QStringLiteral("rq36 did not end");
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

private:
    QTemporaryDir dir_;
    QString settings_;
    QProcessEnvironment env_;
};
