// The one request call through which every exchange reaches the module, the
// texts of every result code, and the library text buffers.
#pragma once

#include <cstdint>

#include <QString>

#include "ors_contract.h"

namespace rq36 {

// The status of a request asked for while another exchange waits for its
// reply: nothing was sent; the caller tries again later.  A program code
// (100 and above), with the program's text.
inline constexpr std::uint8_t kStatusRequestBusy = 120;

// True from the call into the library until it returns.
bool RequestInFlight();

// Sends address, command, d0, d1..d5 through the bound library.  On status 0
// d1 = reply byte, d2..d5 = response words 0..3 (r0..r3); otherwise d1..d5
// are 0.  status receives the low 8 bits of the library's (or the binding
// layer's) status.  A zero handle sends nothing and writes nothing.
// response: the caller's buffer of ORS_RESPONSE_WORDS words.
void ModuleRequest(std::uint8_t kind, ors_handle_t handle, std::uint8_t address, std::uint8_t command, std::uint8_t d0,
                   std::uint8_t& d1, std::uint8_t& d2, std::uint8_t& d3, std::uint8_t& d4, std::uint8_t& d5,
                   std::uint8_t& status, std::int32_t* response);

// Calls the bound Send (Modbus wrapping for kind 5); 10 when not bound.
std::int32_t SendFrame(std::uint8_t kind, ors_handle_t handle, const std::int32_t* request, std::int32_t* response,
                       std::int32_t& replyByte, std::int32_t& status);

// The text of a result code into a text buffer (ORS_TEXT_WORDS words):
// codes 0..99 from the library's Error, 100 and above the program's own.
std::int32_t ErrorText(std::uint8_t kind, std::int32_t code, std::int32_t* text);

// Text <-> text buffer (ORS_TEXT_WORDS words, Windows-1250, zero-ended).
void TextToWords(const QString& text, std::int32_t* words);
QString WordsToText(const std::int32_t* words);

// WordsToText of ErrorText: the message for a status, as dialogs show it.
QString StatusMessage(std::uint8_t kind, std::int32_t code);

}  // namespace rq36
