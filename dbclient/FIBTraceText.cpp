#include "dbclient/FIBTraceText.h"

#include "classlib/core/StrUtils.h"

namespace ordvane {

namespace {

// A value as the log shows it: a blob or array by its id's two halves, anything else as
// text.
bool LoggedById(const TFIBXSQLVAR& var) {
  return var.IsBlob() && !var.GetIsNull();
}
AnsiString IdText(const TFIBXSQLVAR& var) {
  const ISC_QUAD id = var.GetAsQuad();
  return "(" + IntToStr(id.gds_quad_high) + "," + IntToStr(id.gds_quad_low) + ")";
}

// A value as the monitor shows it.
TFIBTraceValue TraceValue(const TFIBXSQLVAR& var, const char* nullText) {
  AnsiString text;
  if (var.GetIsNull())
    text = nullText;
  else if (var.IsArray())
    text = TraceArrayText;
  else if (var.IsBlob())
    text = TraceBlobText(var.GetAsQuad());
  else
    text = TraceValueText(var.GetAsVariant(), var.GetSQLType() == SQL_TEXT || var.GetSQLType() == SQL_VARYING,
                          nullText);
  return {var.Name(), text};
}

}  // namespace

std::vector<TFIBTraceValue> TraceValues(const TFIBXSQLDA& list, const char* nullText) {
  std::vector<TFIBTraceValue> values;
  for (int i = 0; i < list.Count(); ++i) values.push_back(TraceValue(list.GetVars(i), nullText));
  return values;
}

std::vector<AnsiString> ParamLines(const TFIBXSQLDA& params) {
  std::vector<AnsiString> lines;
  for (int i = 0; i < params.Count(); ++i) {
    const TFIBXSQLVAR& param = params.GetVars(i);
    const AnsiString head = "Params[" + IntToStr(i) + "]=";
    lines.push_back(LoggedById(param) ? head + IdText(param) : head + "'" + param.GetAsString() + "'");
  }
  return lines;
}

AnsiString FetchLogText(const TFIBXSQLDA& columns, bool eof) {
  AnsiString text = LogLineBreak;
  if (eof) {
    text += AnsiString(LogLineBreak) + " End of file reached";
  } else {
    for (int i = 0; i < columns.Count(); ++i) {
      const TFIBXSQLVAR& column = columns[i];
      const AnsiString value =
          column.GetIsNull() ? AnsiString("NULL") : LoggedById(column) ? IdText(column) : column.GetAsString();
      text += column.Name() + " = " + value + LogLineBreak;
    }
  }
  return text;
}

}  // namespace ordvane
