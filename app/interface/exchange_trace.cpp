#include "interface/exchange_trace.h"

#include <utility>

#include <QLocale>

#include "interface/interface_kinds.h"
#include "interface/traffic_ring.h"
#include "module/command_set.h"

namespace rq36 {

namespace {

ExchangeObserver& Observer() {
    static ExchangeObserver observer;
    return observer;
}

template <std::size_t N>
QString HexBytes(const std::array<std::uint8_t, N>& bytes) {
    QString text;
    text.reserve(static_cast<int>(3 * N));
    for (std::size_t i = 0; i < N; ++i) {
        if (i != 0) text += QLatin1Char(' ');
        text += QString::asprintf("%02X", static_cast<unsigned>(bytes[i]));
    }
    return text;
}

}  // namespace

void SetExchangeObserver(ExchangeObserver observer) { Observer() = std::move(observer); }

bool ExchangeObserved() { return static_cast<bool>(Observer()); }

void ReportExchange(const ExchangeRecord& record) {
    ProgramTraffic().Push(record);
    if (Observer()) Observer()(record);
}

QString LocalTimeText(const QDateTime& time) {
    return QLocale::c().toString(time.toLocalTime(), QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
}

QStringList ExchangeColumnHeaders() {
    return {QStringLiteral("Čas"),    QStringLiteral("Trvání [ms]"), QStringLiteral("Rozhraní"),
            QStringLiteral("Adresa"), QStringLiteral("Příkaz"),      QStringLiteral("Požadavek"),
            QStringLiteral("Stav"),   QStringLiteral("Odpověď")};
}

QString ExchangeField(const ExchangeRecord& record, int column, const QString& statusText) {
    switch (column) {
    case kColTime: return LocalTimeText(QDateTime::fromMSecsSinceEpoch(record.startedMs));
    case kColDuration: return QString::number(static_cast<double>(record.durationUs) / 1000.0, 'f', 3);
    case kColKind:
        if (const InterfaceKindInfo* info = KindInfo(record.kind))
            return QStringLiteral("ORS") + QLatin1Char(info->letter);
        return QString::number(record.kind);
    case kColAddress: return QString::number(record.Address());
    case kColCommand:
        return QString::asprintf("%02X ", static_cast<unsigned>(record.Command())) + CommandName(record.Command());
    case kColRequest: return HexBytes(record.request);
    case kColStatus:
        return statusText.isEmpty() || record.status == 0
                   ? QString::number(record.status)
                   : QString::number(record.status) + QLatin1Char(' ') + statusText;
    case kColReply: return HexBytes(record.reply);
    default: return {};
    }
}

QString ExchangeRowText(const ExchangeRecord& record, const QString& statusText) {
    return QStringLiteral("%1  %2 ms  %3  %4  %5  > %6  status %7  < %8")
        .arg(ExchangeField(record, kColTime), ExchangeField(record, kColDuration), ExchangeField(record, kColKind),
             ExchangeField(record, kColAddress), ExchangeField(record, kColCommand), ExchangeField(record, kColRequest),
             ExchangeField(record, kColStatus, statusText), ExchangeField(record, kColReply));
}

}  // namespace rq36
