// ANSI code pages, conversions to and from UTF-16, and the text comparisons of the
// platform.
//
// The ANSI code page is one per process: 1252 unless a test selects 932 with
// win32::SetAnsiCodePage. Code page 1252 is a table of its own below. Code page 932
// (Shift-JIS as Windows defines it) takes its double-byte characters from the C
// library's "CP932" converter, read once into two tables; the C library's table is the
// one Windows publishes for the code page, including the NEC and IBM extensions and
// the user-defined area.
#include "win32/Text.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::atomic<UINT> g_ansiCodePage{1252};

// The code page a caller's CP_ACP or explicit number stands for; 0 when unsupported.
UINT ResolveCodePage(UINT codePage) {
  if (codePage == CP_ACP || codePage == CP_THREAD_ACP) {
    return g_ansiCodePage.load();
  }
  if (codePage == 1252 || codePage == 932 || codePage == CP_UTF8) {
    return codePage;
  }
  return 0;
}

// ---------------------------------------------------------------------------------
// Code page 1252. Bytes below 0x80 and from 0xA0 are the Unicode code points of the
// same value; 0x80-0x9F are the table below, where the five bytes Windows leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 control of the same value,
// as MultiByteToWideChar gives them, and convert back to the same byte.

const char16_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

char16_t Decode1252(BYTE b) {
  return b >= 0x80 && b < 0xA0 ? k1252High[b - 0x80] : static_cast<char16_t>(b);
}

// The byte of a UTF-16 unit in 1252, or -1 when the code page has none.
int Encode1252(char16_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
    return u;
  }
  if (u < 0xA0) {
    return k1252High[u - 0x80] == u ? u : -1;  // the controls of the five undefined bytes
  }
  for (int i = 0; i < 32; ++i) {
    if (k1252High[i] == u) {
      return 0x80 + i;
    }
  }
  return -1;
}

// ---------------------------------------------------------------------------------
// Code page 932.

bool IsLead932(BYTE b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool IsTrail932(BYTE b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// What Windows gives for a double-byte sequence that the code page does not define.
constexpr char16_t kUndefined932 = 0x30FB;

struct Tables932 {
  std::vector<char16_t> toUnicode;  // (lead << 8 | trail) -> unit; 0 when undefined
  std::vector<WORD> fromUnicode;    // unit -> (lead << 8 | trail); 0 when none
};

Tables932 Build932() {
  Tables932 t{std::vector<char16_t>(0x10000, 0), std::vector<WORD>(0x10000, 0)};
  iconv_t cd = iconv_open("UTF-16LE", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    return t;  // the C library lacks the converter: double-byte text stays undefined
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLead932(static_cast<BYTE>(lead))) {
      continue;
    }
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (!IsTrail932(static_cast<BYTE>(trail))) {
        continue;
      }
      char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      unsigned char out[8] = {};
      char* inPtr = in;
      char* outPtr = reinterpret_cast<char*>(out);
      std::size_t inLeft = sizeof in;
      std::size_t outLeft = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
          sizeof out - outLeft != 2) {
        continue;
      }
      t.toUnicode[(lead << 8) | trail] = static_cast<char16_t>(out[0] | (out[1] << 8));
    }
  }
  iconv_close(cd);
  // Where several codes give one character, Windows converts back to the lowest code,
  // except that the NEC-selected IBM extensions (leads 0xED, 0xEE) yield to any other.
  auto claim = [&t](int lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const WORD code = static_cast<WORD>((lead << 8) | trail);
      const char16_t u = t.toUnicode[code];
      if (u != 0 && t.fromUnicode[u] == 0) {
        t.fromUnicode[u] = code;
      }
    }
  };
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (IsLead932(static_cast<BYTE>(lead)) && lead != 0xED && lead != 0xEE) {
      claim(lead);
    }
  }
  claim(0xED);
  claim(0xEE);
  return t;
}

const Tables932& Get932() {
  static const Tables932 tables = Build932();
  return tables;
}

// Single bytes of 932 other than ASCII: half-width katakana (0xA1..0xDF from U+FF61),
// and the five bytes below, which Windows maps to U+0080 and into the private use area.
struct Single932 {
  BYTE byte;
  char16_t unit;
};
constexpr Single932 kOtherSingle932[] = {
    {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3},
};
constexpr BYTE kFirstKatakana932 = 0xA1;
constexpr BYTE kLastKatakana932 = 0xDF;
constexpr char16_t kFirstKatakanaUnit = 0xFF61;

int DecodeSingle932(BYTE b) {
  if (b < 0x80) {
    return b;
  }
  if (b >= kFirstKatakana932 && b <= kLastKatakana932) {
    return kFirstKatakanaUnit + (b - kFirstKatakana932);
  }
  for (const Single932& single : kOtherSingle932) {
    if (single.byte == b) {
      return single.unit;
    }
  }
  return -1;
}

// The inverse of DecodeSingle932: the single byte that stands for `u`, or -1.
int EncodeSingle932(char16_t u) {
  if (u < 0x80) {
    return u;
  }
  if (u >= kFirstKatakanaUnit && u <= kFirstKatakanaUnit + (kLastKatakana932 - kFirstKatakana932)) {
    return kFirstKatakana932 + (u - kFirstKatakanaUnit);
  }
  for (const Single932& single : kOtherSingle932) {
    if (single.unit == u) {
      return single.byte;
    }
  }
  return -1;
}

// ---------------------------------------------------------------------------------
// Decoding and encoding whole texts.

struct Decoded {
  std::u16string text;
  bool invalid = false;
};

Decoded DecodeSingleByte(const BYTE* s, std::size_t n) {
  Decoded d;
  d.text.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    d.text.push_back(Decode1252(s[i]));
  }
  return d;
}

