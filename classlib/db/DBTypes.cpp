#include "classlib/db/DBTypes.h"

#include <array>

namespace ordvane {

const char* FieldTypeName(TFieldType type) {
  static constexpr std::array<const char*, FieldTypeCount> names = {
      "Unknown",    "String",      "SmallInt",  "Integer",  "Word",      "Boolean", "Float",      "Currency",
      "BCD",        "Date",        "Time",      "DateTime", "Bytes",     "VarBytes", "AutoInc",   "Blob",
      "Memo",       "Graphic",     "FmtMemo",   "ParadoxOle", "DBaseOle", "TypedBinary", "Cursor", "FixedChar",
      "WideString", "LargeInt",    "ADT",       "Array",    "Reference", "DataSet", "OraBlob",    "OraClob",
      "Variant",    "Interface",   "IDispatch", "Guid",     "TimeStamp", "FMTBcd"};
  const int index = static_cast<int>(type);
  return index >= 0 && index < FieldTypeCount ? names[static_cast<std::size_t>(index)] : names[0];
}

bool IsTextFieldType(TFieldType type) {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo:
    case ftGuid:
      return true;
    default:
      return false;
  }
}

void DatabaseError(const AnsiString& message, const TComponent* component) {
  if (component != nullptr && !component->Name().empty()) throw EDatabaseError(component->Name() + ": " + message);
  throw EDatabaseError(message);
}

void DatabaseErrorFmt(const AnsiString& format, std::initializer_list<TVarRec> args, const TComponent* component) {
  DatabaseError(Format(format, args), component);
}

}  // namespace ordvane
