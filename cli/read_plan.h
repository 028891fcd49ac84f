// What `rq36 read` is asked for: the channels, the pause between samples and
// how many samples.
#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "live/channels.h"

namespace rq36::cli {

// The channels are the program's own table (live/channels.h).
using ReadChannel = Channel;
using rq36::ChannelKind;
using rq36::ChannelNamed;

struct ReadPlan {
    std::vector<ReadChannel> channels;  // default: ain0 .. ain5
    int intervalMs = 0;
    int count = 1;  // 0: until interrupted
};

// [--interval MS] [--count N] [CHANNEL...]; with an interval and no count
// the samples go on until interrupted.  None and *error on a usage error.
std::optional<ReadPlan> ParseReadArguments(const QStringList& arguments, QString* error);

}  // namespace rq36::cli
