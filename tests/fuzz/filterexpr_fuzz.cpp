// Filter texts come from outside: typed into a grid's filter row or stored with a form.
// The parser must answer any bytes with a tree or a clear error, and both evaluators (the
// class library's and the datasets' own) must evaluate every tree the parser accepts over
// real records, nulls included, without crashing, hanging or reading out of bounds. Only the library's own exceptions are
// answers; anything else (a standard-library exception, a crash) is a fault.

#include <cstddef>
#include <cstdint>
#include <string>

#include "classlib/db/FilterEval.h"
#include "classlib/db/FilterExpr.h"
#include "datasets/FIBFilter.h"
#include "dbclient/FIBStrUtils.h"
#include "tests/support/MemDataSet.h"

using namespace ordvane;

namespace {

test::TMemDataSet* Records() {
  static test::TMemDataSet* dataSet = [] {
    auto* records = new test::TMemDataSet(nullptr);
    records->FieldDefs().Add("ID", ftInteger);
    records->FieldDefs().Add("NAME", ftString, 20);
    records->FieldDefs().Add("BORN", ftDateTime);
    records->FieldDefs().Add("AMOUNT", ftFloat);
    records->FieldDefs().Add("SMALL", ftSmallint);
    records->FieldDefs().Add("WIDE", ftWideString, 10);
    records->FieldDefs().Add("FLAG", ftBoolean);
    records->Open();
    for (int i = 0; i < 3; ++i) {
      records->Append();
      records->FieldByName("ID")->SetAsInteger(i);
      if (i != 1) {
        records->FieldByName("NAME")->SetAsString(i == 0 ? "Ann" : "b'%_");
        records->FieldByName("BORN")->SetAsDateTime(36000.5 + i);
        records->FieldByName("AMOUNT")->SetAsFloat(-1.5 * i);
        records->FieldByName("SMALL")->SetAsInteger(i - 1);
        records->FieldByName("WIDE")->SetAsString("w");
        records->FieldByName("FLAG")->SetAsBoolean(i == 0);
      }
      records->Post();
    }
    return records;
  }();
  return dataSet;
}

// Evaluates for every record; a value that does not convert is an answer too.
template <class Evaluation>
void EvaluateEach(test::TMemDataSet* records, Evaluation evaluation) {
  for (records->First(); !records->Eof(); records->Next()) {
    try {
      evaluation();
    } catch (const Exception&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  test::TMemDataSet* records = Records();
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const TFilterOptions options :
       {TFilterOptions{}, TFilterOptions{foCaseInsensitive}, TFilterOptions{foNoPartialCompare}}) {
    try {
      TExprParser parser(records, text, options);
      TExprEvaluator evaluator(records, parser);
      EvaluateEach(records, [&] { evaluator.Accepts(); });
      TExpressionParser datasetParser(records, text, SqlLikeMatch, StrToDateTimeFmt, options);
      EvaluateEach(records, [&] { datasetParser.BooleanResult(); });
    } catch (const Exception&) {
      // A text that does not parse is answered with an error.
    }
  }
  return 0;
}
