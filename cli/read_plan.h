// What `rq36 read` is asked for: the channels, the pause between samples and
// how many samples.
#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

namespace rq36::cli {

enum class ChannelKind { Analog, Combined, Counter, Digital, Status };

struct ReadChannel {
    QString name;  // as typed: "ain0", "c01", "cnt0", "din", "status"
    ChannelKind kind;
    int index = 0;  // input, pair or counter; the combined pair's first input is its index
};

struct ReadPlan {
    std::vector<ReadChannel> channels;  // default: ain0 .. ain5
    int intervalMs = 0;
    int count = 1;  // 0: until interrupted
};

// The channel of a name, or none.
std::optional<ReadChannel> ChannelNamed(const QString& name);
// [--interval MS] [--count N] [CHANNEL...]; with an interval and no count
// the samples go on until interrupted.  None and *error on a usage error.
std::optional<ReadPlan> ParseReadArguments(const QStringList& arguments, QString* error);

}  // namespace rq36::cli
