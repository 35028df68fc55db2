#include "classlib/core/CodePages.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>

#include "classlib/core/SysUtils.h"

namespace ordvane {

namespace {

using UpperHalf = std::array<char16_t, 128>;

// The characters of bytes 0x80..0xFF; the lower half of every code page here is ASCII.
// Windows-1251 leaves 0x98 unassigned; it is kept as U+0098 so that every byte survives a
// round trip through UTF-16.
constexpr UpperHalf kWin1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

constexpr UpperHalf kDos866 = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 80
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 88
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 90
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 98
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // A0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // E0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // E8
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,  // F8
};

constexpr UpperHalf kKoi8R = {
    0x2500, 0x2502, 0x250C, 0x2510, 0x2514, 0x2518, 0x251C, 0x2524,  // 80
    0x252C, 0x2534, 0x253C, 0x2580, 0x2584, 0x2588, 0x258C, 0x2590,  // 88
    0x2591, 0x2592, 0x2593, 0x2320, 0x25A0, 0x2219, 0x221A, 0x2248,  // 90
    0x2264, 0x2265, 0x00A0, 0x2321, 0x00B0, 0x00B2, 0x00B7, 0x00F7,  // 98
    0x2550, 0x2551, 0x2552, 0x0451, 0x2553, 0x2554, 0x2555, 0x2556,  // A0
    0x2557, 0x2558, 0x2559, 0x255A, 0x255B, 0x255C, 0x255D, 0x255E,  // A8
    0x255F, 0x2560, 0x2561, 0x0401, 0x2562, 0x2563, 0x2564, 0x2565,  // B0
    0x2566, 0x2567, 0x2568, 0x2569, 0x256A, 0x256B, 0x256C, 0x00A9,  // B8
    0x044E, 0x0430, 0x0431, 0x0446, 0x0434, 0x0435, 0x0444, 0x0433,  // C0
    0x0445, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E,  // C8
    0x043F, 0x044F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0436, 0x0432,  // D0
    0x044C, 0x044B, 0x0437, 0x0448, 0x044D, 0x0449, 0x0447, 0x044A,  // D8
    0x042E, 0x0410, 0x0411, 0x0426, 0x0414, 0x0415, 0x0424, 0x0413,  // E0
    0x0425, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E,  // E8
    0x041F, 0x042F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0416, 0x0412,  // F0
    0x042C, 0x042B, 0x0417, 0x0428, 0x042D, 0x0429, 0x0427, 0x042A,  // F8
};

// Latin-1 (ISO 8859-1) maps byte n to U+00nn; Windows-1252 differs from it only in bytes
// 0x80..0x9F. The five bytes Windows-1252 leaves unassigned (81 8D 8F 90 9D) keep their
// Latin-1 characters, as 0x98 of Windows-1251 does.
constexpr UpperHalf Latin1UpperHalf(std::array<char16_t, 32> c1Controls = {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87,
                                                                           0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,
                                                                           0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
                                                                           0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F}) {
  UpperHalf upper{};
  for (std::size_t i = 0; i < upper.size(); ++i)
    upper[i] = i < c1Controls.size() ? c1Controls[i] : static_cast<char16_t>(0x80 + i);
  return upper;
}

constexpr UpperHalf kLatin1 = Latin1UpperHalf();

constexpr UpperHalf kWin1252 = Latin1UpperHalf({
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
});

// A single-byte code page: the table of its upper half and the reverse map of every BMP
// character ('?' for those the code page lacks).
class SingleByteCodePage {
 public:
  explicit SingleByteCodePage(const UpperHalf& upper) : fUpper(upper), fReverse(new char[0x10000]) {
    std::fill_n(fReverse.get(), 0x10000, '?');
    for (char32_t c = 0; c < 0x80; ++c) fReverse[c] = static_cast<char>(c);
    for (std::size_t i = 0; i < fUpper.size(); ++i) fReverse[fUpper[i]] = static_cast<char>(0x80 + i);
  }

