// The configuration keys of `rq36 config`: each names one byte of bank 0 (the
// byteSlots of the configuration dialogs' runs) and says how its value reads and
// is written on the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

#include "module/config_transfer.h"

namespace rq36::cli {

enum class KeyKind { Number, Speed, Parity, Protocol, Range, Mask };

struct ConfigKey {
    QString name;
    ConfigByteSlot slot;
    KeyKind kind;
};

// address, speed, parity, protocol, ain0.range .. ain5.range, din.negate,
// dout.negate, dout.initial: the order of `config get`.
const std::vector<ConfigKey>& ConfigKeys();
const ConfigKey* FindConfigKey(const QString& name);

// The byte for a value typed on the command line, or none.
std::optional<std::uint8_t> ParseKeyValue(const ConfigKey& key, const QString& text);
// What the key accepts, for a usage error.
QString KeyAccepts(const ConfigKey& key);
// The byte as the command line writes it ("9600", "even", "3"); a byte the
// key does not know is written as its number.
QString KeyValueText(const ConfigKey& key, std::uint8_t byte);
// The parity words in the record's order (0 even, 1 odd, 2 none): the
// `parity` key and the --parity option.
std::optional<std::uint8_t> ParityOfWord(const QString& word);
// The word of a parity index (empty for none of the three).
QString ParityWord(std::uint8_t index);

// True when the value is a word, not a number (json quotes it).
bool KeyValueIsWord(const ConfigKey& key, std::uint8_t byte);

}  // namespace rq36::cli
