// Watching the exchanges of the one request call: each request that reaches
// a bound library is reported, with its bytes, its status, the reply's
// bytes, when it started and how long it took, to the one observer set here
// (the command-line tool's trace; a traffic monitor).  Without an observer
// the request call takes no time stamps.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QDateTime>
#include <QString>

namespace rq36 {

struct ExchangeRecord {
    QDateTime started;                      // local time the request was handed to the library
    std::array<std::uint8_t, 8> request{};  // address, command, d0, d1..d5
    std::uint8_t status = 0;                // low 8 bits of the library's status, as the request call gives it
    std::array<std::uint8_t, 5> reply{};    // reply byte and r0..r3 (all 0 after a failure)
    std::int64_t durationUs = 0;            // from the call into the library to its return
};

using ExchangeObserver = std::function<void(const ExchangeRecord&)>;

// Sets (or, with an empty function, removes) the observer.  One at a time,
// from the thread that makes the requests.
void SetExchangeObserver(ExchangeObserver observer);
bool ExchangeObserved();
// Called by the request call after each exchange.
void ReportExchange(const ExchangeRecord& record);

// One row of a trace: local time with milliseconds, the eight request bytes,
// the status, the five reply bytes and the duration in milliseconds, e.g.
// "2026-12-08T09:15:02.120  > 01 C8 00 00 00 00 00 00  status 0  < 00 52 51 2D 33  2.310 ms"
QString ExchangeRowText(const ExchangeRecord& record);

// "yyyy-MM-ddTHH:mm:ss.zzz" of a local time, whatever the locale.
QString LocalTimeText(const QDateTime& time);

}  // namespace rq36
