#include <cstdio>

#include "cli.h"
#include "interface/exchange_trace.h"
#include "interface/module_request.h"
#include "interrupt.h"

namespace rq36::cli {

namespace {

void WriteErr(const QString& text) {
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

int Usage(const QString& reason) {
    WriteErr(QStringLiteral("rq36: ") + reason + QLatin1Char('\n') + UsageHint() + QLatin1Char('\n'));
    return kExitUsage;
}

}  // namespace

int Run(const QStringList& arguments) {
    QString error;
    const std::optional<CliOptions> parsed = ParseCommandLine(arguments, &error);
    if (!parsed) return Usage(error);
    const CliOptions& options = *parsed;
    if (options.help || options.version) {
        const QString text = options.help ? HelpText() : QStringLiteral("rq36 " RQ36_VERSION "\n");
        std::fputs(text.toUtf8().constData(), stdout);
        return kExitOk;
    }
    if (options.command.isEmpty()) return Usage(QStringLiteral("chybí příkaz"));
    const CommandEntry* entry = FindCommand(options.command);
    if (entry == nullptr) return Usage(QStringLiteral("neznámý příkaz %1").arg(options.command));
    if (entry->prepare == nullptr)
        return Usage(QStringLiteral("příkaz %1 zatím není k dispozici").arg(options.command));
    if (options.cardBus.has_value() != options.cardSlot.has_value())
        return Usage(QStringLiteral("--card-bus a --card-slot se zadávají spolu"));

    const Prepared prepared = entry->prepare(options.arguments, options);
    if (!prepared.usageError.isEmpty()) return Usage(prepared.usageError);

    ConnectionSettings record;
    if (!LoadConnectionRecord(options, record, &error)) return Usage(error);

    if (options.trace) {
        SetExchangeObserver([](const ExchangeRecord& exchange) {
            const QString text = exchange.Failed() ? StatusMessage(exchange.kind, exchange.status) : QString();
            WriteErr(ExchangeRowText(exchange, text) + '\n');
        });
    }
    CatchInterrupts();
    int status = kExitFailure;
    {
        Session session(options, record);
        if (!prepared.connects || session.Connect()) status = prepared.run(session);
    }
    SetExchangeObserver({});
    return status;
}

}  // namespace rq36::cli
