#include "interface/interface_kinds.h"

#include <array>

#include "connection_settings.h"

namespace rq36 {

namespace {

constexpr std::array<InterfaceKindInfo, kInterfaceKinds> kKinds = {{
    {'A', "COMx", "Standardní COMx   (protokol Vextbus-2)", InitShape::Word, false, kParamComPort},
    {'B', "ORS-B", "ISA karta ORS-B   (protokol Vextbus-2)", InitShape::Word, false, kParamIsaBase},
    {'C', "ORS-C", "PCI karta ORS-C   (protokol Vextbus-2)", InitShape::Plain, false, 0},
    {'D', "ORS-D", "USB konvertor ORS-D   (protokol Vextbus-2)", InitShape::Plain, false, 0},
    {'E', "ORS-E", "LAN konvertor ORS-E   (protokol Vextbus-2)", InitShape::Block, false, kParamLan},
    {'F', "Modbus COMx", "Standardní COMx   (protokol Modbus RTU)", InitShape::Word, true,
     kParamComPort | kParamParity},
    {'G', "ORS-G", "PCI karta ORS-G   (protokol Vextbus-2)", InitShape::Block, false,
     kParamEuart | kParamDiagnosticWindow},
}};

static_assert(kKinds[kKindModbus].modbus && kKinds[kKindOrsE].Takes(kParamLan) && kKinds[kKindOrsG].letter == 'G');

}  // namespace

const InterfaceKindInfo* KindInfo(int kind) {
    if (kind < 0 || kind >= kInterfaceKinds) return nullptr;
    return &kKinds[static_cast<std::size_t>(kind)];
}

bool PortMapsToDevice(int kind) { return kind == kKindModbus; }

QStringList InterfaceListTexts() {
    QStringList texts;
    for (const InterfaceKindInfo& k : kKinds) texts << QString::fromUtf8(k.listText);
    return texts;
}

}  // namespace rq36
