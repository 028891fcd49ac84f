#include "interface/reconnect_offer.h"

#include <algorithm>

#include "interface/connection_logic.h"
#include "interface/interface_kinds.h"
#include "module/communication_values.h"

namespace rq36 {

namespace {

constexpr std::uint8_t kProtocolVextbus = 0;
constexpr std::uint8_t kProtocolModbus = 1;

bool Holds(std::span<const ConfigByteSlot> run, std::uint8_t address) {
    return std::any_of(run.begin(), run.end(), [address](const ConfigByteSlot& s) { return s.address == address; });
}

QString ListText(const QStringList& texts, int index) {
    return index >= 0 && index < texts.size() ? texts[index] : QString::number(index);
}

QString Describe(std::uint8_t address, std::int32_t speed, std::uint8_t protocol, std::optional<std::uint8_t> parity) {
    QString text = QStringLiteral("adresa %1, rychlost %2 Bd, protokol %3")
                       .arg(address)
                       .arg(speed)
                       .arg(ListText(ProtocolListTexts(), protocol));
    if (parity) text += QStringLiteral(", parita ") + ListText(ParityListTexts(), *parity);
    return text;
}

}  // namespace

void NoteModuleHeld(ConnectionSettings& settings, std::span<const ConfigByteSlot> run, const ConfigImageBytes& image) {
    if (!Holds(run, kCfgModuleAddress) || !Holds(run, kCfgSpeed) || !Holds(run, kCfgParity) ||
        !Holds(run, kCfgProtocol))
        return;
    settings.ModuleHeld =
        HeldCommunication{image[kImgModuleAddress], image[kImgSpeedCode], image[kImgParity], image[kImgProtocol]};
}

void NoteModuleHeld(ConnectionSettings& settings, const Snapshot& restored) {
    ConfigImageBytes image{};
    for (const ConfigByteSlot& slot : kCommunicationSlots) {
        const std::optional<std::uint8_t>& byte = restored.bank0[slot.address];
        if (!byte) return;
        image[slot.imageIndex] = *byte;
    }
    NoteModuleHeld(settings, kCommunicationSlots, image);
}

std::optional<ReconnectOffer> OfferAfterRestart(const ConnectionSettings& settings) {
    if (!settings.ModuleHeld) return std::nullopt;
    const HeldCommunication& held = *settings.ModuleHeld;
    const InterfaceKindInfo* info = KindInfo(settings.InterfaceKind);
    // A code the lists do not know describes no connection to offer.
    if (info == nullptr || held.speedCode >= SpeedListTexts().size() || held.parity > 2 ||
        held.protocol > kProtocolModbus)
        return std::nullopt;

    const std::uint8_t protocol = info->modbus ? kProtocolModbus : kProtocolVextbus;
    ReconnectOffer offer;
    offer.kind = settings.InterfaceKind;
    if (held.protocol != protocol) offer.kind = held.protocol == kProtocolModbus ? kKindModbus : kKindComPort;
    const bool modbus = KindInfo(offer.kind)->Takes(kParamParity);
    offer.address = held.address;
    offer.speed = SpeedFromIndex(held.speedCode);
    offer.parity = modbus ? held.parity : settings.Parity;
    if (offer.kind == settings.InterfaceKind && offer.address == settings.ModuleAddress &&
        offer.speed == settings.Speed && offer.parity == settings.Parity)
        return std::nullopt;

    const bool wasModbus = info->Takes(kParamParity);
    offer.question = QStringLiteral(
                         "Modul po restartu komunikuje podle nového nastavení:\n%1.\n\n"
                         "Připojení programu dosud používá:\n%2.\n\n"
                         "Připojit se k modulu znovu s novým nastavením?")
                         .arg(Describe(offer.address, offer.speed, held.protocol,
                                       modbus ? std::optional<std::uint8_t>(offer.parity) : std::nullopt),
                              Describe(settings.ModuleAddress, settings.Speed, protocol,
                                       wasModbus ? std::optional<std::uint8_t>(settings.Parity) : std::nullopt));
    return offer;
}

void ApplyReconnectOffer(ConnectionSettings& settings, const ReconnectOffer& offer) {
    settings.InterfaceKind = offer.kind;
    settings.ModuleAddress = offer.address;
    settings.Speed = offer.speed;
    settings.Parity = offer.parity;
}

}  // namespace rq36
