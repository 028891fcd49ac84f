// scan's own arguments, checked before anything is sent, and the plan they
// make for the connection record.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "connection_settings.h"
#include "interface/bus_scan.h"

namespace rq36::cli {

struct ScanArguments {
    std::vector<std::uint8_t> addresses;  // in the order given; empty: all
    std::vector<std::int32_t> speeds;     // module speeds named; empty: all seven
    std::vector<std::uint8_t> parities;   // parity indices named; empty: all three
    bool first = false;
    std::int32_t extraTimeoutMs = 0;
};

// "A-B[,C…]": single addresses and ranges 0..255 in the program's integer
// text rules, each address once in the order first named.  None (with
// *error) for an empty list or item, an address out of 0..255 and a
// reversed range.
std::optional<std::vector<std::uint8_t>> ParseAddressList(const QString& text, QString* error);

std::optional<ScanArguments> ParseScanArguments(const QStringList& arguments, QString* error);

// The record's default plan (its speed and parity first) narrowed to what
// the arguments name.
ScanPlan ScanPlanFor(const ScanArguments& arguments, const ConnectionSettings& record);

}  // namespace rq36::cli
