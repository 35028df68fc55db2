#pragma once
// The texts a statement's columns and parameters take in the SQL trace and in the log.

#include <vector>

#include "dbclient/FIBSQLMonitor.h"
#include "dbclient/FIBXSQLDA.h"

namespace ordvane {

inline constexpr const char* LogLineBreak = "\r\n";

// Each entry of a list by name and value as the monitor shows it; nullText stands for NULL.
std::vector<TFIBTraceValue> TraceValues(const TFIBXSQLDA& list, const char* nullText);

// "Params[i]='text'" or "Params[i]=(high,low)" per parameter.
std::vector<AnsiString> ParamLines(const TFIBXSQLDA& params);

// The row fetched, or the end of the rows (whose columns hold nothing new).
AnsiString FetchLogText(const TFIBXSQLDA& columns, bool eof);

}  // namespace ordvane
