#include "interface/exchange_trace.h"

#include <utility>

#include <QLocale>

namespace rq36 {

namespace {

ExchangeObserver& Observer() {
    static ExchangeObserver observer;
    return observer;
}

template <std::size_t N>
QString HexBytes(const std::array<std::uint8_t, N>& bytes) {
    QString text;
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
    if (Observer()) Observer()(record);
}

QString LocalTimeText(const QDateTime& time) {
    return QLocale::c().toString(time.toLocalTime(), QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
}

QString ExchangeRowText(const ExchangeRecord& record) {
    return QStringLiteral("%1  > %2  status %3  < %4  %5 ms")
        .arg(LocalTimeText(record.started), HexBytes(record.request), QString::number(record.status),
             HexBytes(record.reply), QString::number(static_cast<double>(record.durationUs) / 1000.0, 'f', 3));
}

}  // namespace rq36
