#include "classlib/core/FormText.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "classlib/core/CodePages.h"
#include "classlib/core/StrUtils.h"

namespace ordvane {

namespace {

constexpr int kMaxDepth = 64;
constexpr std::size_t kBinaryBytesPerLine = 32;
const char kHexDigits[] = "0123456789ABCDEF";

bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(char c) {
  return IsIdentStart(c) || (c >= '0' && c <= '9');
}

[[noreturn]] void Fail(int line, const AnsiString& what) {
  throw EFormTextError("Line " + std::to_string(line) + ": " + what);
}

// The character of one byte of a single-byte code page, or 0 when the code page does
// not map the byte to a character and back.
char32_t SingleByteChar(unsigned char byte, Cardinal codePage) {
  const char raw = static_cast<char>(byte);
  WideString wide = CodePageToWide(std::string_view(&raw, 1), codePage);
  if (wide.size() != 1 || wide[0] == 0xFFFD) return 0;
  if (WideToCodePage(wide, codePage) != std::string(1, raw)) return 0;
  return wide[0];
}

void AppendHexByte(std::string& out, unsigned char byte) {
  out += "\\x";
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 15];
}

AnsiString QuoteString(const AnsiString& text) {
  const Cardinal codePage = GetAnsiCodePage();
  std::string out = "\"";
  for (std::size_t pos = 0; pos < text.size();) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte >= 0x20 && byte < 0x7F) {
      if (byte == '"' || byte == '\\') out += '\\';
      out += static_cast<char>(byte);
      ++pos;
    } else if (byte == '\n' || byte == '\r' || byte == '\t') {
      out += byte == '\n' ? "\\n" : byte == '\r' ? "\\r" : "\\t";
      ++pos;
    } else if (byte < 0x80) {
      AppendHexByte(out, byte);
      ++pos;
    } else if (codePage == CP_UTF8) {
      std::size_t next = pos;
      char32_t codePoint = 0;
      if (DecodeUtf8Char(text, next, codePoint)) {
        out.append(text, pos, next - pos);
      } else {
        AppendHexByte(out, byte);
        next = pos + 1;
      }
      pos = next;
    } else {
      const char32_t character = SingleByteChar(byte, codePage);
      if (character != 0)
        AppendUtf8Char(out, character);
      else
        AppendHexByte(out, byte);
      ++pos;
    }
  }
  out += '"';
  return out;
}

class TFormParser {
 public:
  explicit TFormParser(std::string_view text) : fText(text), fCodePage(GetAnsiCodePage()) {}

  TFormObject ParseRoot() {
    SkipBlanks();
    TFormObject root = ParseObject(0);
    SkipBlanks();
    if (fPos < fText.size()) Fail(fLine, "text after the end of the form");
    return root;
  }

 private:
  void SkipBlanks() {
    while (fPos < fText.size()) {
      const char c = fText[fPos];
      if (c == '\n') {
        ++fLine;
      } else if (c != ' ' && c != '\t' && c != '\r') {
        return;
      }
      ++fPos;
    }
  }

  bool AtEnd() const { return fPos >= fText.size(); }
  char Peek() const { return AtEnd() ? '\0' : fText[fPos]; }

  void Expect(char c, const char* what) {
    SkipBlanks();
    if (Peek() != c) Fail(fLine, AnsiString("expected ") + what);
    ++fPos;
  }

  // A name: letters, digits and '_', with '.' between parts when dotted is allowed.
  AnsiString ReadName(bool dotted, const char* what) {
    SkipBlanks();
    if (!IsIdentStart(Peek())) Fail(fLine, AnsiString("expected ") + what);
    const std::size_t start = fPos;
    while (!AtEnd() &&
           (IsIdentChar(fText[fPos]) ||
            (dotted && fText[fPos] == '.' && fPos + 1 < fText.size() && IsIdentStart(fText[fPos + 1]))))
      ++fPos;
    return AnsiString(fText.substr(start, fPos - start));
  }

  bool NextWordIs(const char* word) {
    SkipBlanks();
    const std::string_view w(word);
    return fText.substr(fPos, w.size()) == w &&
           (fPos + w.size() >= fText.size() || !IsIdentChar(fText[fPos + w.size()]));
  }

  void CheckDepth(int depth) const {
    if (depth > kMaxDepth) Fail(fLine, "the form nests deeper than " + std::to_string(kMaxDepth) + " levels");
  }