  char16_t ToWide(unsigned char byte) const { return byte < 0x80 ? byte : fUpper[byte - 0x80]; }
  char FromWide(char32_t ch) const { return ch <= 0xFFFF ? fReverse[ch] : '?'; }
  // A character is at most one byte and takes at least one unit: written in place, then
  // cut to the characters there were (a surrogate pair is one).
  RawByteString FromWide(std::u16string_view text) const {
    RawByteString out(text.size(), '\0');
    out.resize(FromWide(text, out.data(), out.size()));
    return out;
  }
  // The first characters of the text, one byte each, as many as the room takes.
  std::size_t FromWide(std::u16string_view text, char* bytes, std::size_t room) const {
    const char* const reverse = fReverse.get();
    // Only a high surrogate can begin a character of two units: up to the first one (in
    // most texts, to the end) a unit is a byte.
    const std::size_t plain = std::min(text.size(), room);
    std::size_t length = 0;
    while (length < plain && !IsHighSurrogate(text[length])) {
      bytes[length] = reverse[text[length]];
      ++length;
    }
    std::size_t pos = length;
    while (pos < text.size() && length < room) {
      const char16_t unit = text[pos];
      bytes[length++] = !IsHighSurrogate(unit) ? reverse[text[pos++]] : FromWide(DecodeUtf16Char(text, pos));
    }
    return length;
  }
  static bool IsHighSurrogate(char16_t unit) { return (unit & 0xFC00) == 0xD800; }

 private:
  const UpperHalf& fUpper;
  std::unique_ptr<char[]> fReverse;
};

// Each table is made on its first use; a text converted checks only its own table's guard.
template <const UpperHalf& Upper>
const SingleByteCodePage* TableOf() {
  static const SingleByteCodePage table(Upper);
  return &table;
}

const SingleByteCodePage* SingleByte(Cardinal codePage) {
  switch (codePage) {
    case CP_WIN1251:
      return TableOf<kWin1251>();
    case CP_WIN1252:
      return TableOf<kWin1252>();
    case CP_LATIN1:
      return TableOf<kLatin1>();
    case CP_DOS866:
      return TableOf<kDos866>();
    case CP_KOI8R:
      return TableOf<kKoi8R>();
    default:
      return nullptr;
  }
}

std::atomic<Cardinal> gAnsiCodePage{CP_WIN1251};

[[noreturn]] void UnsupportedCodePage(Cardinal codePage) {
  throw EConvertError(Format("Code page %d is not supported", {static_cast<int>(codePage)}));
}

Cardinal Resolve(Cardinal codePage) {
  if (codePage == CP_ACP) return GetAnsiCodePage();
  if (!IsCodePageSupported(codePage)) UnsupportedCodePage(codePage);
  return codePage;
}

WideString Utf16LeBytesToWide(std::string_view bytes) {
  WideString out;
  out.reserve(bytes.size() / 2 + 1);
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2)
    out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                 static_cast<unsigned char>(bytes[i + 1]) << 8);
  if (i < bytes.size()) out += kReplacementChar;
  return out;
}

RawByteString WideToUtf16LeBytes(std::u16string_view text) {
  RawByteString out;
  out.reserve(text.size() * 2);
  for (char16_t unit : text) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  return out;
}

bool IsSurrogate(char32_t ch) {
  return ch >= 0xD800 && ch <= 0xDFFF;
}

}  // namespace

bool IsCodePageSupported(Cardinal codePage) {
  return codePage == CP_ACP || codePage == CP_UTF8 || codePage == CP_UTF16LE ||
         SingleByte(codePage) != nullptr;
}

void SetAnsiCodePage(Cardinal codePage) {
  if (codePage == CP_ACP || codePage == CP_UTF16LE || !IsCodePageSupported(codePage))
    UnsupportedCodePage(codePage);
  gAnsiCodePage.store(codePage);
}

Cardinal GetAnsiCodePage() {
  return gAnsiCodePage.load();
}

