#include "module/config_transfer.h"

namespace rq36 {
namespace {

bool SlotsValid(std::span<const ConfigByteSlot> run) {
    for (const ConfigByteSlot& slot : run)
        if (slot.imageIndex >= kConfigImageSize) return false;
    return true;
}

int Percent(std::size_t k, std::size_t n) { return static_cast<int>(k * 100 / n); }

}  // namespace

QString NotConnectedText() { return QStringLiteral(" Připojení k modulu není inicializováno."); }
QString ReadProgressText(int percent) {
    return QStringLiteral(" Probíhá čtení konfigurace z modulu (%1 %)").arg(percent);
}
QString ReadDoneText() { return QStringLiteral(" Konfigurace přečtena."); }
QString WriteProgressText(int percent) {
    return QStringLiteral(" Probíhá zápis konfigurace do modulu (%1 %)").arg(percent);
}
QString WriteDoneText() { return QStringLiteral(" Konfigurace zapsána."); }
QString WriteMismatchText() { return QStringLiteral(" Chyba zápisu dat."); }

TransferResult ReadConfigBytes(ModuleLink& link, ModuleHost& host, std::span<const ConfigByteSlot> run,
                               ConfigImageBytes& working, TransferPacing pacing) {
    if (!SlotsValid(run)) return TransferResult::BadSlot;
    host.ShowStatus(ReadProgressText(0));
    const std::size_t n = run.size();
    for (std::size_t k = 1; k <= n; ++k) {
        if (host.StopRequested()) return TransferResult::Stopped;
        const ConfigByteSlot& slot = run[k - 1];
        const ModuleReply reply = link.Send(ReadConfigByteCommand(kConfigBank, slot.address));
        if (!reply.Ok()) {
            host.ShowLinkStatus(link, reply.status);
            return TransferResult::RequestFailed;
        }
        working[slot.imageIndex] = reply.r[2];
        host.ShowStatus(ReadProgressText(Percent(k, n)));
        if (pacing == TransferPacing::CommunicationDialog && k == n) break;
        host.ProcessEvents();
        host.Pause(1);
    }
    host.ShowStatus(ReadDoneText());
    return TransferResult::Done;
}

VerifiedWrite WriteConfigByteVerified(ModuleLink& link, std::uint8_t bank, std::uint8_t address, std::uint8_t value,
                                      const std::function<void()>& betweenRequests) {
    ModuleReply reply = link.Send(WriteConfigByteCommand(bank, address, value));
    if (!reply.Ok()) return {VerifiedWrite::RequestFailed, reply.status};
    if (betweenRequests) betweenRequests();
    reply = link.Send(ReadConfigByteCommand(bank, address));
    if (!reply.Ok()) return {VerifiedWrite::RequestFailed, reply.status};
    if (reply.r[2] != value) return {VerifiedWrite::Mismatch, 0};
    return {};
}

TransferResult WriteConfigBytes(ModuleLink& link, ModuleHost& host, std::span<const ConfigByteSlot> run,
                                const ConfigImageBytes& working, TransferPacing pacing) {
    if (!SlotsValid(run)) return TransferResult::BadSlot;
    const ConfigImageBytes image = working;  // the controls may change while this runs
    const bool pauses = pacing == TransferPacing::Standard;
    host.ShowStatus(WriteProgressText(0));
    const std::size_t n = run.size();
    for (std::size_t k = 1; k <= n; ++k) {
        const ConfigByteSlot& slot = run[k - 1];
        const VerifiedWrite written =
            WriteConfigByteVerified(link, kConfigBank, slot.address, image[slot.imageIndex], [&] {
                host.ProcessEvents();
                if (pauses) host.Pause(1);
            });
        if (written.outcome == VerifiedWrite::RequestFailed) {
            host.ShowLinkStatus(link, written.status);
            return TransferResult::RequestFailed;
        }
        if (written.outcome == VerifiedWrite::Mismatch) {
            host.ShowStatus(WriteMismatchText());
            return TransferResult::Mismatch;
        }
        host.ShowStatus(WriteProgressText(Percent(k, n)));
        if (!pauses && k == n) break;
        host.ProcessEvents();
        if (pauses) host.Pause(1);
    }
    host.ShowStatus(WriteDoneText());
    return TransferResult::Done;
}

TransferResult ReadConfigBytes(const ConnectionSettings* settings, ModuleHost& host,
                               std::span<const ConfigByteSlot> run, ConfigImageBytes& working, TransferPacing pacing) {
    if (!IsConnected(settings)) {
        host.ShowStatus(NotConnectedText());
        return TransferResult::NotConnected;
    }
    BoundModuleLink link(*settings);
    return ReadConfigBytes(link, host, run, working, pacing);
}

TransferResult WriteConfigBytes(const ConnectionSettings* settings, ModuleHost& host,
                                std::span<const ConfigByteSlot> run, const ConfigImageBytes& working,
                                TransferPacing pacing) {
    if (!IsConnected(settings)) {
        host.ShowStatus(NotConnectedText());
        return TransferResult::NotConnected;
    }
    BoundModuleLink link(*settings);
    return WriteConfigBytes(link, host, run, working, pacing);
}

}  // namespace rq36
