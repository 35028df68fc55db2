#pragma once
// A field of a Firebird dataset read in place in the record under the dataset's visibility
// test, so that a filter's comparison costs no copy, no string and no variant per record.
// Only where the field's own reading gives the same value: the text of a string field whose
// column holds its characters as they are, and a date, time or date-time field over a column
// of its own type.

#include <string_view>

#include "classlib/core/DateTime.h"
#include "classlib/db/DBTypes.h"

namespace ordvane {

class TDataSet;
class TField;
class TFIBCustomDataSet;
struct TFIBFieldDescr;

class TStoredValueReader {
 public:
  enum class TKind : Byte { None, Text, DateTime };

  TStoredValueReader() = default;
  // How the dataset's field is read in place; TKind::None when only the field can read it.
  // Valid while the dataset keeps its record layout.
  static TStoredValueReader For(TDataSet* dataSet, TField* field);

  TKind Kind() const { return fKind; }
  // The record under the visibility test; nullptr outside one (the field reads itself then).
  const Byte* Record() const;
  // The field's AsString in the record under test (empty for null), in place.
  std::string_view Text() const;
  // The field's date-time in that record; false for null. A stored value that names no
  // date raises as the field's own reading does.
  bool DateTime(const Byte* record, TDateTime& value) const;

 private:
  bool IsNull(const Byte* record) const;

  TKind fKind = TKind::None;
  TFIBCustomDataSet* fDataSet = nullptr;
  const TFIBFieldDescr* fDescr = nullptr;
  TField* fField = nullptr;
};

}  // namespace ordvane
