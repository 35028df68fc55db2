#include "classlib/core/SysUtils.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "classlib/core/FloatFormat.h"

namespace ordvane {

void Assert(bool condition, const AnsiString& message, const char* unit, int line) {
  if (condition) return;
  AnsiString text = message.empty() ? AnsiString("Assertion failed") : message;
  throw EAssertionFailed(text + " (" + unit + ", line " + std::to_string(line) + ")");
}

namespace {

[[noreturn]] void FormatError(const AnsiString& format) {
  throw EConvertError("Format '" + format + "' invalid or incompatible with argument");
}

// One parsed directive: %[index:][-][width][.precision]type
struct Directive {
  bool leftAlign = false;
  int width = -1;
  int precision = -1;
  char type = 0;
};

class Formatter {
 public:
  Formatter(const AnsiString& format, std::initializer_list<TVarRec> args,
            const TFormatSettings& settings)
      : fFormat(format), fArgs(args), fSettings(settings) {}

  AnsiString Run() {
    AnsiString out;
    std::size_t i = 0;
    while (i < fFormat.size()) {
      char c = fFormat[i++];
      if (c != '%') {
        out += c;
        continue;
      }
      if (i < fFormat.size() && fFormat[i] == '%') {
        out += '%';
        ++i;
        continue;
      }
      Directive d = Parse(i);
      out += Pad(d, Convert(d, NextArg()));
    }
    return out;
  }

 private:
  const TVarRec& NextArg() {
    if (fNext >= fArgs.size()) FormatError(fFormat);
    return fArgs[fNext++];
  }

  // A number or '*' (taken from the argument list).
  int ReadCount(std::size_t& i) {
    if (i < fFormat.size() && fFormat[i] == '*') {
      ++i;
      const TVarRec& a = NextArg();
      if (a.VKind() != TVarRec::Kind::Integer) FormatError(fFormat);
      return static_cast<int>(a.AsInt64());
    }
    if (i >= fFormat.size() || !std::isdigit(static_cast<unsigned char>(fFormat[i]))) return -1;
    long value = 0;
    while (i < fFormat.size() && std::isdigit(static_cast<unsigned char>(fFormat[i]))) {
      value = value * 10 + (fFormat[i++] - '0');
      if (value > 1000000) FormatError(fFormat);
    }
    return static_cast<int>(value);
  }

  Directive Parse(std::size_t& i) {
    Directive d;
    // An argument index is digits followed by ':'; anything else is read again below.
    std::size_t afterDigits = i;
    while (afterDigits < fFormat.size() && std::isdigit(static_cast<unsigned char>(fFormat[afterDigits])))
      ++afterDigits;
    if (afterDigits > i && afterDigits < fFormat.size() && fFormat[afterDigits] == ':') {
      int index = ReadCount(i);
      ++i;
      if (static_cast<std::size_t>(index) >= fArgs.size()) FormatError(fFormat);
      fNext = static_cast<std::size_t>(index);
    }
    if (i < fFormat.size() && fFormat[i] == '-') {
      d.leftAlign = true;
      ++i;
    }
    d.width = ReadCount(i);
    if (i < fFormat.size() && fFormat[i] == '.') {
      ++i;
      d.precision = ReadCount(i);
      if (d.precision < 0) d.precision = 0;
    }
    if (i >= fFormat.size()) FormatError(fFormat);
    d.type = static_cast<char>(std::tolower(static_cast<unsigned char>(fFormat[i++])));
    return d;
  }

  static AnsiString ZeroExtend(AnsiString digits, int precision) {
    if (precision > 0 && digits.size() < static_cast<std::size_t>(precision))
      digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
    return digits;
  }

