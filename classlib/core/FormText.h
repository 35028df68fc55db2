#pragma once
// The text form of stored components: a tree of objects, each with its class, its name,
// its property lines and the objects nested in it. ParseFormText reads the text into the
// tree (nothing else is touched, so a damaged text changes no component);
// FormatFormText writes a tree back. docs/design/streaming.md gives the grammar:
//
//   object Query1: TFIBQuery
//     GoToFirstRecordOnExecute = False
//     SQL.Strings = (
//       "select * from PERSONS"
//       "where NAME = 'Іван'")
//     Options = [poFetchAll, poKeepSorting]
//     Columns = <
//       item
//         FieldName = "NAME"
//       end>
//     Increment = 0.5
//     Data = {0A0B0C}
//   end
//
// The text itself is UTF-8. String values hold 8-bit text in the process's ANSI code
// page: a character is written as itself when the code page maps it both ways, any
// other byte as "\xHH", so every byte comes back as it was.

#include <string_view>
#include <vector>

#include "classlib/core/SysUtils.h"

namespace ordvane {

// A text that breaks the grammar; the message names the line.
ORDVANE_DECLARE_EXCEPTION(EFormTextError, EReadError);

enum class TFormValueType { Integer, Float, String, Ident, Set, List, Collection, Binary };

struct TFormItem;

struct TFormValue {
  TFormValueType Type = TFormValueType::Ident;
  int Line = 0;                     // where the value starts; 0 for a value not read
  Int64 AsInteger = 0;              // Integer
  double AsFloat = 0;               // Float: a finite number
  AnsiString Text;                  // String (ANSI text), Ident (a name), Binary (the bytes)
  std::vector<AnsiString> Members;  // Set
  std::vector<TFormValue> Items;    // List
  std::vector<TFormItem> CollectionItems;

  static TFormValue Integer(Int64 value);
  static TFormValue Float(double value);
  static TFormValue String(AnsiString value);
  static TFormValue Ident(AnsiString name);
  static TFormValue Boolean(bool value);
  static TFormValue SetOf(std::vector<AnsiString> members);
  static TFormValue Binary(RawByteString bytes);
  static TFormValue List();
  static TFormValue Collection();

  // Equal type and contents; the line is not compared.
  bool operator==(const TFormValue& other) const;
  // "an integer", "a string", ... for messages.
  static const char* TypeName(TFormValueType type);
};

struct TFormProperty {
  AnsiString Name;  // dotted for a property of an owned object: "Title.Caption"
  TFormValue Value;
  int Line = 0;
  bool operator==(const TFormProperty& other) const { return Name == other.Name && Value == other.Value; }
};

struct TFormItem {
  std::vector<TFormProperty> Properties;
  int Line = 0;
  bool operator==(const TFormItem& other) const { return Properties == other.Properties; }
};

struct TFormObject {
  AnsiString Name;  // may be empty
  AnsiString ClassName;
  int Line = 0;
  std::vector<TFormProperty> Properties;
  std::vector<TFormObject> Children;
};

// Raises EFormTextError "Line <n>: <what is wrong>" for a text that breaks the grammar,
// nests deeper than 64 levels, or holds a character the ANSI code page cannot hold.
TFormObject ParseFormText(std::string_view text);
AnsiString FormatFormText(const TFormObject& object);
// One value as it stands on a property line (lists, collections and binary data span
// several lines, indented by indent levels of two blanks).
AnsiString FormatFormValue(const TFormValue& value, int indent = 0);

}  // namespace ordvane
