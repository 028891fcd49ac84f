#include "module/snapshot_transfer.h"

#include "interface/connection_logic.h"
#include "module/config_transfer.h"
#include "module/snapshot_file.h"

namespace rq36 {

namespace {

// A request the module answers with a reply byte 1 to 5 (unknown command,
// address or bank, not readable, value refused, duplicated bytes differ) was
// refused: nothing was read or changed.
bool Refused(const ModuleReply& reply) { return reply.replyByte >= 0x01 && reply.replyByte <= 0x05; }

int Percent(std::size_t k, std::size_t n) { return n == 0 ? 100 : static_cast<int>(k * 100 / n); }

struct PlannedWrite {
    std::uint8_t bank;
    std::uint8_t address;
    std::uint8_t value;
};

}  // namespace

QString RestartNoteText() {
    return QStringLiteral(" Nová adresa, rychlost, parita a protokol platí až po „Restart modulu“.");
}

std::optional<QString> ReadModuleIdentity(ModuleLink& link, QString* error) {
    std::array<QString, 3> parts;
    for (std::uint8_t part = 0; part < 3; ++part) {
        const ModuleReply reply = link.Send(ReadIdentityCommand(part));
        if (!reply.Ok()) {
            if (error) *error = u' ' + link.StatusText(reply.status);
            return std::nullopt;
        }
        parts[part] = IdentityPart(reply.r[0], reply.r[1], reply.r[2], reply.r[3]);
    }
    return ModuleIdentityText(parts[0], parts[1], parts[2]);
}

SnapshotRead ReadModuleSnapshot(ModuleLink& link, SnapshotSink& sink, bool withCalibration) {
    SnapshotRead out;
    Snapshot s;
    sink.ShowStatus(ReadProgressText(0));
    const std::optional<QString> identity = ReadModuleIdentity(link, &out.error);
    if (!identity) {
        sink.ShowStatus(out.error);
        return out;
    }
    s.identity = *identity;
    s.taken = QDateTime::currentDateTimeUtc();
    if (withCalibration) s.calibration.emplace();

    std::vector<std::uint8_t> banks = {kConfigBank};
    if (withCalibration)
        for (int b = kCalibrationBankFirst; b <= kCalibrationBankLast; ++b)
            banks.push_back(static_cast<std::uint8_t>(b));
    const std::size_t total = banks.size() * kBankBytes;
    std::size_t done = 0;
    int shown = 0;
    for (const std::uint8_t bank : banks) {
        SnapshotBank& target =
            bank == kConfigBank ? s.bank0 : (*s.calibration)[static_cast<std::size_t>(bank - kCalibrationBankFirst)];
        for (int a = 0; a < kBankBytes; ++a) {
            if (sink.StopRequested()) {
                out.error = QStringLiteral(" Čtení přerušeno.");
                return out;
            }
            const ModuleReply reply = link.Send(ReadConfigByteCommand(bank, static_cast<std::uint8_t>(a)));
            if (!reply.Ok()) {
                out.error = u' ' + link.StatusText(reply.status);
                sink.ShowStatus(out.error);
                return out;
            }
            if (!Refused(reply)) target[static_cast<std::size_t>(a)] = reply.r[2];
            const int percent = Percent(++done, total);
            if (percent != shown) sink.ShowStatus(ReadProgressText(shown = percent));
            sink.ProcessEvents();
        }
    }
    sink.ShowStatus(ReadDoneText());
    out.snapshot = std::move(s);
    return out;
}

ModuleComparison CompareWithModule(ModuleLink& link, const Snapshot& snapshot, SnapshotSink& sink) {
    ModuleComparison out;
    SnapshotRead module = ReadModuleSnapshot(link, sink, snapshot.calibration.has_value());
    if (!module.snapshot) {
        out.error = module.error;
        return out;
    }
    out.differences = CompareSnapshots(snapshot, *module.snapshot);
    return out;
}

RestoreOutcome RestoreSnapshot(ModuleLink& link, const Snapshot& snapshot, const RestoreOptions& options,
                               SnapshotSink& sink) {
    RestoreOutcome out;
    const auto stop = [&](SnapshotResult result, const QString& message) {
        out.result = result;
        out.message = message;
        sink.ShowStatus(message);
        return out;
    };
    if (options.withCalibration && !snapshot.calibration)
        return stop(SnapshotResult::Refused, QStringLiteral(" Soubor neobsahuje kalibrační konstanty."));

    const SnapshotRead module = ReadModuleSnapshot(link, sink, options.withCalibration);
    if (!module.snapshot) return stop(SnapshotResult::Failed, module.error);
    // Calibration constants belong to one module's converters: they go back
    // only to a module that identifies itself exactly as the one they came from.
    if (options.withCalibration && module.snapshot->identity != snapshot.identity)
        return stop(SnapshotResult::Refused,
                    QStringLiteral(" Kalibrační konstanty nelze obnovit: soubor je z modulu „%1“, připojen je modul "
                                   "„%2“. Nic nebylo zapsáno.")
                        .arg(snapshot.identity, module.snapshot->identity));

    // Bank 0 without the communication settings, then the calibration banks,
    // then the communication settings: until the restart the module answers
    // at its old settings, and a failure before leaves them untouched.
    std::vector<PlannedWrite> plan;
    std::vector<PlannedWrite> communication;
    const auto planBank = [&](int bank, const SnapshotBank& want, const SnapshotBank& have) {
        for (int a = 0; a < kBankBytes; ++a) {
            std::optional<std::uint8_t> value = want[static_cast<std::size_t>(a)];
            if (bank == kConfigBank && a == kCfgModuleAddress && options.newAddress) value = options.newAddress;
            if (!value) continue;
            const auto& current = have[static_cast<std::size_t>(a)];
            if (!current) {
                sink.Note(QStringLiteral("Banka %1, adresa %2: modul ji nezná, nezapsáno.")
                              .arg(bank)
                              .arg(QString::asprintf("%02Xh", a)));
                continue;
            }
            if (*current == *value) continue;
            const PlannedWrite w{static_cast<std::uint8_t>(bank), static_cast<std::uint8_t>(a), *value};
            (bank == kConfigBank && IsCommunicationAddress(w.address) ? communication : plan).push_back(w);
        }
    };
    planBank(kConfigBank, snapshot.bank0, module.snapshot->bank0);
    if (options.withCalibration)
        for (int b = kCalibrationBankFirst; b <= kCalibrationBankLast; ++b)
            planBank(b, *snapshot.Bank(b), *module.snapshot->Bank(b));
    for (const ConfigByteSlot& slot : kCommunicationSlots)
        for (const PlannedWrite& w : communication)
            if (w.address == slot.address) plan.push_back(w);

    if (plan.empty()) return stop(SnapshotResult::Done, QStringLiteral(" Konfigurace modulu se shoduje se souborem."));

    sink.ShowStatus(WriteProgressText(0));
    for (std::size_t k = 0; k < plan.size(); ++k) {
        if (sink.StopRequested()) return stop(SnapshotResult::Stopped, QStringLiteral(" Zápis přerušen."));
        const PlannedWrite& w = plan[k];
        const VerifiedWrite written = WriteConfigByteVerified(link, w.bank, w.address, w.value, [&] {
            sink.ProcessEvents();
            sink.Pause(1);
        });
        if (written.outcome == VerifiedWrite::RequestFailed)
            return stop(SnapshotResult::Failed, u' ' + link.StatusText(written.status));
        if (written.outcome == VerifiedWrite::Mismatch) return stop(SnapshotResult::Failed, WriteMismatchText());
        ++out.written;
        if (w.bank == kConfigBank && IsCommunicationAddress(w.address)) out.communicationChanged = true;
        sink.ShowStatus(WriteProgressText(Percent(k + 1, plan.size())));
    }
    // A clone says it once, for all its modules.
    if (out.communicationChanged && !options.newAddress) sink.Note(RestartNoteText().mid(1));
    return stop(SnapshotResult::Done, WriteDoneText());
}

RestoreOutcome RestoreSnapshotFile(ModuleLink& link, const QString& path, const RestoreOptions& options,
                                   SnapshotSink& sink) {
    const SnapshotReadResult file = ReadSnapshotFile(path);
    if (!file.snapshot) {
        RestoreOutcome out;
        out.result = SnapshotResult::Refused;
        out.message = u' ' + file.error;
        sink.ShowStatus(out.message);
        return out;
    }
    return RestoreSnapshot(link, *file.snapshot, options, sink);
}

std::optional<std::vector<CloneTarget>> CloneTargets(std::uint8_t currentAddress, int start, int step, int count) {
    std::vector<CloneTarget> out;
    for (int k = 0; k < count; ++k) {
        const long long address = start + static_cast<long long>(k) * step;
        if (address < 1 || address > 255) return std::nullopt;
        out.push_back({currentAddress, static_cast<std::uint8_t>(address)});
    }
    return out;
}

CloneOutcome CloneSnapshot(const std::function<std::unique_ptr<ModuleLink>(std::uint8_t address)>& linkTo,
                           const Snapshot& snapshot, const std::vector<CloneTarget>& targets, SnapshotSink& sink,
                           const std::function<bool(int index, const CloneTarget& target)>& beforeEach) {
    CloneOutcome out;
    // A clone copies the configuration only: calibration constants belong to
    // the module they were measured on.
    Snapshot configuration = snapshot;
    configuration.calibration.reset();
    for (std::size_t k = 0; k < targets.size(); ++k) {
        const CloneTarget& t = targets[k];
        if (beforeEach && !beforeEach(static_cast<int>(k), t)) {
            out.result = SnapshotResult::Stopped;
            break;
        }
        const std::unique_ptr<ModuleLink> link = linkTo(t.currentAddress);
        RestoreOptions options;
        options.newAddress = t.newAddress;
        const RestoreOutcome r = RestoreSnapshot(*link, configuration, options, sink);
        if (r.result != SnapshotResult::Done) {
            out.result = r.result;
            out.message = QStringLiteral(" Modul %1 (adresa %2): ").arg(k + 1).arg(t.currentAddress) + r.message.mid(1);
            sink.ShowStatus(out.message);
            return out;
        }
        ++out.modulesDone;
        sink.Note(QStringLiteral("Modul %1: adresa %2 → %3, zapsáno %4 bajtů.")
                      .arg(k + 1)
                      .arg(t.currentAddress)
                      .arg(t.newAddress)
                      .arg(r.written));
    }
    out.message = QStringLiteral(" Konfigurace zapsána do %1 modulů.").arg(out.modulesDone);
    if (out.modulesDone > 0) sink.Note(RestartNoteText().mid(1));
    sink.ShowStatus(out.message);
    return out;
}

}  // namespace rq36