bool DecodeUtf8Char(std::string_view text, std::size_t& pos, char32_t& codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  std::size_t length;
  char32_t value;
  char32_t minimum;
  if (lead < 0x80) {
    codePoint = lead;
    ++pos;
    return true;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return false;
  }
  if (pos + length > text.size()) {
    ++pos;
    return false;
  }
  for (std::size_t i = 1; i < length; ++i) {
    unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return false;
    }
    value = value << 6 | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || IsSurrogate(value)) {
    ++pos;
    return false;
  }
  codePoint = value;
  pos += length;
  return true;
}

void AppendUtf8Char(std::string& out, char32_t codePoint) {
  if (codePoint > 0x10FFFF || IsSurrogate(codePoint)) codePoint = kReplacementChar;
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | codePoint >> 6);
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | codePoint >> 12);
    out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | codePoint >> 18);
    out += static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

char32_t DecodeUtf16Char(std::u16string_view text, std::size_t& pos) {
  char32_t unit = text[pos++];
  if (unit >= 0xD800 && unit <= 0xDBFF && pos < text.size() && text[pos] >= 0xDC00 && text[pos] <= 0xDFFF)
    return 0x10000 + ((unit - 0xD800) << 10) + (text[pos++] - 0xDC00);
  return unit;
}

void AppendUtf16Char(WideString& out, char32_t codePoint) {
  if (codePoint > 0x10FFFF) codePoint = kReplacementChar;
  if (codePoint < 0x10000) {
    out += static_cast<char16_t>(codePoint);
  } else {
    codePoint -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (codePoint >> 10));
    out += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
  }
}

WideString Utf8Decode(std::string_view text) {
  WideString out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t ch;
    if (!DecodeUtf8Char(text, pos, ch)) ch = kReplacementChar;
    AppendUtf16Char(out, ch);
  }
  return out;
}

RawByteString Utf8Encode(std::u16string_view text) {
  RawByteString out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) AppendUtf8Char(out, DecodeUtf16Char(text, pos));
  return out;
}

WideString CodePageToWide(std::string_view text, Cardinal codePage) {
  codePage = Resolve(codePage);
  if (codePage == CP_UTF8) return Utf8Decode(text);
  if (codePage == CP_UTF16LE) return Utf16LeBytesToWide(text);
  const SingleByteCodePage* table = SingleByte(codePage);
  WideString out(text.size(), u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = table->ToWide(static_cast<unsigned char>(text[i]));
  return out;
}

RawByteString WideToCodePage(std::u16string_view text, Cardinal codePage) {
  codePage = Resolve(codePage);
  if (codePage == CP_UTF8) return Utf8Encode(text);
  if (codePage == CP_UTF16LE) return WideToUtf16LeBytes(text);
  return SingleByte(codePage)->FromWide(text);
}

std::size_t WideToCodePageInto(std::u16string_view text, Cardinal codePage, char* out, std::size_t capacity) {
  codePage = Resolve(codePage);
  if (const SingleByteCodePage* table = SingleByte(codePage); table != nullptr)
    return table->FromWide(text, out, capacity);
  const RawByteString bytes = WideToCodePage(text, codePage);
  const std::size_t length = std::min(bytes.size(), capacity);
  std::copy_n(bytes.data(), length, out);
  return length;
}

RawByteString ConvertCodePage(std::string_view text, Cardinal fromCodePage, Cardinal toCodePage) {
  fromCodePage = Resolve(fromCodePage);
  toCodePage = Resolve(toCodePage);
  if (fromCodePage == toCodePage) return RawByteString(text);
  return WideToCodePage(CodePageToWide(text, fromCodePage), toCodePage);
}

WideString AnsiToWide(std::string_view text) {
  return CodePageToWide(text, CP_ACP);
}
AnsiString WideToAnsi(std::u16string_view text) {
  return WideToCodePage(text, CP_ACP);
}
RawByteString AnsiToUtf8(std::string_view text) {
  return ConvertCodePage(text, CP_ACP, CP_UTF8);
}
AnsiString Utf8ToAnsi(std::string_view text) {
  return ConvertCodePage(text, CP_UTF8, CP_ACP);
}

}  // namespace ordvane