  TFormObject ParseObject(int depth) {
    CheckDepth(depth);
    if (!NextWordIs("object")) Fail(fLine, "expected \"object\"");
    TFormObject object;
    object.Line = fLine;
    fPos += 6;
    SkipBlanks();
    if (Peek() != ':') object.Name = ReadName(false, "the object's name");
    Expect(':', "':' before the class name");
    object.ClassName = ReadName(false, "the class name");
    for (;;) {
      SkipBlanks();
      if (AtEnd()) Fail(fLine, "the form ends inside object " + object.Name + " (no \"end\")");
      if (NextWordIs("end")) {
        fPos += 3;
        return object;
      }
      if (NextWordIs("object")) {
        object.Children.push_back(ParseObject(depth + 1));
      } else {
        object.Properties.push_back(ParseProperty(depth));
      }
    }
  }

  TFormProperty ParseProperty(int depth) {
    TFormProperty property;
    property.Line = fLine;
    property.Name = ReadName(true, "a property name, \"object\" or \"end\"");
    Expect('=', "'=' after the property name");
    property.Value = ParseValue(depth + 1);
    return property;
  }

  TFormValue ParseValue(int depth) {
    CheckDepth(depth);
    SkipBlanks();
    TFormValue value;
    value.Line = fLine;
    const char c = Peek();
    if (c == '-' || IsAsciiDigit(c)) {
      ReadNumber(value);
    } else if (c == '"') {
      value.Type = TFormValueType::String;
      value.Text = ReadString();
    } else if (IsIdentStart(c)) {
      value.Type = TFormValueType::Ident;
      value.Text = ReadName(false, "a value");
    } else if (c == '[') {
      value.Type = TFormValueType::Set;
      ++fPos;
      SkipBlanks();
      if (Peek() != ']') {
        for (;;) {
          value.Members.push_back(ReadName(false, "a member of the set"));
          SkipBlanks();
          if (Peek() != ',') break;
          ++fPos;
        }
      }
      Expect(']', "',' or ']' in the set");
    } else if (c == '(') {
      value.Type = TFormValueType::List;
      ++fPos;
      for (;;) {
        SkipBlanks();
        if (AtEnd()) Fail(fLine, "the form ends inside a list");
        if (Peek() == ')') break;
        value.Items.push_back(ParseValue(depth + 1));
      }
      ++fPos;
    } else if (c == '<') {
      value.Type = TFormValueType::Collection;
      ++fPos;
      for (;;) {
        SkipBlanks();
        if (Peek() == '>') break;
        if (!NextWordIs("item")) Fail(fLine, "expected \"item\" or '>' in the collection");
        TFormItem item;
        item.Line = fLine;
        fPos += 4;
        while (!NextWordIs("end")) {
          if (AtEnd()) Fail(fLine, "the form ends inside a collection item");
          item.Properties.push_back(ParseProperty(depth + 1));
        }
        fPos += 3;
        value.CollectionItems.push_back(std::move(item));
      }
      ++fPos;
    } else if (c == '{') {
      value.Type = TFormValueType::Binary;
      ++fPos;
      value.Text = ReadBinary();
    } else {
      Fail(fLine, "expected a value");
    }
    return value;
  }

  void SkipDigits() {
    if (!IsAsciiDigit(Peek())) Fail(fLine, "expected a digit");
    while (IsAsciiDigit(Peek())) ++fPos;
  }

