#include <cstdio>

#include "cli.h"
#include "interface/binding.h"
#include "interface/connection_logic.h"
#include "interface/interface_kinds.h"
#include "interface/module_request.h"

namespace rq36::cli {

Session::Session(const CliOptions& options, const ConnectionSettings& record)
    : options_(options), record_(record), link_(record_) {
    stdout_.open(stdout, QIODevice::WriteOnly);
}

Session::~Session() {
    if (IsConnected(&record_)) CloseConnection(record_);
}

bool Session::Connect() {
    // The connection dialog's controls as the record would fill them; a
    // command line opens no window.
    ConnectionInputs in = InputsFromSettings(record_);
    in.orsgWindow = false;
    if (options_.cardBus && options_.cardSlot) {
        in.cardBus = *options_.cardBus;
        in.cardSlot = *options_.cardSlot;
    }
    QString last;
    const ConnectionOutcome outcome =
        InitializeConnection(record_, in, [&last](const QString& text, bool) { last = text; });
    if (!outcome.connected) {
        Fail(last);
        return false;
    }
    if (options_.timeoutMs || options_.repeats) {
        // The line parameters again, with the reply timeout or the
        // repetitions asked for instead of the dialog's.
        const int speedIndex = IndexFromSpeed(record_.Speed);
        const std::int32_t result =
            ConfigureInterface(record_.InterfaceKind, record_.LibraryHandle, record_.Speed,
                               options_.timeoutMs.value_or(ReplyTimeoutForSpeed(speedIndex)),
                               options_.repeats.value_or(kConnectRepeatCount), ParityCode(record_.Parity));
        if (result != 0) {
            Fail(QString::fromUtf8(kStatusInitErrorPrefix) + StatusMessage(record_.InterfaceKind, result));
            return false;
        }
    }
    return true;
}

std::optional<ModuleReply> Session::Request(const ModuleCommand& command) {
    const ModuleReply reply = link_.Send(command);
    if (!reply.Ok()) {
        Fail(link_.StatusText(reply.status));
        return std::nullopt;
    }
    return reply;
}

bool Session::Print(const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    return stdout_.write(bytes) == bytes.size() && stdout_.flush();
}

bool Session::Report(const QString& line) { return options_.quiet || Print(line); }

void Session::Fail(const QString& text) {
    QString message = text;
    if (message.startsWith(QLatin1Char(' '))) message.remove(0, 1);
    std::fputs(("rq36: " + message + QLatin1Char('\n')).toUtf8().constData(), stderr);
    std::fflush(stderr);
}

QLocale Session::ValueLocale() const { return options_.format == OutputFormat::Text ? QLocale() : QLocale::c(); }

}  // namespace rq36::cli

namespace rq36::cli {

namespace {

// A transfer without a window: nothing to repaint, no pauses; the last
// status text is what a failure left.
class QuietHost : public ModuleHost {
public:
    void ShowStatus(const QString& text) override { last_ = text; }
    void ProcessEvents() override {}
    void Pause(int) override {}
    const QString& Last() const { return last_; }

private:
    QString last_;
};

}  // namespace

bool ReadConfiguration(Session& session, std::span<const ConfigByteSlot> byteSlots, ConfigImageBytes& image) {
    QuietHost host;
    if (ReadConfigBytes(session.Link(), host, byteSlots, image) == TransferResult::Done) return true;
    session.Fail(host.Last());
    return false;
}

QString JsonString(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\') {
            out += QLatin1Char('\\');
            out += c;
        } else if (c.unicode() < 0x20) {
            out += QString::asprintf("\\u%04x", static_cast<unsigned>(c.unicode()));
        } else {
            out += c;
        }
    }
    return out + QLatin1Char('"');
}

}  // namespace rq36::cli
