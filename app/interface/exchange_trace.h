// Watching the exchanges of the one request call.  Every request that
// reaches a bound library is recorded, with its bytes, its status, the
// reply's bytes, when it started and how long it took: into the program's
// ring of exchanges (always; see traffic_ring.h) and to the one observer set
// here (the command-line tool's trace).  One formatter gives the texts of a
// record to the traffic monitor's table, its CSV file and the trace.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace rq36 {

// Plain bytes, cheap to copy into the ring: no allocation.
struct ExchangeRecord {
    std::int64_t startedMs = 0;             // ms since the epoch (UTC) the request was handed to the library
    std::int32_t durationUs = 0;            // from the call into the library to its return
    std::uint8_t kind = 0;                  // interface kind 0..6
    std::array<std::uint8_t, 8> request{};  // address, command, d0, d1..d5
    std::uint8_t status = 0;                // low 8 bits of the library's status, as the request call gives it
    std::array<std::uint8_t, 5> reply{};    // reply byte and r0..r3 (all 0 after a failure)

    std::uint8_t Address() const { return request[0]; }
    std::uint8_t Command() const { return request[1]; }
    bool Failed() const { return status != 0; }
};

using ExchangeObserver = std::function<void(const ExchangeRecord&)>;

// Sets (or, with an empty function, removes) the observer.  One at a time,
// from the thread that makes the requests.
void SetExchangeObserver(ExchangeObserver observer);
bool ExchangeObserved();
// Called by the request call after each exchange: into the program's ring,
// then to the observer.
void ReportExchange(const ExchangeRecord& record);

// The columns of an exchange, in the order the monitor, the CSV file and the
// trace show them.
enum ExchangeColumn {
    kColTime,      // local time with milliseconds
    kColDuration,  // ms with three decimals
    kColKind,      // the interface library
    kColAddress,   // module address, decimal
    kColCommand,   // "C8 identifikace"
    kColRequest,   // the eight request bytes in hex
    kColStatus,    // "0" or "26 Timeout - nepřišla žádná odpověď"
    kColReply,     // reply byte and r0..r3 in hex
    kExchangeColumns
};

// The headers of the columns (Czech, as the monitor and the CSV file show them).
QStringList ExchangeColumnHeaders();

// The text of one column.  statusText: the program's text of the status (as
// StatusMessage gives it); only the status column uses it.
QString ExchangeField(const ExchangeRecord& record, int column, const QString& statusText = {});

// One row of a trace: the columns in order, two blanks apart, the request
// after "> ", the status after "status ", the reply after "< ", e.g.
// "2026-12-08T09:15:02.120  2.310 ms  ORS-E  1  C8 identifikace  > 01 C8 00 00 00 00 00 00  status 0  < 00 52 51 2D 33"
QString ExchangeRowText(const ExchangeRecord& record, const QString& statusText = {});

// "yyyy-MM-ddTHH:mm:ss.zzz" of a local time, whatever the locale.
QString LocalTimeText(const QDateTime& time);

}  // namespace rq36
