// Feeds arbitrary text to the parameter scan and the text rebuild: none may crash, hang
// or read outside the text; every marker must lie in the text, in text order, the server
// text must keep every position, and a text without markers must scan to none.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "dbclient/FIBQueryText.h"
#include "dbclient/fib.h"

namespace {

using namespace ordvane;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const AnsiString text(reinterpret_cast<const char*>(data), size);
  const int length = static_cast<int>(size);
  TSQLParamScanOptions options;
  options.Loading = true;  // parse errors end the scan instead of raising
  const TSQLParamScan scan = ScanSQLParams(text, options);
  Check(scan.ServerText.size() == size);
  int previousEnd = 0;
  for (const TSQLParamMarker& marker : scan.Markers) {
    Check(marker.Place.Start > previousEnd && marker.Place.Start < marker.Place.End);
    Check(marker.Place.End <= length);
    Check(!marker.Name.empty());
    previousEnd = marker.Place.End;
  }
  if (HasNoParamMarkers(text)) Check(scan.Markers.empty());

  TFIBXSQLDA params(nullptr, true);
  FillParamList(params, scan, true);
  Check(params.Count() == static_cast<int>(scan.Markers.size()));
  const TExecSQLText built = BuildExecSQL(text, params, true, true);
  Check(built.Rebuilt || built.Text == text);

  TFIBXSQLDA server(nullptr, true);
  options.ForUserList = false;
  const AnsiString sent = PreprocessSQL(built.Text, server, options);
  Check(sent.size() == built.Text.size());
  try {
    options.Loading = false;
    ScanSQLParams(text, options);
  } catch (const EFIBClientError&) {
  }
  return 0;
}
