#include "HostText.h"

#include <cctype>
#include <cstdio>

#include "memstore/HResult.h"

namespace rulehost {
namespace {

struct NamedResult {
  HRESULT hr;
  const char* name;
};

// The names of the codes that cross the extension's interface; they come before
// memstore's MAPI names for the same values (E_FAIL rather than MAPI_E_CALL_FAILED).
const NamedResult kComResults[] = {
    {static_cast<HRESULT>(0x00000000L), "S_OK"},
    {static_cast<HRESULT>(0x00000001L), "S_FALSE"},
    {static_cast<HRESULT>(0x80004001L), "E_NOTIMPL"},
    {static_cast<HRESULT>(0x80004002L), "E_NOINTERFACE"},
    {static_cast<HRESULT>(0x80004003L), "E_POINTER"},
    {static_cast<HRESULT>(0x80004005L), "E_FAIL"},
    {static_cast<HRESULT>(0x8000FFFFL), "E_UNEXPECTED"},
    {static_cast<HRESULT>(0x80070005L), "E_ACCESSDENIED"},
    {static_cast<HRESULT>(0x8007000EL), "E_OUTOFMEMORY"},
    {static_cast<HRESULT>(0x80070057L), "E_INVALIDARG"},
};

std::string HexCode(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

// memstore's name of a code, or "" when it has none.
std::string MemstoreName(HRESULT hr) {
  const std::string text = memstore::HResultText(hr);
  const std::size_t blank = text.find(" (");
  return blank == std::string::npos ? std::string() : text.substr(0, blank);
}

}  // namespace

std::string Quoted(std::string_view text) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      out += "\\x";
      out += kDigits[byte >> 4];
      out += kDigits[byte & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

std::string Hex(const BYTE* bytes, std::size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 0xF];
  }
  return out;
}

std::string Hex(const std::vector<BYTE>& bytes) {
  return Hex(bytes.data(), bytes.size());
}

std::optional<std::vector<BYTE>> ParseHex(std::string_view text) {
  std::vector<BYTE> bytes;
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == ':' || c == '-') {
      if (high >= 0) {
        return std::nullopt;  // a separator inside a byte
      }
      continue;
    }
    if (!std::isxdigit(static_cast<unsigned char>(c))) {
      return std::nullopt;
    }
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<BYTE>(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) {
    return std::nullopt;
  }
  return bytes;
}

std::string ResultText(HRESULT hr) {
  for (const NamedResult& named : kComResults) {
    if (named.hr == hr) {
      return std::string(named.name) + " (" + HexCode(hr) + ")";
    }
  }
  const std::string name = MemstoreName(hr);
  return name.empty() ? HexCode(hr) : name + " (" + HexCode(hr) + ")";
}

std::optional<HRESULT> ParseResult(std::string_view text) {
  if (const auto number = ParseNumber(text)) {
    return static_cast<HRESULT>(*number);
  }
  const std::string wanted = Lower(text);
  for (const NamedResult& named : kComResults) {
    if (Lower(named.name) == wanted) {
      return named.hr;
    }
  }
  // memstore names the MAPI codes: successes and failures of the MAPI facility.
  for (unsigned long base : {0x80040000UL, 0x00040000UL}) {
    for (unsigned long code = base; code < base + 0x1000; ++code) {
      const auto hr = static_cast<HRESULT>(code);
      if (Lower(MemstoreName(hr)) == wanted) {
        return hr;
      }
    }
  }
  for (unsigned long code : {0x80070005UL, 0x8007000EUL, 0x80070057UL, 0x80004002UL, 0x80004005UL}) {
    const auto hr = static_cast<HRESULT>(code);
    if (Lower(MemstoreName(hr)) == wanted) {
      return hr;
    }
  }
  return std::nullopt;
}

std::optional<unsigned long> ParseNumber(std::string_view text) {
  if (text.empty()) {
    return std::nullopt;
  }
  unsigned long long value = 0;
  int base = 10;
  std::size_t i = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    i = 2;
  }
  for (; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    int digit = 0;
    if (std::isdigit(c)) {
      digit = c - '0';
    } else if (base == 16 && std::isxdigit(c)) {
      digit = std::tolower(c) - 'a' + 10;
    } else {
      return std::nullopt;
    }
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFULL) {
      return std::nullopt;
    }
  }
  return static_cast<unsigned long>(value);
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

std::string ByteCount(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string Padded(std::size_t number, std::size_t width) {
  std::string text = std::to_string(number);
  return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

std::optional<std::string> FindControlCharacter(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) {
      const std::string name = byte == 0 ? "NUL" : byte == '\t' ? "a tab" : Quoted(text.substr(i, 1));
      return name + " at column " + std::to_string(i + 1);
    }
  }
  return std::nullopt;
}

}  // namespace rulehost
