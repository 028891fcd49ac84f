#include "result_texts.h"

#include <array>
#include <string>

#include "cp1250.h"
#include "ors_contract.h"

namespace orsg {
namespace {

constexpr std::array<std::string_view, 17> kTexts = {
    "V pořádku",
    "Chybná komunikační rychlost",
    "Rozdílné timeouty nebo rychlosti linek",
    "Chyba při vysílání zprávy",
    "Timeout - nepřišla žádná odpověď",
    "Timeout - nepřišla správná odpověď",
    "Odpověď přerušena",
    "Chyba parity odpovědi",
    "Chybná hlavička odpovědi",
    "Chyba kontrolního součtu odpovědi",
    "Nelze vytvořit datovou strukturu knihovny",
    "Chyba inicializačních parametrů",
    "Neplatný handle zařízení",
    "Chyba přístupu k zařízení",
    "Chyba knihovny Varnel_OX952",
    "Nenalezena žádná karta ORS-G",
    "Nenalezena požadovaná karta ORS-G",
};

constexpr std::string_view kUnknown = "Neznámý chybový kód";

}  // namespace

std::string_view ResultTextUtf8(uint32_t code) { return code < kTexts.size() ? kTexts[code] : kUnknown; }

void WriteResultText(uint32_t code, int32_t* out) {
    constexpr std::size_t kMaxCharacters = ORS_ERROR_TEXT_WORDS - 1;
    std::string text = rq36::Utf8ToCp1250(ResultTextUtf8(code));
    text.push_back('\0');
    if (text.size() > kMaxCharacters) text.resize(kMaxCharacters);
    std::size_t i = 0;
    for (char c : text) out[i++] = static_cast<unsigned char>(c);
    out[i] = 0;
}

}  // namespace orsg
