#include "import/SMIParsFunctions.h"

#include <cmath>

#include "classlib/core/AnsiStrings.h"
#include "classlib/core/DateFormat.h"
#include "classlib/core/FloatFormat.h"
#include "classlib/core/Math.h"
#include "classlib/core/StrUtils.h"
#include "import/SMIDateMask.h"

namespace ordvane {

namespace {

void CheckLength(Int64 length) {
  if (length > static_cast<Int64>(kSMIMaxTextLength)) throw Exception("Calculate error: text too long.");
}

Variant IntegerVariant(Int64 value) {
  if (value >= INT32_MIN && value <= INT32_MAX) return static_cast<Integer>(value);
  return static_cast<long long>(value);
}

// The arguments of one call, evaluated on demand.
class Args {
 public:
  Args(int count, const std::function<Variant(int)>& argument) : fCount(count), fArgument(argument) {}

  int Count() const { return fCount; }
  Variant operator[](int i) const { return fArgument(i); }
  AnsiString Text(int i) const { return VarToStr(fArgument(i)); }
  double Number(int i) const { return fArgument(i).AsDouble(); }
  Int64 Whole(int i) const { return fArgument(i).AsInt64(); }
  TDateTime DateTime(int i) const { return fArgument(i).AsDateTime(); }
  // An absent or Null flag is False.
  bool Flag(int i) const {
    if (i >= fCount) return false;
    const Variant v = fArgument(i);
    return !VarIsNull(v) && v.AsBoolean();
  }

