// Feeds arbitrary text to the SQL text scanner and every routine built on it: none may
// crash, hang or read outside the text, and every clause position must lie in the text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "dbclient/FIBSQLText.h"

namespace {

using namespace ordvane;

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckClause(const TSQLClause& clause, int length) {
  Check(clause.Start >= 0 && clause.Start <= length + 1);
  Check(clause.End >= 0 && clause.End <= length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  AnsiString text(reinterpret_cast<const char*>(data), size);
  int length = static_cast<int>(text.size());
  TSQLParser parser(text);
  Check(parser.StatementStart() >= 1 && parser.StatementStart() <= length + 1);

  CheckClause(parser.GetFromClause(), length);
  for (int n = -1; n <= 3; ++n) {
    CheckClause(parser.GetWhereClause(n), length);
    CheckClause(parser.GetPlanClause(n), length);
  }
  Check(parser.MainWhereIndex() <= parser.WhereCount());
  parser.MainPlanIndex();
  CheckClause(parser.GetOrderByClause(), length);

  parser.AddCondition("A = 1", false);
  parser.AddCondition("B = 2 -- x", true);
  parser.SetWhereText("C = 3");
  parser.SetWhereText("");
  parser.SetOrderByText("1");
  parser.SetOrderByText("");
  parser.SetPlanText("(T NATURAL)");
  parser.SetPlanText("");
  parser.GetCountText();
  parser.GetModifiedTable();
  for (const AnsiString& item : parser.TableItems(false)) {
    int separator = AliasSeparatorPos(item);
    Check(separator >= 0 && separator <= static_cast<int>(item.size()));
    TableFromFromItem(item, separator);
    AliasFromFromItem(item, separator);
  }
  parser.TableItems(true);
  parser.OrderItems();
  parser.IsUnion();
  for (const TSelectItem& item : parser.SelectItems()) Check(item.Expression.size() <= size && item.Name.size() <= size);
  Variant orderFields;
  parser.GetOrderFields(orderFields);

  InvertOrderClause(text);
  StripSQLComments(text);
  SetOrderClause(text, "2");
  FieldNameByParam(text, "P");
  AliasFieldToTableField(text, "A.B");
  GetModifyTableName(text, false);
  int p = 1;
  SkipBlanksAndComments(text, length, p);
  Check(p >= 1 && p <= length + 1);

  AnsiString first = text.substr(0, size / 2), second = text.substr(size / 2);
  SqlLikeMatch(first, second);
  SameIdentifier(first, second);
  NeedQuoteIdentifier(first);
  NeedQuoteIdentifierCI(second);
  QualifiedName(first, second);
  return 0;
}
