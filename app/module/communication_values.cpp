#include "module/communication_values.h"

#include "int_text.h"
#include "interface/connection_logic.h"
#include "module/command_set.h"

namespace rq36 {

std::optional<std::uint8_t> ParseConfigAddress(const QString& text) {
    const std::optional<std::int32_t> value = ParseIntText(text.toStdString());
    if (!value || *value < 0 || *value > 255) return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

QStringList ProtocolListTexts() { return {QStringLiteral("Vextbus-2"), QStringLiteral("Modbus RTU")}; }

QStringList ModuleSpeedListTexts() {
    // The module runs at 2400 Bd (speed code 2) and above.
    return SpeedListTexts().mid(kFirstModuleSpeedCode);
}

}  // namespace rq36