Decoded Decode932(const BYTE* s, std::size_t n) {
  const Tables932& tables = Get932();
  Decoded d;
  for (std::size_t i = 0; i < n; ++i) {
    const BYTE b = s[i];
    if (!IsLead932(b)) {
      const int u = DecodeSingle932(b);
      d.text.push_back(static_cast<char16_t>(u < 0 ? kUndefined932 : u));
      d.invalid = d.invalid || u < 0;
      continue;
    }
    // A lead byte without a trail byte of the code page stands alone; the byte after
    // it is read afresh.
    if (i + 1 >= n || !IsTrail932(s[i + 1])) {
      d.text.push_back(kUndefined932);
      d.invalid = true;
      continue;
    }
    const char16_t u = tables.toUnicode[(b << 8) | s[i + 1]];
    d.text.push_back(u != 0 ? u : kUndefined932);
    d.invalid = d.invalid || u == 0;
    ++i;
  }
  return d;
}

// Ill-formed sequences become U+FFFD, one per maximal ill-formed part.
Decoded DecodeUtf8(const BYTE* s, std::size_t n) {
  Decoded d;
  std::size_t i = 0;
  while (i < n) {
    const BYTE b = s[i];
    if (b < 0x80) {
      d.text.push_back(b);
      ++i;
      continue;
    }
    int length = 0;
    char32_t cp = 0;
    BYTE low = 0x80;
    BYTE high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      cp = b & 0x0F;
      low = b == 0xE0 ? 0xA0 : 0x80;
      high = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      cp = b & 0x07;
      low = b == 0xF0 ? 0x90 : 0x80;
      high = b == 0xF4 ? 0x8F : 0xBF;
    }
    std::size_t used = 1;
    bool ok = length != 0;
    for (int k = 1; ok && k < length; ++k) {
      if (i + used >= n) {
        ok = false;
        break;
      }
      const BYTE c = s[i + used];
      const BYTE lo = k == 1 ? low : 0x80;
      const BYTE hi = k == 1 ? high : 0xBF;
      if (c < lo || c > hi) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (c & 0x3F);
      ++used;
    }
    i += used;
    if (!ok) {
      d.text.push_back(0xFFFD);
      d.invalid = true;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      d.text.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      d.text.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      d.text.push_back(static_cast<char16_t>(cp));
    }
  }
  return d;
}

Decoded Decode(UINT codePage, const BYTE* s, std::size_t n) {
  if (codePage == 932) {
    return Decode932(s, n);
  }
  if (codePage == CP_UTF8) {
    return DecodeUtf8(s, n);
  }
  return DecodeSingleByte(s, n);
}

struct Encoded {
  std::string text;
  bool usedDefault = false;
  bool invalid = false;
};

Encoded EncodeAnsi(UINT codePage, const char16_t* s, std::size_t n, const std::string& defaultChar) {
  Encoded e;
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t u = s[i];
    if (codePage == 1252) {
      const int b = Encode1252(u);
      if (b >= 0) {
        e.text.push_back(static_cast<char>(b));
        continue;
      }
    } else {
      const int b = EncodeSingle932(u);
      if (b >= 0) {
        e.text.push_back(static_cast<char>(b));
        continue;
      }
      const WORD code = Get932().fromUnicode[u];
      if (code != 0) {
        e.text.push_back(static_cast<char>(code >> 8));
        e.text.push_back(static_cast<char>(code & 0xFF));
        continue;
      }
    }
    e.text += defaultChar;
    e.usedDefault = true;
  }
  return e;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Unpaired surrogates become U+FFFD.
Encoded EncodeUtf8(const char16_t* s, std::size_t n) {
  Encoded e;
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t u = s[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      AppendUtf8(e.text, 0x10000 + ((static_cast<char32_t>(u - 0xD800) << 10) | (s[i + 1] - 0xDC00)));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(e.text, 0xFFFD);
      e.invalid = true;
    } else {
      AppendUtf8(e.text, u);
    }
  }
  return e;
}

template <typename T>
bool Overlap(const T* a, std::size_t aBytes, const void* b, std::size_t bBytes) {
  const auto* pa = reinterpret_cast<const BYTE*>(a);
  const auto* pb = static_cast<const BYTE*>(b);
  return pa < pb + bBytes && pb < pa + aBytes;
}