  // A whole number, or a real one with a fraction or an exponent.
  void ReadNumber(TFormValue& value) {
    const std::size_t start = fPos;
    if (Peek() == '-') ++fPos;
    SkipDigits();
    bool real = false;
    if (Peek() == '.') {
      real = true;
      ++fPos;
      SkipDigits();
    }
    if (Peek() == 'e' || Peek() == 'E') {
      real = true;
      ++fPos;
      if (Peek() == '+' || Peek() == '-') ++fPos;
      SkipDigits();
    }
    if (IsIdentChar(Peek()) || Peek() == '.') Fail(fLine, "expected a number");
    const std::string_view number = fText.substr(start, fPos - start);
    if (real) {
      value.Type = TFormValueType::Float;
      const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value.AsFloat);
      if (error != std::errc() || end != number.data() + number.size() || !std::isfinite(value.AsFloat))
        Fail(fLine, "the number is out of range");
    } else {
      value.Type = TFormValueType::Integer;
      const auto [end, error] =
          std::from_chars(number.data(), number.data() + number.size(), value.AsInteger);
      if (error != std::errc() || end != number.data() + number.size())
        Fail(fLine, "the number is too large");
    }
  }

  AnsiString ReadString() {
    ++fPos;  // the opening quote
    std::string out;
    for (;;) {
      if (AtEnd() || fText[fPos] == '\n') Fail(fLine, "the string is not closed on its line");
      const char c = fText[fPos];
      if (c == '"') {
        ++fPos;
        return out;
      }
      if (c == '\\') {
        ReadEscape(out);
        continue;
      }
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x80) {
        if (byte < 0x20 && c != '\t') Fail(fLine, "a control character in a string (write it as \\xHH)");
        out += c;
        ++fPos;
        continue;
      }
      std::size_t next = fPos;
      char32_t codePoint = 0;
      if (!DecodeUtf8Char(fText, next, codePoint)) Fail(fLine, "the text is not UTF-8");
      AppendAnsiChar(out, codePoint, fText.substr(fPos, next - fPos));
      fPos = next;
    }
  }

  void ReadEscape(std::string& out) {
    ++fPos;
    const char c = Peek();
    ++fPos;
    switch (c) {
      case '"':
      case '\\':
        out += c;
        return;
      case 'n':
        out += '\n';
        return;
      case 'r':
        out += '\r';
        return;
      case 't':
        out += '\t';
        return;
      case 'x': {
        const int high = fPos < fText.size() ? HexDigitValue(fText[fPos]) : -1;
        const int low = fPos + 1 < fText.size() ? HexDigitValue(fText[fPos + 1]) : -1;
        if (high < 0 || low < 0) Fail(fLine, "expected two hexadecimal digits after \\x");
        out += static_cast<char>(high * 16 + low);
        fPos += 2;
        return;
      }
      default:
        Fail(fLine, "an unknown escape in a string");
    }
  }

  void AppendAnsiChar(std::string& out, char32_t codePoint, std::string_view utf8) {
    if (fCodePage == CP_UTF8) {
      out.append(utf8);
      return;
    }
    WideString wide;
    AppendUtf16Char(wide, codePoint);
    const RawByteString bytes = WideToCodePage(wide, fCodePage);
    if (bytes.size() != 1 || CodePageToWide(bytes, fCodePage) != wide)
      Fail(fLine,
           "the character " + std::string(utf8) + " has no place in code page " + std::to_string(fCodePage));
    out += bytes;
  }

  RawByteString ReadBinary() {
    RawByteString bytes;
    int high = -1;
    for (;;) {
      SkipBlanks();
      if (AtEnd()) Fail(fLine, "the form ends inside binary data");
      const char c = fText[fPos++];
      if (c == '}') break;
      const int digit = HexDigitValue(c);
      if (digit < 0) Fail(fLine, "expected hexadecimal digits in binary data");
      if (high < 0) {
        high = digit;
      } else {
        bytes += static_cast<char>(high * 16 + digit);
        high = -1;
      }
    }
    if (high >= 0) Fail(fLine, "binary data holds an odd number of digits");
    return bytes;
  }

  std::string_view fText;
  Cardinal fCodePage;
  std::size_t fPos = 0;
  int fLine = 1;
};

// The shortest text that reads back as the same number, always with a point or an
// exponent so that it reads back as a real number.
AnsiString FormatReal(double value) {
  if (!std::isfinite(value)) throw EWriteError("A real number that is not finite cannot be stored");
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, error == std::errc() ? end : buffer);
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

std::string Indent(int levels) {
  return std::string(static_cast<std::size_t>(levels) * 2, ' ');
}

void FormatProperties(std::string& out, const std::vector<TFormProperty>& properties, int indent) {
  for (const TFormProperty& property : properties)
    out += Indent(indent) + property.Name + " = " + FormatFormValue(property.Value, indent) + "\n";
}

void FormatObject(std::string& out, const TFormObject& object, int indent) {
  out += Indent(indent) + "object " + object.Name + ": " + object.ClassName + "\n";
  FormatProperties(out, object.Properties, indent + 1);
  for (const TFormObject& child : object.Children) FormatObject(out, child, indent + 1);
  out += Indent(indent) + "end\n";
}

}  // namespace

TFormValue TFormValue::Integer(Int64 value) {
  TFormValue v;
  v.Type = TFormValueType::Integer;
  v.AsInteger = value;
  return v;
}

