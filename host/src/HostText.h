// Small text helpers of the rule host: how it prints texts, bytes and result codes, and
// how it reads numbers and result codes from its arguments.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Mapi.h"

namespace rulehost {

// The text in double quotes, with '"' and '\' escaped and every byte outside printable
// ASCII written as \xNN, so that blanks at the ends and code-page bytes show.
std::string Quoted(std::string_view text);

// Bytes as upper-case hexadecimal digits without separators.
std::string Hex(const BYTE* bytes, std::size_t size);
std::string Hex(const std::vector<BYTE>& bytes);
// Reads an even number of hexadecimal digits (blanks, ':' and '-' between bytes allowed).
std::optional<std::vector<BYTE>> ParseHex(std::string_view text);

// "S_OK (0x00000000)", "E_INVALIDARG (0x80070057)", "MAPI_E_NOT_FOUND (0x8004010F)"; a code
// without a name as its hexadecimal value.
std::string ResultText(HRESULT hr);
// A result code by name (any name ResultText prints, case ignored) or as a number
// ("0x8004010F", "2147746063").
std::optional<HRESULT> ParseResult(std::string_view text);

// A whole unsigned decimal or 0x-prefixed hexadecimal number that fits 32 bits.
std::optional<unsigned long> ParseNumber(std::string_view text);

std::string Lower(std::string_view text);
// "1 byte", "256 bytes".
std::string ByteCount(std::size_t count);
// The number right-aligned in `width` characters.
std::string Padded(std::size_t number, std::size_t width);
// `text` without blanks at either end.
std::string_view Trim(std::string_view text);
// The first control character of `text` (a byte below 0x20, or 0x7F) and where it is,
// as "NUL at column 3" (columns from 1); none when there is none.
std::optional<std::string> FindControlCharacter(std::string_view text);

}  // namespace rulehost