// Copies a result into the caller's buffer by the rules both conversions share: a
// size of 0 asks for the length; a short buffer is filled and the call fails with
// ERROR_INSUFFICIENT_BUFFER.
template <typename Char>
int Deliver(const std::basic_string<Char>& result, Char* buffer, int size) {
  if (result.size() > static_cast<std::size_t>(INT32_MAX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int length = static_cast<int>(result.size());
  if (size == 0) {
    return length;
  }
  if (length > size) {
    std::copy(result.begin(), result.begin() + size, buffer);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::copy(result.begin(), result.end(), buffer);
  return length;
}

// Deliver for a result of `length` characters where character i is unit(i), made
// straight into the caller's buffer.
template <typename Char, typename Unit>
int DeliverEach(std::size_t length, Char* buffer, int size, Unit unit) {
  if (length > static_cast<std::size_t>(INT32_MAX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (size == 0) {
    return static_cast<int>(length);
  }
  const std::size_t written = std::min(length, static_cast<std::size_t>(size));
  for (std::size_t i = 0; i < written; ++i) {
    buffer[i] = static_cast<Char>(unit(i));
  }
  if (written < length) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return static_cast<int>(length);
}

// ---------------------------------------------------------------------------------
// Collation of CompareStringA.
//
// Each character gives weights on three levels: the primary weight (which letter,
// digit or symbol), the diacritic weight and the case weight. Word sort compares all
// primary weights first, then the diacritic weights, then (unless case is ignored) the
// case weights; the hyphen and the apostrophe carry no primary weight and decide only
// between texts that are otherwise equal. Primary groups, from low to high: symbols
// and punctuation, digits, Latin letters, every other character.
//
// A character gives no weight (controls and the soft hyphen), one, or two (æ, ß and
// œ weigh as the two letters they stand for); the hyphen and the apostrophe give a mark
// instead, which counts by its place among the weights. The weights of the 256 bytes of
// code page 1252 are worked out once, into a table; text of code page 932 is decoded
// and weighed one character at a time. A comparison reads both texts side by side
// without copying them: the first primary weight that differs decides, and on the way
// the first differing diacritic and case weights are noted, which decide in that order
// when every primary weight is equal. Only texts that no level tells apart are read
// again, for their marks. In 1252 a common first part of the two texts weighs the same
// on every level and is passed over at once.
//
// Not reproduced: the diacritic order of Windows between two different accents on one
// letter (ours is a fixed order of our own), case folding of letters outside Latin
// (Greek, Cyrillic and the full-width Latin letters fold; Greek and Cyrillic do not),
// the kana and width levels of Japanese text (kana and ideographs sort by code point
// after the Latin letters), expansions beyond ß, æ and œ, digits of other scripts,
// the exact place of the characters outside Latin-1 among the symbols, and the
// position rules by which Windows orders two texts that differ only in hyphens and
// apostrophes (here: the marks one by one, a mark at an earlier place first and at the
// same place the apostrophe before the hyphen; a text whose marks are all the first of
// the other's sorts first).

enum Group : std::uint32_t { kSymbol = 1, kDigit = 2, kLatin = 3, kOther = 4 };

struct Weight {
  std::uint32_t primary;
  std::uint8_t diacritic;
  std::uint8_t caseWeight;  // 0 lower case or caseless, 1 upper case, 2 full width
};

constexpr std::uint32_t Primary(Group group, std::uint32_t value) {
  return (static_cast<std::uint32_t>(group) << 24) | value;
}

// ASCII symbols in the order Windows sorts them; hyphen and apostrophe are absent.
constexpr char kSymbolOrder[] = " !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>";

enum Accent : std::uint8_t {
  kNone = 0,
  kAcute,
  kGrave,
  kCircumflex,
  kDiaeresis,
  kTilde,
  kRing,
  kCedilla,
  kStroke,
  kCaron,
  kHook
};

// Latin-1 letters U+00C0-U+00FF: base letter (lower case) and accent; '*' marks the
// two symbols of the range, '^' the letters handled apart (æ, ß, þ).
struct Latin1Letter {
  char base;
  Accent accent;
};
constexpr Latin1Letter kLatin1[32] = {
    {'a', kGrave},      {'a', kAcute},     {'a', kCircumflex}, {'a', kTilde},     {'a', kDiaeresis},
    {'a', kRing},       {'^', kNone},      {'c', kCedilla},    {'e', kGrave},     {'e', kAcute},
    {'e', kCircumflex}, {'e', kDiaeresis}, {'i', kGrave},      {'i', kAcute},     {'i', kCircumflex},
    {'i', kDiaeresis},  {'d', kStroke},    {'n', kTilde},      {'o', kGrave},     {'o', kAcute},
    {'o', kCircumflex}, {'o', kTilde},     {'o', kDiaeresis},  {'*', kNone},      {'o', kStroke},
    {'u', kGrave},      {'u', kAcute},     {'u', kCircumflex}, {'u', kDiaeresis}, {'y', kAcute},
    {'^', kNone},       {'^', kNone},
};

// The weights of one character: none, one or two; or, for a hyphen or an apostrophe
// (full width too), no weight and the mark.
struct CharWeights {
  Weight weights[2];
  std::uint8_t count;
  char16_t mark;  // '-' or '\'', or 0 for any other character
};

void AddLetter(CharWeights& c, char lower, Accent accent, bool upper) {
  c.weights[c.count++] = {Primary(kLatin, static_cast<std::uint32_t>(lower - 'a' + 1)), accent,
                          static_cast<std::uint8_t>(upper ? 1 : 0)};
}

void AddWeight(CharWeights& c, std::uint32_t primary, Accent accent = kNone, bool upper = false) {
  c.weights[c.count++] = {primary, accent, static_cast<std::uint8_t>(upper ? 1 : 0)};
}

CharWeights WeighCharacter(char16_t u) {
  CharWeights c{};
  if (u == '-' || u == '\'') {
    c.mark = u;
    return c;
  }
  if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u == 0xAD) {
    return c;  // controls and the soft hyphen weigh nothing
  }
  // Full-width forms of ASCII weigh as ASCII, differing only in width.
  if (u >= 0xFF01 && u <= 0xFF5E) {
    c = WeighCharacter(static_cast<char16_t>(u - 0xFF01 + 0x21));
    for (std::uint8_t i = 0; i < c.count; ++i) {
      c.weights[i].caseWeight = static_cast<std::uint8_t>(c.weights[i].caseWeight + 2);
    }
    return c;
  }
  if (u >= 'a' && u <= 'z') {
    AddLetter(c, static_cast<char>(u), kNone, false);
    return c;
  }
  if (u >= 'A' && u <= 'Z') {
    AddLetter(c, static_cast<char>(u - 'A' + 'a'), kNone, true);
    return c;
  }
  if (u >= '0' && u <= '9') {
    AddWeight(c, Primary(kDigit, u - '0'));
    return c;
  }
  if (u < 0x80) {
    const char* at = std::strchr(kSymbolOrder, static_cast<char>(u));
    AddWeight(c, Primary(kSymbol, static_cast<std::uint32_t>(at - kSymbolOrder)));
    return c;
  }
  if (u == 0xB9 || u == 0xB2 || u == 0xB3) {  // superscript digits: digits with a mark
    AddWeight(c, Primary(kDigit, u == 0xB9 ? 1 : u - 0xB0), kHook);
    return c;
  }
  if (u >= 0xC0 && u <= 0xFF) {
    const bool upper = u < 0xE0;
    const Latin1Letter& l = kLatin1[(u - 0xC0) % 32];
    if (l.base != '*' && l.base != '^' && u != 0xFF) {
      AddLetter(c, l.base, l.accent, upper);
      return c;
    }
    switch (u) {
      case 0xC6:
      case 0xE6:  // æ: a e
        AddLetter(c, 'a', kNone, upper);
        AddLetter(c, 'e', kNone, upper);
        return c;
      case 0xDF:  // ß: s s
        AddLetter(c, 's', kNone, false);
        AddLetter(c, 's', kNone, false);
        return c;
      case 0xDE:
      case 0xFE:  // þ: a letter of its own after z
        AddWeight(c, Primary(kLatin, 27), kNone, upper);
        return c;
      case 0xFF:
        AddLetter(c, 'y', kDiaeresis, false);
        return c;
      default:
        break;  // × and ÷ are symbols
    }
  }
  switch (u) {
    case 0x0152:
    case 0x0153:  // œ: o e
      AddLetter(c, 'o', kNone, u == 0x0152);
      AddLetter(c, 'e', kNone, u == 0x0152);
      return c;
    case 0x0160:
    case 0x0161:
      AddLetter(c, 's', kCaron, u == 0x0160);
      return c;
    case 0x017D:
    case 0x017E:
      AddLetter(c, 'z', kCaron, u == 0x017D);
      return c;
    case 0x0178:
      AddLetter(c, 'y', kDiaeresis, true);
      return c;
    case 0x0192:
      AddLetter(c, 'f', kHook, false);
      return c;
    default:
      break;
  }
  const bool letterLike = (u >= 0x0100 && u < 0x2000) || u >= 0x3040;
  if (letterLike) {
    AddWeight(c, Primary(kOther, u));
    return c;
  }
  // Symbols outside ASCII follow the ASCII ones, by code point.
  AddWeight(c, Primary(kSymbol, 0x100 + u));
  return c;
}

// The weights of every byte of code page 1252; also those of ASCII in 932.
struct Weights1252 {
  CharWeights byByte[256];
};

const Weights1252& Get1252Weights() {
  static const Weights1252 table = [] {
    Weights1252 t{};
    for (int b = 0; b < 256; ++b) {
      t.byByte[b] = WeighCharacter(Decode1252(static_cast<BYTE>(b)));
    }
    return t;
  }();
  return table;
}

// Reads the weights of an ANSI text one at a time, in 1252 from the table and in 932
// decoding as it goes (as Decode932 does: an undefined byte or sequence, or a lead byte
// without its trail byte, is U+30FB).
class WeightReader {
 public:
  WeightReader(const BYTE* text, const BYTE* end, const Weights1252& table, const Tables932* tables932)
      : m_at(text), m_end(end), m_table(table), m_932(tables932), m_character(&kNothing) {}

  // The next weight, or nullptr at the end of the text. Marks are passed over.
  const Weight* Next() {
    while (m_index == m_character->count) {
      if (m_at == m_end) {
        return nullptr;
      }
      m_character = &ReadCharacter();
      m_index = 0;
    }
    return &m_character->weights[m_index++];
  }

  // The next mark and the number of weights before it; false at the end of the text.
  bool NextMark(std::size_t& position, char16_t& mark) {
    while (m_at != m_end) {
      const CharWeights& c = ReadCharacter();
      if (c.mark != 0) {
        position = m_weightsBefore;
        mark = c.mark;
        return true;
      }
      m_weightsBefore += c.count;
    }
    return false;
  }

 private:
  static constexpr CharWeights kNothing{};

  const CharWeights& ReadCharacter() {
    const BYTE b = *m_at++;
    if (m_932 == nullptr || b < 0x80) {
      return m_table.byByte[b];
    }
    char16_t u = kUndefined932;
    if (!IsLead932(b)) {
      const int single = DecodeSingle932(b);
      u = single < 0 ? kUndefined932 : static_cast<char16_t>(single);
    } else if (m_at != m_end && IsTrail932(*m_at)) {
      const char16_t unit = m_932->toUnicode[(b << 8) | *m_at++];
      u = unit != 0 ? unit : kUndefined932;
    }
    m_decoded = WeighCharacter(u);
    return m_decoded;
  }

  const BYTE* m_at;
  const BYTE* m_end;
  const Weights1252& m_table;
  const Tables932* m_932;
  const CharWeights* m_character;
  std::uint8_t m_index = 0;
  std::size_t m_weightsBefore = 0;
  CharWeights m_decoded{};
};

// Compares two ANSI texts of the ANSI code page: negative, 0 or positive.
int Collate(const BYTE* a, std::size_t aLength, const BYTE* b, std::size_t bLength, DWORD flags) {
  const Tables932* tables932 = g_ansiCodePage.load() == 932 ? &Get932() : nullptr;
  if (tables932 == nullptr) {
    // Each byte is a character of its own: what both texts begin with weighs the same
    // and puts their marks at the same places.
    const std::size_t common = std::min(aLength, bLength);
    const std::size_t same = static_cast<std::size_t>(std::mismatch(a, a + common, b).first - a);
    a += same;
    b += same;
    aLength -= same;
    bLength -= same;
  }
  const Weights1252& table = Get1252Weights();
  const bool ignoreCase = (flags & NORM_IGNORECASE) != 0;
  WeightReader readA(a, a + aLength, table, tables932);
  WeightReader readB(b, b + bLength, table, tables932);
  int diacritic = 0;
  int caseOrWidth = 0;  // width alone when case is ignored
  for (;;) {
    const Weight* x = readA.Next();
    const Weight* y = readB.Next();
    if (x == nullptr || y == nullptr) {
      if (x != y) {
        return x == nullptr ? -1 : 1;
      }
      break;
    }
    if (x->primary != y->primary) {
      return x->primary < y->primary ? -1 : 1;
    }
    if (diacritic == 0 && x->diacritic != y->diacritic) {
      diacritic = x->diacritic < y->diacritic ? -1 : 1;
    }
    if (caseOrWidth == 0) {
      const int cx = ignoreCase ? (x->caseWeight >= 2 ? 1 : 0) : x->caseWeight;
      const int cy = ignoreCase ? (y->caseWeight >= 2 ? 1 : 0) : y->caseWeight;
      if (cx != cy) {
        caseOrWidth = cx < cy ? -1 : 1;
      }
    }
  }
  if (diacritic != 0 && (flags & NORM_IGNORENONSPACE) == 0) {
    return diacritic;
  }
  if (caseOrWidth != 0) {
    return caseOrWidth;
  }
  WeightReader marksA(a, a + aLength, table, tables932);
  WeightReader marksB(b, b + bLength, table, tables932);
  for (;;) {
    std::size_t positionA = 0;
    std::size_t positionB = 0;
    char16_t markA = 0;
    char16_t markB = 0;
    const bool hasA = marksA.NextMark(positionA, markA);
    const bool hasB = marksB.NextMark(positionB, markB);
    if (!hasA || !hasB) {
      return hasA == hasB ? 0 : (hasA ? 1 : -1);
    }
    if (positionA != positionB) {
      return positionA < positionB ? -1 : 1;
    }
    if (markA != markB) {
      return markA < markB ? -1 : 1;
    }
  }
}

// ---------------------------------------------------------------------------------
// Sort keys of LCMapStringA: the weights Collate compares, written out level by level,
//
//   primary weights 01 diacritics 01 case (or width) 01 marks 00
//
// so that two keys compared as bytes order their texts as Collate does. Every byte
// before the terminator is 02 or more: a text whose primary weights are the first of
// another's reaches its 01 first, and at the end a text with fewer marks its 00. With
// equal primary weights both texts have a weight on each level for each primary one;
// the lowest weights at the end of a level are left out, so a level starts at the same
// place in both keys whenever the levels before it are equal.
//
// A primary weight takes one byte when its value within its group is small (every
// ASCII symbol, digit and Latin letter), otherwise the group's lead byte and the value
// in three bytes of seven bits, high bit set. The groups' bytes ascend with the groups,
// and a group's lead byte is above its single bytes, as the long values are above the
// short ones.

struct GroupBytes {
  BYTE first;  // the byte of value 0
  BYTE count;  // values below this take one byte
  BYTE lead;
};
constexpr GroupBytes kGroupBytes[] = {
    {0, 0, 0},         // no group 0
    {0x02, 46, 0x30},  // kSymbol
    {0x31, 10, 0x3B},  // kDigit
    {0x3C, 48, 0x6C},  // kLatin
    {0x6D, 0, 0x6D},   // kOther: always long
};
constexpr unsigned kLevelSeparator = 0x01;
constexpr unsigned kLowestWeightByte = 0x02;

// Writes a key into the caller's buffer as far as it goes, and counts its bytes.
class KeyWriter {
 public:
  KeyWriter(LPSTR dest, std::size_t size) : m_dest(dest), m_size(size) {}

  void Put(unsigned value) {
    if (m_length < m_size) {
      m_dest[m_length] = static_cast<char>(value);
    }
    ++m_length;
  }
  std::size_t Length() const { return m_length; }

 private:
  LPSTR m_dest;
  std::size_t m_size;
  std::size_t m_length = 0;
};

void PutSevenBitGroups(KeyWriter& key, std::uint64_t value, int groups) {
  for (int shift = 7 * (groups - 1); shift >= 0; shift -= 7) {
    key.Put(0x80 | ((value >> shift) & 0x7F));
  }
}

void PutPrimary(KeyWriter& key, std::uint32_t primary) {
  const GroupBytes& g = kGroupBytes[primary >> 24];
  const std::uint32_t value = primary & 0xFFFFFF;  // at most 21 bits: 0x100 + a unit
  if (value < g.count) {
    key.Put(g.first + value);
    return;
  }
  key.Put(g.lead);
  PutSevenBitGroups(key, value, 3);
}

// A mark's place counts the weights before it: one byte up to 0xBF, otherwise a lead
// byte above those and the count in five bytes of seven bits.
void PutMarkPosition(KeyWriter& key, std::size_t position) {
  constexpr std::size_t kShort = 0xC0;
  if (position < kShort) {
    key.Put(kLowestWeightByte + static_cast<unsigned>(position));
    return;
  }
  key.Put(0xF0);
  PutSevenBitGroups(key, position, 5);
}

// Writes the weights of the diacritic or the case level, leaving out the lowest weights
// at its end: that keeps the order, as the separator after the level is below every
// weight, and most texts then have no bytes at all on these levels.
class LevelWriter {
 public:
  explicit LevelWriter(KeyWriter& key) : m_key(key) {}

  void Put(unsigned weight) {
    if (weight == 0) {
      ++m_lowest;
      return;
    }
    for (; m_lowest != 0; --m_lowest) {
      m_key.Put(kLowestWeightByte);
    }
    m_key.Put(kLowestWeightByte + weight);
  }

 private:
  KeyWriter& m_key;
  std::size_t m_lowest = 0;  // lowest weights not yet written
};

// Calls visit(weight) for each weight of the text in order: in 1252 straight from the
// table, in 932 through a WeightReader.
template <typename Visit>
void ForEachWeight(const BYTE* text, const BYTE* end, const Weights1252& table, const Tables932* tables932,
                   Visit visit) {
  if (tables932 == nullptr) {
    for (const BYTE* at = text; at != end; ++at) {
      const CharWeights& c = table.byByte[*at];
      for (std::uint8_t i = 0; i < c.count; ++i) {
        visit(c.weights[i]);
      }
    }
    return;
  }
  WeightReader reader(text, end, table, tables932);
  for (const Weight* w = reader.Next(); w != nullptr; w = reader.Next()) {
    visit(*w);
  }
}

// Writes the sort key of the ANSI text, terminator included. Each level reads the text
// afresh, which costs less than keeping the weights of the first reading.
void WriteSortKey(KeyWriter& key, const BYTE* text, std::size_t length, DWORD flags) {
  const Tables932* tables932 = g_ansiCodePage.load() == 932 ? &Get932() : nullptr;
  const Weights1252& table = Get1252Weights();
  const bool ignoreCase = (flags & NORM_IGNORECASE) != 0;
  const BYTE* end = text + length;

  ForEachWeight(text, end, table, tables932, [&key](const Weight& w) { PutPrimary(key, w.primary); });
  key.Put(kLevelSeparator);
  if ((flags & NORM_IGNORENONSPACE) == 0) {
    LevelWriter diacritics(key);
    ForEachWeight(text, end, table, tables932,
                  [&diacritics](const Weight& w) { diacritics.Put(w.diacritic); });
  }
  key.Put(kLevelSeparator);
  LevelWriter cases(key);
  ForEachWeight(text, end, table, tables932, [&cases, ignoreCase](const Weight& w) {
    cases.Put(ignoreCase ? (w.caseWeight >= 2 ? 1u : 0u) : w.caseWeight);
  });
  key.Put(kLevelSeparator);
  WeightReader marks(text, end, table, tables932);
  std::size_t position = 0;
  char16_t mark = 0;
  while (marks.NextMark(position, mark)) {
    PutMarkPosition(key, position);
    key.Put(mark == '\'' ? kLowestWeightByte : kLowestWeightByte + 1);
  }
  key.Put(0);
}

std::size_t AnsiLength(LPCSTR s, int count) {
  return count < 0 ? std::strlen(s) : static_cast<std::size_t>(count);
}

}  // namespace

/***********************************************************************
 *           GetACP
 *
 * RETURNS
 *  The ANSI code page of the process: 1252, or 932 after win32::SetAnsiCodePage(932).
 */
UINT GetACP() {
  return g_ansiCodePage.load();
}

/***********************************************************************
 *           IsDBCSLeadByteEx
 *
 * PARAMS
 *  codePage [I] code page, or CP_ACP for the ANSI code page.
 *  testChar [I] the byte.
 *
 * RETURNS
 *  TRUE if the byte begins a double-byte character of the code page (932: 0x81-0x9F
 *  and 0xE0-0xFC); FALSE otherwise, and always for 1252 and UTF-8.
 *  An unknown code page gives FALSE with ERROR_INVALID_PARAMETER.
 */
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar) {
  const UINT cp = ResolveCodePage(codePage);
  if (cp == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return cp == 932 && IsLead932(testChar) ? TRUE : FALSE;
}

/***********************************************************************
 *           IsDBCSLeadByte
 *
 * Same as IsDBCSLeadByteEx(CP_ACP, testChar).
 */
BOOL IsDBCSLeadByte(BYTE testChar) {
  return IsDBCSLeadByteEx(CP_ACP, testChar);
}

/***********************************************************************
 *           CharNextA
 *
 * PARAMS
 *  current [I] position in an ANSI text.
 *
 * RETURNS
 *  The position of the next character: two bytes on for a lead byte followed by a
 *  byte other than the terminator, one byte on otherwise; the terminator's own
 *  position when current points at it.
 */
LPSTR CharNextA(LPCSTR current) {
  if (*current == '\0') {
    return const_cast<LPSTR>(current);
  }
  if (IsDBCSLeadByte(static_cast<BYTE>(*current)) && current[1] != '\0') {
    return const_cast<LPSTR>(current + 2);
  }
  return const_cast<LPSTR>(current + 1);
}

/***********************************************************************
 *           MultiByteToWideChar
 *
 * Converts text of a code page to UTF-16.
 *
 * PARAMS
 *  codePage    [I] CP_ACP, CP_THREAD_ACP, 1252, 932 or CP_UTF8.
 *  flags       [I] MB_PRECOMPOSED (no effect) and MB_ERR_INVALID_CHARS.
 *  multiByte   [I] the text.
 *  cbMultiByte [I] its length in bytes; negative: up to and including its terminator.
 *  wideChar    [O] buffer for the UTF-16 units; may be NULL when cchWideChar is 0.
 *  cchWideChar [I] the buffer's size in units; 0 asks for the size needed.
 *
 * RETURNS
 *  Success: the number of units written (or needed when cchWideChar is 0), the
 *           terminator included when cbMultiByte was negative.
 *  Failure: 0. GetLastError() is ERROR_INVALID_PARAMETER for a NULL text, a
 *           cbMultiByte of 0, a negative cchWideChar, a NULL buffer with a non-zero
 *           size, overlapping buffers or an unknown code page; ERROR_INVALID_FLAGS for
 *           other flags; ERROR_NO_UNICODE_TRANSLATION for undefined input with
 *           MB_ERR_INVALID_CHARS; ERROR_INSUFFICIENT_BUFFER when the buffer is too
 *           small (it is filled as far as it goes).
 *
 * NOTES
 *  1252 defines every byte. In 932 an undefined byte or double-byte sequence gives
 *  U+30FB; a lead byte not followed by a trail byte gives U+30FB alone and the next
 *  byte is read afresh. In UTF-8 each ill-formed part gives U+FFFD.
 */
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int cbMultiByte, LPWSTR wideChar,
                        int cchWideChar) {
  if (multiByte == nullptr || cbMultiByte == 0 || cchWideChar < 0 ||
      (wideChar == nullptr && cchWideChar != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const UINT cp = ResolveCodePage(codePage);
  if (cp == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const DWORD allowed = cp == CP_UTF8 ? MB_ERR_INVALID_CHARS : (MB_PRECOMPOSED | MB_ERR_INVALID_CHARS);
  if ((flags & ~allowed) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const std::size_t length =
      cbMultiByte < 0 ? std::strlen(multiByte) + 1 : static_cast<std::size_t>(cbMultiByte);
  if (wideChar != nullptr &&
      Overlap(wideChar, static_cast<std::size_t>(cchWideChar) * sizeof(WCHAR), multiByte, length)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (cp == 1252) {
    return DeliverEach(length, wideChar, cchWideChar,
                       [multiByte](std::size_t i) { return Decode1252(static_cast<BYTE>(multiByte[i])); });
  }
  const Decoded d = Decode(cp, reinterpret_cast<const BYTE*>(multiByte), length);
  if (d.invalid && (flags & MB_ERR_INVALID_CHARS) != 0) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  return Deliver(d.text, wideChar, cchWideChar);
}

/***********************************************************************
 *           WideCharToMultiByte
 *
 * Converts UTF-16 to text of a code page.
 *
 * PARAMS
 *  codePage        [I] CP_ACP, CP_THREAD_ACP, 1252, 932 or CP_UTF8.
 *  flags           [I] WC_NO_BEST_FIT_CHARS (always in effect, see NOTES); for
 *                      CP_UTF8 only WC_ERR_INVALID_CHARS.
 *  wideChar        [I] the UTF-16 text.
 *  cchWideChar     [I] its length in units; negative: up to and including its
 *                      terminator.
 *  multiByte       [O] buffer for the text; may be NULL when cbMultiByte is 0.
 *  cbMultiByte     [I] the buffer's size in bytes; 0 asks for the size needed.
 *  defaultChar     [I] what replaces a character the code page lacks; NULL for '?'.
 *                      Must be NULL for CP_UTF8.
 *  usedDefaultChar [O] optional; set to whether a replacement was made. Must be NULL
 *                      for CP_UTF8.
 *
 * RETURNS
 *  Success: the number of bytes written (or needed when cbMultiByte is 0), the
 *           terminator included when cchWideChar was negative.
 *  Failure: 0, with GetLastError() as for MultiByteToWideChar (ERROR_INVALID_PARAMETER,
 *           ERROR_INVALID_FLAGS, ERROR_NO_UNICODE_TRANSLATION for an unpaired surrogate
 *           with WC_ERR_INVALID_CHARS, ERROR_INSUFFICIENT_BUFFER).
 *
 * NOTES
 *  Characters the code page lacks become the default character, one per UTF-16 unit;
 *  the "best fit" replacements Windows makes without WC_NO_BEST_FIT_CHARS (such as 'A'
 *  for U+0100) are not made. In 932 a character that several codes give converts to
 *  the code Windows picks (the lowest, NEC-selected IBM extensions last). A default
 *  character that is a lead byte of 932 followed by a trail byte counts as one
 *  double-byte character. Unpaired surrogates become U+FFFD in UTF-8.
 */
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideChar, int cchWideChar, LPSTR multiByte,
                        int cbMultiByte, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  if (wideChar == nullptr || cchWideChar == 0 || cbMultiByte < 0 ||
      (multiByte == nullptr && cbMultiByte != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const UINT cp = ResolveCodePage(codePage);
  if (cp == 0 || (cp == CP_UTF8 && (defaultChar != nullptr || usedDefaultChar != nullptr))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const DWORD allowed = cp == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  if ((flags & ~allowed) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  std::size_t length = 0;
  if (cchWideChar < 0) {
    while (wideChar[length] != 0) {
      ++length;
    }
    ++length;
  } else {
    length = static_cast<std::size_t>(cchWideChar);
  }
  if (multiByte != nullptr &&
      Overlap(wideChar, length * sizeof(WCHAR), multiByte, static_cast<std::size_t>(cbMultiByte))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (cp == 1252) {
    // A unit gives one byte, the default character's first byte where 1252 lacks it.
    const char replacement = defaultChar != nullptr && defaultChar[0] != '\0' ? defaultChar[0] : '?';
    if (usedDefaultChar != nullptr) {
      *usedDefaultChar =
          std::any_of(wideChar, wideChar + length, [](char16_t u) { return Encode1252(u) < 0; }) ? TRUE
                                                                                                 : FALSE;
    }
    return DeliverEach(length, multiByte, cbMultiByte, [wideChar, replacement](std::size_t i) {
      const int b = Encode1252(wideChar[i]);
      return b < 0 ? replacement : static_cast<char>(b);
    });
  }
  Encoded e;
  if (cp == CP_UTF8) {
    e = EncodeUtf8(wideChar, length);
    if (e.invalid && (flags & WC_ERR_INVALID_CHARS) != 0) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
  } else {
    std::string replacement = "?";
    if (defaultChar != nullptr && defaultChar[0] != '\0') {
      const bool doubleByte = cp == 932 && IsLead932(static_cast<BYTE>(defaultChar[0])) &&
                              IsTrail932(static_cast<BYTE>(defaultChar[1]));
      replacement.assign(defaultChar, doubleByte ? 2 : 1);
    }
    e = EncodeAnsi(cp, wideChar, length, replacement);
  }
  if (usedDefaultChar != nullptr) {
    *usedDefaultChar = e.usedDefault ? TRUE : FALSE;
  }
  return Deliver(e.text, multiByte, cbMultiByte);
}

/***********************************************************************
 *           lstrlenA
 *
 * RETURNS
 *  The length of the text in bytes, without its terminator; 0 for NULL.
 */
int lstrlenA(LPCSTR string) {
  if (string == nullptr) {
    return 0;
  }
  return static_cast<int>(std::strlen(string));
}

/***********************************************************************
 *           CompareStringA
 *
 * Compares two ANSI texts as the user's locale sorts them.
 *
 * PARAMS
 *  locale  [I] any locale; every one sorts as English (United States) here.
 *  flags   [I] NORM_IGNORECASE, NORM_IGNORENONSPACE.
 *  string1 [I] first text, in the ANSI code page.
 *  count1  [I] its length in bytes; negative: up to its terminator.
 *  string2 [I] second text.
 *  count2  [I] its length in bytes; negative: up to its terminator.
 *
 * RETURNS
 *  Success: CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN.
 *  Failure: 0; GetLastError() is ERROR_INVALID_PARAMETER for a NULL text and
 *           ERROR_INVALID_FLAGS for other flags.
 *
 * NOTES
 *  Word sort: letters by the alphabet whatever their accents or case, which decide
 *  only between texts with the same letters (accents before case); digits before
 *  letters and symbols before digits; hyphens and apostrophes count only between
 *  texts that are otherwise equal ("coop" < "co-op" < "cop"). Control characters
 *  weigh nothing. See the collation above for what is not reproduced.
 */
int CompareStringA(LCID /*locale*/, DWORD flags, LPCSTR string1, int count1, LPCSTR string2, int count2) {
  if (string1 == nullptr || string2 == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if ((flags & ~static_cast<DWORD>(NORM_IGNORECASE | NORM_IGNORENONSPACE)) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const int r = Collate(reinterpret_cast<const BYTE*>(string1), AnsiLength(string1, count1),
                        reinterpret_cast<const BYTE*>(string2), AnsiLength(string2, count2), flags);
  return r < 0 ? CSTR_LESS_THAN : r == 0 ? CSTR_EQUAL : CSTR_GREATER_THAN;
}

/***********************************************************************
 *           LCMapStringA
 *
 * Makes the sort key of an ANSI text (the only mapping provided here).
 *
 * PARAMS
 *  locale [I] any locale; every one sorts as English (United States) here.
 *  flags  [I] LCMAP_SORTKEY, with NORM_IGNORECASE and NORM_IGNORENONSPACE as wanted.
 *  source [I] the text, in the ANSI code page.
 *  count  [I] its length in bytes; negative: up to its terminator. Not 0.
 *  dest   [O] buffer for the key; may be NULL when size is 0.
 *  size   [I] the buffer's size in bytes; 0 asks for the size needed.
 *
 * RETURNS
 *  Success: the bytes of the key written (or needed when size is 0), its terminating
 *           zero included.
 *  Failure: 0; GetLastError() is ERROR_INVALID_PARAMETER for a NULL text, a count of
 *           0, a negative size or a NULL buffer with a size; ERROR_INVALID_FLAGS for
 *           other flags, for LCMAP_SORTKEY with any other mapping, and for a buffer
 *           that is the text itself; ERROR_INSUFFICIENT_BUFFER when the key does not
 *           fit (the buffer's content is then undefined).
 *
 * NOTES
 *  Two keys compared as bytes (memcmp over the shorter, then the shorter first) order
 *  their texts as CompareStringA with the same flags does, equal keys for equal texts.
 *  The key's format is this layer's own; only its order means anything. The case and
 *  string mappings (LCMAP_LOWERCASE and the others) are not provided.
 */
int LCMapStringA(LCID /*locale*/, DWORD flags, LPCSTR source, int count, LPSTR dest, int size) {
  if (source == nullptr || count == 0 || size < 0 || (dest == nullptr && size != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const DWORD sortKeyFlags = LCMAP_SORTKEY | NORM_IGNORECASE | NORM_IGNORENONSPACE;
  if ((flags & LCMAP_SORTKEY) == 0 || (flags & ~sortKeyFlags) != 0 || dest == source) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  KeyWriter key(dest, static_cast<std::size_t>(size));
  WriteSortKey(key, reinterpret_cast<const BYTE*>(source), AnsiLength(source, count), flags);
  if (key.Length() > static_cast<std::size_t>(INT32_MAX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (size != 0 && key.Length() > static_cast<std::size_t>(size)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return static_cast<int>(key.Length());
}

/***********************************************************************
 *           lstrcmpiA
 *
 * Compares two ANSI texts ignoring case, as the user's locale sorts them.
 *
 * RETURNS
 *  Negative, 0 or positive as string1 sorts before, with or after string2: the result
 *  of CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, ...) less 2, as Windows
 *  computes it. A NULL text sorts before any other; two NULLs are equal.
 */
int lstrcmpiA(LPCSTR string1, LPCSTR string2) {
  if (string1 == nullptr || string2 == nullptr) {
    return string1 == string2 ? 0 : (string1 == nullptr ? -1 : 1);
  }
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, string1, -1, string2, -1) - CSTR_EQUAL;
}

/***********************************************************************
 *           _mbsicmp
 *
 * Compares two multibyte texts of the ANSI code page character by character,
 * ignoring case.
 *
 * RETURNS
 *  -1, 0 or 1 as string1 is less than, equal to or greater than string2;
 *  _NLSCMPERROR for a NULL text.
 *
 * NOTES
 *  A double-byte character compares as one unit, lead byte high (so it sorts after
 *  every single byte); a lead byte followed by the terminator ends the text. ASCII
 *  letters compare as lower case, and in 932 so do the full-width Latin capitals
 *  (0x8260-0x8279 as 0x8281-0x829A), as the runtime does. Single bytes above 0x7F
 *  compare as they are: the runtime also folds the accented capitals of 1252, which
 *  this one does not.
 */
int _mbsicmp(const unsigned char* string1, const unsigned char* string2) {
  if (string1 == nullptr || string2 == nullptr) {
    return _NLSCMPERROR;
  }
  const bool dbcs = g_ansiCodePage.load() == 932;
  auto next = [dbcs](const unsigned char*& p) -> unsigned {
    unsigned c = *p;
    if (c == 0) {
      return 0;
    }
    ++p;
    if (dbcs && IsLead932(static_cast<BYTE>(c))) {
      if (*p == 0) {
        return 0;
      }
      c = (c << 8) | *p++;
      return c >= 0x8260 && c <= 0x8279 ? c + 0x21 : c;
    }
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
  };
  for (;;) {
    const unsigned c1 = next(string1);
    const unsigned c2 = next(string2);
    if (c1 != c2) {
      return c1 < c2 ? -1 : 1;
    }
    if (c1 == 0) {
      return 0;
    }
  }
}

namespace win32 {

UINT SetAnsiCodePage(UINT codePage) {
  return g_ansiCodePage.exchange(codePage == 932 ? 932 : 1252);
}

}  // namespace win32
