// config get [KEY...] / config set KEY=VALUE...: the module's configuration
// bytes, read and written the way the configuration dialogs do (each write
// read back).
#include <vector>

#include "cli.h"
#include "config_keys.h"
#include "module/range_table.h"

namespace rq36::cli {

namespace {

struct Assignment {
    const ConfigKey* key;
    std::uint8_t value;
};

QString JsonValue(const ConfigKey& key, std::uint8_t byte) {
    const QString text = KeyValueText(key, byte);
    return KeyValueIsWord(key, byte) ? JsonString(text) : text;
}

// The keys with their values in the chosen format.
bool PrintValues(Session& session, const std::vector<Assignment>& values) {
    switch (session.Options().format) {
    case OutputFormat::Json: {
        QStringList fields;
        for (const Assignment& a : values)
            fields << JsonString(a.key->name) + QStringLiteral(": ") + JsonValue(*a.key, a.value);
        return session.Print(QLatin1Char('{') + fields.join(QStringLiteral(", ")) + QLatin1Char('}'));
    }
    case OutputFormat::Csv: {
        if (!session.Print(QStringLiteral("key,value"))) return false;
        for (const Assignment& a : values) {
            if (!session.Print(a.key->name + QLatin1Char(',') + KeyValueText(*a.key, a.value))) return false;
        }
        return true;
    }
    case OutputFormat::Text:
        for (const Assignment& a : values) {
            QString line = a.key->name + QLatin1Char('=') + KeyValueText(*a.key, a.value);
            // A range also by its list text.
            if (a.key->kind == KeyKind::Range) {
                if (const AnalogRange* range = RangeOf(a.value))
                    line += QLatin1Char('\t') + QString::fromUtf8(range->listText);
            }
            if (!session.Print(line)) return false;
        }
        return true;
    }
    return true;
}

int RunGet(Session& session, const std::vector<const ConfigKey*>& keys) {
    std::vector<ConfigByteSlot> byteSlots;
    byteSlots.reserve(keys.size());
    for (const ConfigKey* key : keys) byteSlots.push_back(key->slot);
    ConfigImageBytes image = session.Record().ConfigImage;
    if (!ReadConfiguration(session, byteSlots, image)) return kExitFailure;
    std::vector<Assignment> values;
    values.reserve(keys.size());
    for (const ConfigKey* key : keys) values.push_back({key, image[key->slot.imageIndex]});
    PrintValues(session, values);
    return kExitOk;
}

int RunSet(Session& session, const std::vector<Assignment>& assignments) {
    std::vector<Assignment> changed;
    for (const Assignment& a : assignments) {
        ConfigImageBytes image = session.Record().ConfigImage;
        const ConfigByteSlot slot = a.key->slot;
        if (!ReadConfiguration(session, {&slot, 1}, image)) return kExitFailure;
        if (image[slot.imageIndex] == a.value) continue;  // already so: nothing to write
        const VerifiedWrite written = WriteConfigByteVerified(session.Link(), kConfigBank, slot.address, a.value);
        if (written.outcome == VerifiedWrite::RequestFailed) {
            session.Fail(session.Link().StatusText(written.status));
            return kExitFailure;
        }
        if (written.outcome == VerifiedWrite::Mismatch) {
            session.Fail(WriteMismatchText());
            return kExitFailure;
        }
        changed.push_back(a);
    }
    if (!session.Options().quiet && !changed.empty()) PrintValues(session, changed);
    return kExitOk;
}

}  // namespace

Prepared PrepareConfig(const QStringList& arguments, const CliOptions&) {
    const QString action = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    if (action == QLatin1String("get")) {
        std::vector<const ConfigKey*> keys;
        for (const QString& name : rest) {
            const ConfigKey* key = FindConfigKey(name);
            if (key == nullptr) return UsageError(QStringLiteral("neznámý klíč %1").arg(name));
            keys.push_back(key);
        }
        if (keys.empty()) {
            for (const ConfigKey& key : ConfigKeys()) keys.push_back(&key);
        }
        return {{}, [keys](Session& s) { return RunGet(s, keys); }};
    }
    if (action == QLatin1String("set")) {
        if (rest.isEmpty()) return UsageError(QStringLiteral("config set: chybí KLÍČ=HODNOTA"));
        std::vector<Assignment> assignments;
        for (const QString& pair : rest) {
            const qsizetype eq = pair.indexOf(QLatin1Char('='));
            const QString name = eq < 0 ? pair : pair.left(eq);
            const ConfigKey* key = FindConfigKey(name);
            if (key == nullptr) return UsageError(QStringLiteral("neznámý klíč %1").arg(name));
            if (eq < 0) return UsageError(QStringLiteral("%1: chybí =HODNOTA").arg(name));
            for (const Assignment& a : assignments) {
                if (a.key == key) return UsageError(QStringLiteral("klíč %1 je zadán dvakrát").arg(name));
            }
            const QString text = pair.mid(eq + 1);
            const std::optional<std::uint8_t> value = ParseKeyValue(*key, text);
            if (!value)
                return UsageError(
                    QStringLiteral("%1: neplatná hodnota „%2“ (platí %3)").arg(name, text, KeyAccepts(*key)));
            assignments.push_back({key, *value});
        }
        return {{}, [assignments](Session& s) { return RunSet(s, assignments); }};
    }
    return UsageError(action.isEmpty() ? QStringLiteral("config: chybí get nebo set")
                                       : QStringLiteral("config: neznámá akce %1 (get, set)").arg(action));
}

}  // namespace rq36::cli