  AnsiString Convert(const Directive& d, const TVarRec& a) {
    using K = TVarRec::Kind;
    const bool isInt = a.VKind() == K::Integer || a.VKind() == K::Int64;
    const bool isUInt = a.VKind() == K::UInt64;
    switch (d.type) {
      case 'd': {
        if (!isInt && !isUInt) FormatError(fFormat);
        if (isUInt) return ZeroExtend(std::to_string(a.AsUInt64()), d.precision);
        Int64 v = a.AsInt64();
        UInt64 magnitude = v < 0 ? UInt64(0) - static_cast<UInt64>(v) : static_cast<UInt64>(v);
        AnsiString digits = ZeroExtend(std::to_string(magnitude), d.precision);
        return v < 0 ? "-" + digits : digits;
      }
      case 'u':
      case 'x': {
        if (!isInt && !isUInt) FormatError(fFormat);
        // A negative 32-bit argument shows as its 32-bit two's complement.
        UInt64 v = isUInt ? a.AsUInt64()
                   : a.VKind() == K::Integer
                       ? static_cast<UInt64>(static_cast<std::uint32_t>(a.AsInt64()))
                       : static_cast<UInt64>(a.AsInt64());
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, d.type == 'u' ? "%llu" : "%llX",
                      static_cast<unsigned long long>(v));
        return ZeroExtend(buffer, d.precision);
      }
      case 'p': {
        if (a.VKind() != K::Pointer) FormatError(fFormat);
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%016llX",
                      static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(a.AsPointer())));
        return buffer;
      }
      case 's': {
        AnsiString text;
        if (a.VKind() == K::String || a.VKind() == K::Char)
          text = a.AsString();
        else if (a.VKind() == K::WideString)
          text = NarrowAscii(a.AsWide());
        else
          FormatError(fFormat);
        if (d.precision >= 0 && text.size() > static_cast<std::size_t>(d.precision))
          text.resize(static_cast<std::size_t>(d.precision));
        return text;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm':
        if (a.VKind() != K::Extended) FormatError(fFormat);
        return FloatText(d, a.AsExtended());
      default:
        FormatError(fFormat);
    }
  }

  // Significant digits for e and g; decimals, with the full 18 digits, for f, n and m.
  AnsiString FloatText(const Directive& d, Extended value) const {
    constexpr int kAllDigits = 18;
    switch (d.type) {
      case 'e':
        return FloatToStrF(value, ffExponent, d.precision < 0 ? 15 : d.precision, 3, fSettings);
      case 'g':
        return FloatToStrF(value, ffGeneral, d.precision < 0 ? 15 : d.precision, 3, fSettings);
      case 'f':
        return FloatToStrF(value, ffFixed, kAllDigits, d.precision < 0 ? 2 : d.precision, fSettings);
      case 'n':
        return FloatToStrF(value, ffNumber, kAllDigits, d.precision < 0 ? 2 : d.precision, fSettings);
      default:
        return FloatToStrF(value, ffCurrency, kAllDigits,
                           d.precision < 0 ? fSettings.CurrencyDecimals : d.precision, fSettings);
    }
  }

  // Wide arguments are rare in formatted messages; characters outside ASCII become '?'
  // until the code-page layer converts them.
  static AnsiString NarrowAscii(const WideString& w) {
    AnsiString s;
    for (char16_t ch : w) s += ch < 0x80 ? static_cast<char>(ch) : '?';
    return s;
  }

  static AnsiString Pad(const Directive& d, AnsiString text) {
    if (d.width > 0 && text.size() < static_cast<std::size_t>(d.width)) {
      std::size_t fill = static_cast<std::size_t>(d.width) - text.size();
      if (d.leftAlign)
        text.append(fill, ' ');
      else
        text.insert(0, fill, ' ');
    }
    return text;
  }

  const AnsiString& fFormat;
  std::vector<TVarRec> fArgs;
  const TFormatSettings& fSettings;
  std::size_t fNext = 0;
};

}  // namespace

AnsiString Format(const AnsiString& format, std::initializer_list<TVarRec> args) {
  return Formatter(format, args, FormatSettings()).Run();
}

AnsiString Format(const AnsiString& format, std::initializer_list<TVarRec> args,
                  const TFormatSettings& settings) {
  return Formatter(format, args, settings).Run();
}

}  // namespace ordvane