TFormValue TFormValue::Float(double value) {
  TFormValue v;
  v.Type = TFormValueType::Float;
  v.AsFloat = value;
  return v;
}

TFormValue TFormValue::String(AnsiString value) {
  TFormValue v;
  v.Type = TFormValueType::String;
  v.Text = std::move(value);
  return v;
}

TFormValue TFormValue::Ident(AnsiString name) {
  TFormValue v;
  v.Type = TFormValueType::Ident;
  v.Text = std::move(name);
  return v;
}

TFormValue TFormValue::Boolean(bool value) {
  return Ident(value ? "True" : "False");
}

TFormValue TFormValue::SetOf(std::vector<AnsiString> members) {
  TFormValue v;
  v.Type = TFormValueType::Set;
  v.Members = std::move(members);
  return v;
}

TFormValue TFormValue::Binary(RawByteString bytes) {
  TFormValue v;
  v.Type = TFormValueType::Binary;
  v.Text = std::move(bytes);
  return v;
}

TFormValue TFormValue::List() {
  TFormValue v;
  v.Type = TFormValueType::List;
  return v;
}

TFormValue TFormValue::Collection() {
  TFormValue v;
  v.Type = TFormValueType::Collection;
  return v;
}

bool TFormValue::operator==(const TFormValue& other) const {
  if (Type != other.Type) return false;
  switch (Type) {
    case TFormValueType::Integer:
      return AsInteger == other.AsInteger;
    case TFormValueType::Float:
      return AsFloat == other.AsFloat;
    case TFormValueType::Ident:
      return SameText(Text, other.Text);
    case TFormValueType::String:
    case TFormValueType::Binary:
      return Text == other.Text;
    case TFormValueType::Set:
      return Members == other.Members;
    case TFormValueType::List:
      return Items == other.Items;
    case TFormValueType::Collection:
      return CollectionItems == other.CollectionItems;
  }
  return false;
}

const char* TFormValue::TypeName(TFormValueType type) {
  switch (type) {
    case TFormValueType::Integer:
      return "an integer";
    case TFormValueType::Float:
      return "a real number";
    case TFormValueType::String:
      return "a string";
    case TFormValueType::Ident:
      return "a name";
    case TFormValueType::Set:
      return "a set";
    case TFormValueType::List:
      return "a list";
    case TFormValueType::Collection:
      return "a collection";
    case TFormValueType::Binary:
      return "binary data";
  }
  return "a value";
}

TFormObject ParseFormText(std::string_view text) {
  return TFormParser(text).ParseRoot();
}

AnsiString FormatFormText(const TFormObject& object) {
  std::string out;
  FormatObject(out, object, 0);
  return out;
}

AnsiString FormatFormValue(const TFormValue& value, int indent) {
  switch (value.Type) {
    case TFormValueType::Integer:
      return std::to_string(value.AsInteger);
    case TFormValueType::Float:
      return FormatReal(value.AsFloat);
    case TFormValueType::String:
      return QuoteString(value.Text);
    case TFormValueType::Ident:
      return value.Text;
    case TFormValueType::Set: {
      std::string out = "[";
      for (std::size_t i = 0; i < value.Members.size(); ++i) out += (i > 0 ? ", " : "") + value.Members[i];
      return out + "]";
    }
    case TFormValueType::List: {
      std::string out = "(";
      for (const TFormValue& item : value.Items)
        out += "\n" + Indent(indent + 1) + FormatFormValue(item, indent + 1);
      return out + ")";
    }
    case TFormValueType::Collection: {
      std::string out = "<";
      for (const TFormItem& item : value.CollectionItems) {
        out += "\n" + Indent(indent + 1) + "item\n";
        FormatProperties(out, item.Properties, indent + 2);
        out += Indent(indent + 1) + "end";
      }
      return out + ">";
    }
    case TFormValueType::Binary: {
      std::string out = "{";
      for (std::size_t i = 0; i < value.Text.size(); ++i) {
        if (i % kBinaryBytesPerLine == 0) out += "\n" + Indent(indent + 1);
        const auto byte = static_cast<unsigned char>(value.Text[i]);
        out += kHexDigits[byte >> 4];
        out += kHexDigits[byte & 15];
      }
      return out + "}";
    }
  }
  return AnsiString();
}

}  // namespace ordvane
