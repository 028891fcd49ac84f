// The channels a sample can take from the module, by name: the analog inputs,
// the combined values of the pairs, the counters, the digital inputs and the
// status register.  For each: the request that reads it and how its reply
// becomes a value, scaled and written as the live views show it.  `rq36 read`
// and the recorder both take their channels from here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include <QLocale>
#include <QString>
#include <QStringList>

#include "live/live_values.h"
#include "module/command_set.h"

namespace rq36 {

enum class ChannelKind {
    Analog,        // ain0 .. ain5
    Combined,      // c01 c12 c20 c34 c45 c53
    Counter,       // cnt0 cnt1
    Digital,       // din: both inputs as a bit mask 0..3
    DigitalInput,  // din0 din1: one input, 0 or 1
    Status,        // status: the whole register, 0x%08X
    StatusBit,     // status.fn, status.prf, ...: one named bit of byte 0
};

struct Channel {
    QString name;  // "ain0", "c01", "cnt0", "din", "din1", "status", "status.err24"
    ChannelKind kind = ChannelKind::Analog;
    // Input, pair or counter (a combined pair's first input), digital input,
    // or the status bit's number in byte 0.
    int index = 0;
};

inline constexpr int kCounterChannels = 2;

// Every channel, in the order the recorder offers them.
const std::vector<Channel>& AllChannels();

// The channel of a name, or none.
std::optional<Channel> ChannelNamed(const QString& name);

// The request that reads the channel; channels of one register (din0, din1,
// din; status and its bits) share the same request.
ModuleCommand ChannelRequest(const Channel& channel);
bool SameRequest(const Channel& a, const Channel& b);

// The requests one sample of these channels takes: one for each analog,
// combined and counter channel, one for the digital register, one for the
// status register, however many of their channels are asked for.
int RequestsPerSample(const std::vector<Channel>& channels);

// True for the channels whose value is scaled by an input's range (the range
// chooses their unit).
bool IsScaled(const Channel& channel);

// The range codes of the six inputs, as read from the module.
using InputRanges = std::array<int, kAnalogInputs>;

// The unit of a channel: "V" or "mA" by its input's range for a scaled
// channel, none for the others.
QString ChannelUnit(const Channel& channel, const InputRanges& ranges);

// A channel's value in one reply: its text as the live views write it (in
// `locale`), its unit, and the number a plot draws (volts or milliamperes,
// counts, 0/1, the register as an unsigned number).
struct ChannelSample {
    QString text;
    QString unit;
    double number = 0.0;
};
ChannelSample ChannelSampleOf(const Channel& channel, const std::array<std::uint8_t, 4>& reply,
                              const InputRanges& ranges, const QLocale& locale);

// Reads the range codes of the inputs that scaled channels among `channels`
// need (one configuration byte each) into `ranges`.  The reply of the first
// failed request, or a reply of status 0.
ModuleReply ReadInputRanges(ModuleLink& link, const std::vector<Channel>& channels, InputRanges& ranges);

}  // namespace rq36