 private:
  int fCount;
  const std::function<Variant(int)>& fArgument;
};

Variant Pad(const Args& a, bool left) {
  const Int64 length = std::max<Int64>(a.Whole(1), 0);
  CheckLength(length);
  const AnsiString text = Copy(a.Text(0), 1, length);
  const AnsiString padText = a.Count() > 2 ? a.Text(2) : AnsiString();
  const AnsiString fill(static_cast<std::size_t>(length) - text.size(), padText.empty() ? ' ' : padText[0]);
  return left ? fill + text : text + fill;
}

// Every occurrence with the replace-all flag (case-sensitive then), else the first,
// found without regard to case with the ignore-case flag.
Variant ReplaceStr(const Args& a) {
  const AnsiString text = a.Text(0), oldPattern = a.Text(1), newPattern = a.Text(2);
  const bool all = a.Flag(3);
  if (oldPattern.empty()) return text;
  const std::size_t occurrences = all ? text.size() / oldPattern.size() : 1;
  CheckLength(static_cast<Int64>(text.size() + occurrences * newPattern.size()));
  TReplaceFlags flags;
  if (all)
    flags.Include(rfReplaceAll);
  else if (a.Flag(4))
    flags.Include(rfIgnoreCase);
  return StringReplace(text, oldPattern, newPattern, flags);
}

Variant Chr(const Args& a) {
  const Int64 code = a.Whole(0);
  if (code < 0 || code > 255) throw ERangeError("Range check error");
  return AnsiString(1, static_cast<char>(code));
}

Variant Ord(const Args& a) {
  const AnsiString text = a.Text(0);
  return text.empty() ? 0 : static_cast<Integer>(static_cast<unsigned char>(text[0]));
}

// MAX and MIN pass over Null arguments; all Null gives Null.
Variant Extreme(const Args& a, bool largest) {
  Variant best = Null();
  for (int i = 0; i < a.Count(); ++i) {
    const Variant v = a[i];
    if (VarIsNull(v)) continue;
    if (VarIsNull(best) || (largest ? v > best : v < best)) best = v;
  }
  return best;
}

// SUM and AVG of the arguments that are not Null; all Null gives Null.
Variant Total(const Args& a, bool average) {
  Extended sum = 0;
  int counted = 0;
  for (int i = 0; i < a.Count(); ++i) {
    const Variant v = a[i];
    if (VarIsNull(v)) continue;
    sum += v.AsDouble();
    ++counted;
  }
  if (counted == 0) return Null();
  return CheckedFloat(average ? sum / counted : sum);
}

Variant Random(const Args& a) {
  if (a.Count() == 0) return static_cast<double>(ordvane::Random());
  return ordvane::Random(static_cast<Integer>(a[0].AsInteger()));
}

Variant IsNull(const Args& a) {
  const Variant v = a[0];
  return VarIsNull(v) || VarIsEmpty(v) || ((VarType(v) == varString || VarType(v) == varOleStr) && VarToStr(v).empty());
}

// IIF: only the branch that is returned is evaluated; a Null condition is False.
Variant Iif(const Args& a) { return a[a.Flag(0) ? 1 : 2]; }

struct DateParts {
  Word year, month, day, hour, minute, second, msec;
};

DateParts Decode(TDateTime value) {
  DateParts p{};
  DecodeDate(value, p.year, p.month, p.day);
  DecodeTime(value, p.hour, p.minute, p.second, p.msec);
  return p;
}

Variant DatePart(const Args& a) {
  const DateParts p = Decode(a.DateTime(0));
  return VarFromDateTime(EncodeDate(p.year, p.month, p.day));
}

Variant TimePart(const Args& a) {
  const DateParts p = Decode(a.DateTime(0));
  return VarFromDateTime(EncodeTime(p.hour, p.minute, p.second, p.msec));
}

Variant DateTimeFromString(const Args& a) {
  // The third and fourth arguments are accepted, as stored expressions pass them, and do
  // not change the reading.
  return VarFromDateTime(DateTimeFromMask(Trim(a.Text(0)), a.Text(1), FormatSettings()));
}

struct Builtin {
  const char* name;
  int minArgs, maxArgs;
  Variant (*run)(const Args&);
};

constexpr int kAny = 11;

constexpr Builtin kBuiltins[] = {
    {"SUBSTR", 3, 3, [](const Args& a) -> Variant { return Copy(a.Text(0), a.Whole(1), a.Whole(2)); }},
    {"SUBSTRING", 3, 3, [](const Args& a) -> Variant { return Copy(a.Text(0), a.Whole(1), a.Whole(2)); }},
    {"COPY", 3, 3, [](const Args& a) -> Variant { return Copy(a.Text(0), a.Whole(1), a.Whole(2)); }},
    {"REPLACESTR", 3, 5, ReplaceStr},
    {"PADL", 2, 3, [](const Args& a) { return Pad(a, true); }},
    {"PADR", 2, 3, [](const Args& a) { return Pad(a, false); }},
    {"CHR", 1, 1, Chr},
    {"UPPER", 1, 1, [](const Args& a) -> Variant { return AnsiUpperCase(a.Text(0)); }},
    {"LOWER", 1, 1, [](const Args& a) -> Variant { return AnsiLowerCase(a.Text(0)); }},
    {"TRIM", 1, 1, [](const Args& a) -> Variant { return Trim(a.Text(0)); }},
    {"TRIMLEFT", 1, 1, [](const Args& a) -> Variant { return TrimLeft(a.Text(0)); }},
    {"TRIMRIGHT", 1, 1, [](const Args& a) -> Variant { return TrimRight(a.Text(0)); }},
    {"POS", 2, 2, [](const Args& a) -> Variant { return Pos(a.Text(0), a.Text(1)); }},
    {"STRTOFLOAT", 1, 1, [](const Args& a) { return CheckedFloat(StrToFloat(a.Text(0))); }},
    {"STRTOINT", 1, 1, [](const Args& a) -> Variant { return StrToInt(a.Text(0)); }},
    {"STRTODATE", 1, 1, [](const Args& a) { return VarFromDateTime(StrToDate(a.Text(0))); }},
    {"DATETIMEFROMSTRING", 2, 4, DateTimeFromString},
    {"LENGTH", 1, 1, [](const Args& a) { return IntegerVariant(static_cast<Int64>(a.Text(0).size())); }},
    {"ORD", 1, 1, Ord},
    {"INTTOSTR", 1, 1, [](const Args& a) -> Variant { return IntToStr(a.Whole(0)); }},
    {"FLOATTOSTR", 1, 1, [](const Args& a) -> Variant { return FloatToStr(a.Number(0)); }},
    {"MAX", 1, kAny, [](const Args& a) { return Extreme(a, true); }},
    {"MIN", 1, kAny, [](const Args& a) { return Extreme(a, false); }},
    {"SUM", 1, kAny, [](const Args& a) { return Total(a, false); }},
    {"AVG", 1, kAny, [](const Args& a) { return Total(a, true); }},
    {"COUNT", 0, kAny, [](const Args& a) -> Variant { return a.Count(); }},
    {"FRAC", 1, 1, [](const Args& a) { return CheckedFloat(Frac(a.Number(0))); }},
    {"INT", 1, 1, [](const Args& a) { return CheckedFloat(Int(a.Number(0))); }},
    {"ROUND", 1, 1, [](const Args& a) { return IntegerVariant(Round(a.Number(0))); }},
    {"DIV", 2, 2, [](const Args& a) { return VarIntDiv(a[0], a[1]); }},
    {"MOD", 2, 2, [](const Args& a) { return VarMod(a[0], a[1]); }},
    {"RANDOM", 0, 1, Random},
    {"ABS", 1, 1, [](const Args& a) { return CheckedFloat(std::fabs(a.Number(0))); }},
    {"EXP", 1, 1, [](const Args& a) { return CheckedFloat(std::exp(a.Number(0))); }},
    {"LN", 1, 1, [](const Args& a) { return CheckedFloat(std::log(a.Number(0))); }},
    {"SQR", 1, 1, [](const Args& a) { return CheckedFloat(Extended(a.Number(0)) * a.Number(0)); }},
    {"SQRT", 1, 1, [](const Args& a) { return CheckedFloat(std::sqrt(a.Number(0))); }},
    {"LOG", 1, 1, [](const Args& a) { return CheckedFloat(std::log10(a.Number(0))); }},
    {"POWER", 2, 2, [](const Args& a) { return CheckedFloat(Power(a.Number(0), a.Number(1))); }},
    {"PERCENT", 2, 2, [](const Args& a) { return CheckedFloat(Extended(a.Number(0)) * a.Number(1) / 100); }},
    {"IIF", 3, 3, Iif},
    {"ISNULL", 1, 1, IsNull},
    {"DATETOSTR", 1, 1, [](const Args& a) -> Variant { return DateToStr(a.DateTime(0)); }},
    {"DATEPART", 1, 1, DatePart},
    {"TIMEPART", 1, 1, TimePart},
    {"YEAR", 1, 1, [](const Args& a) -> Variant { return Integer(Decode(a.DateTime(0)).year); }},
    {"MONTH", 1, 1, [](const Args& a) -> Variant { return Integer(Decode(a.DateTime(0)).month); }},
    {"DAY", 1, 1, [](const Args& a) -> Variant { return Integer(Decode(a.DateTime(0)).day); }},
    {"HOUR", 1, 1, [](const Args& a) -> Variant { return Integer(Decode(a.DateTime(0)).hour); }},
    {"MINUTE", 1, 1, [](const Args& a) -> Variant { return Integer(Decode(a.DateTime(0)).minute); }},
    {"SECOND", 1, 1, [](const Args& a) -> Variant { return Integer(Decode(a.DateTime(0)).second); }},
};

const Builtin* FindBuiltin(const AnsiString& upperName) {
  for (const Builtin& builtin : kBuiltins)
    if (upperName == builtin.name) return &builtin;
  return nullptr;
}

}  // namespace

bool IsBuiltinFunction(const AnsiString& upperName) { return FindBuiltin(upperName) != nullptr; }

Variant CallBuiltinFunction(const AnsiString& upperName, int argCount, const std::function<Variant(int)>& argument) {
  const Builtin* builtin = FindBuiltin(upperName);
  if (builtin == nullptr || argCount < builtin->minArgs || argCount > builtin->maxArgs)
    throw Exception("Function parse error.");
  return builtin->run(Args(argCount, argument));
}

Variant JoinTexts(const AnsiString& a, const AnsiString& b) {
  CheckLength(static_cast<Int64>(a.size() + b.size()));
  return a + b;
}

Variant CheckedFloat(Extended value) {
  if (std::isnan(value)) throw EInvalidOp("Invalid floating point operation");
  if (std::isinf(value) || std::fabs(value) > std::numeric_limits<double>::max())
    throw EOverflow("Floating point overflow");
  return static_cast<double>(value);
}

}  // namespace ordvane
