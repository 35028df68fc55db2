// Every road a text takes to the server, on every connection character set, against
// isql-fb storing the same literal: connection (NONE, WIN1251, UTF8, KOI8R) x database
// (WIN1251, UTF8) x column (CHAR, VARCHAR, BLOB SUB_TYPE TEXT) x route (dataset insert,
// edit, cached updates record by record and in EXECUTE BLOCK batches, the statement
// component, the script runner). Each cell is stored as isql-fb stores it, or refused with
// an error that names the field (or parameter) and the value; never cut, turned into "?"
// or into other characters silently.

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <sstream>

#include "classlib/core/CodePages.h"
#include "datasets/pFIBDataSet.h"
#include "dbclient/pFIBDatabase.h"
#include "dbclient/pFIBQuery.h"
#include "dbclient/pFIBScripter.h"
#include "tests/classlib/Support.h"
#include "tests/datasets/DataSetDbSupport.h"

namespace ordvane::test {
namespace {

struct TextValue {
  const char* name;
  const char* utf8;
};

// The columns hold 20 characters.
constexpr TextValue Values[] = {
    {"russian", "Иванов Иван"},
    {"ukrainian", "Ґанок і їжак"},
    {"latin1 Müller", "Müller"},
    {"latin1 café", "café"},
    {"quote", "O'Brien"},
    {"greek", "Ωμέγα"},
    {"cjk", "中文"},
    {"emoji", "a😀b"},
    {"21 letters", "АБВГДЕЖЗИЙКЛМНОПРСТУФ"},
    {"21 emoji", "😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀😀"},
    {"empty", ""},
};
constexpr int ValueCount = static_cast<int>(std::size(Values));

constexpr std::array<const char*, 3> Columns{"TXT_CHAR", "TXT_VARCHAR", "TXT_BLOB"};
constexpr std::array<const char*, 4> Connections{"NONE", "WIN1251", "UTF8", "KOI8R"};

enum Route : int { rtInsert = 1, rtEdit, rtCached, rtBatch, rtStatement, rtScript };
constexpr std::array<const char*, 7> RouteNames{"isql", "insert", "edit", "cached", "batch", "statement", "script"};
constexpr Route DataSetRoutes[] = {rtInsert, rtEdit, rtCached, rtBatch};

// isql-fb's own cells are 0 .. 299 (column x 100 + value); the script it runs for a
// connection stores its cells at the runner's plus IsqlScriptOffset.
int CellId(int connection, Route route, int column, int value) {
  return (connection + 1) * 100000 + route * 10000 + column * 100 + value;
}
int OracleId(int column, int value) { return column * 100 + value; }
constexpr int IsqlScriptOffset = 5000;

// The text in a character set of the matrix, by iconv; nothing when the set cannot hold
// it whole (iconv drops what it cannot convert, so the way back differs).
std::optional<std::string> Encoded(const std::string& charset, const std::string& utf8) {
  static std::map<std::pair<std::string, std::string>, std::optional<std::string>> known;
  const auto key = std::make_pair(charset, utf8);
  if (auto found = known.find(key); found != known.end()) return found->second;
  const std::string name = charset == "UTF8" ? "UTF-8" : charset == "KOI8R" ? "KOI8-R" : "CP1251";
  std::string bytes = Iconv(utf8, "UTF-8", name);
  const bool whole = Iconv(bytes, name, "UTF-8") == utf8;
  return known[key] = whole ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
}

// The program's 8-bit text is its ANSI code page's: what a NONE connection carries for sure.
std::string ConnectionText(const std::string& connection) { return connection == "NONE" ? "WIN1251" : connection; }

using TRow = std::array<std::string, 3>;

// Every row as isql-fb reads it: each column's stored bytes in hexadecimal, or "<null>".
std::map<int, TRow> StoredRows(const TestDatabase& db) {
  std::map<int, TRow> rows;
  std::istringstream lines(IsqlRows(db,
                                    "select id, cast(txt_char as varchar(80) character set octets), "
                                    "cast(txt_varchar as varchar(80) character set octets), "
                                    "cast(txt_blob as varchar(800) character set octets) from t order by id"));
  for (std::string line; std::getline(lines, line, ';');) {
    std::istringstream fields(line);
    std::string id;
    std::getline(fields, id, '|');
    TRow& row = rows[std::stoi(id)];
    for (std::string& column : row) std::getline(fields, column, '|');
  }
  return rows;
}

std::string SqlLiteral(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

std::string IsqlScriptCommand(const TestDatabase& db, const std::string& charset, const std::string& file) {
  std::string command = "isql-fb -q -ch " + charset + " -user SYSDBA";
  if (CurrentTier() == FbTier::Server) command += " -password " + ShellQuote(db.Password());
  return command + " " + ShellQuote(db.ConnectString()) + " -i " + ShellQuote(file);
}

struct TOutcome {
  bool raised = false;
  std::string message;
};

// One database: every connection writes every cell on every route, then isql-fb reads all.
class TextMatrix {
 public:
  explicit TextMatrix(const std::string& charset) : fCharset(charset), fDb("datasets/textmatrix.sql", {3, charset}) {}

  // The failed cells, one line each.
  std::vector<std::string> Run() {
    WriteOracleAndEditRows();
    for (int connection = 0; connection < static_cast<int>(Connections.size()); ++connection) WriteCells(connection);
    fStored = StoredRows(fDb);
    std::vector<std::string> failures;
    for (int connection = 0; connection < static_cast<int>(Connections.size()); ++connection)
      for (int column = 0; column < static_cast<int>(Columns.size()); ++column)
        for (int value = 0; value < ValueCount; ++value) {
          for (Route route : DataSetRoutes) Check(connection, route, column, value, failures);
          Check(connection, rtStatement, column, value, failures);
          CheckScript(connection, column, value, failures);
        }
    return failures;
  }

 private:
  // isql-fb's cells (a literal it cannot store leaves no row), and the empty rows the edit
  // route fills.
  void WriteOracleAndEditRows() {
    std::string script;
    for (int column = 0; column < static_cast<int>(Columns.size()); ++column)
      for (int value = 0; value < ValueCount; ++value) {
        script += "insert into t (id, " + std::string(Columns[column]) + ") values (" +
                  std::to_string(OracleId(column, value)) + ", " + SqlLiteral(Values[value].utf8) + ");\n";
        for (int connection = 0; connection < static_cast<int>(Connections.size()); ++connection)
          script += "insert into t (id) values (" + std::to_string(CellId(connection, rtEdit, column, value)) + ");\n";
      }
    int exitCode = 0;
    RunCommand(IsqlScriptCommand(fDb, "UTF8", WriteTempFile(script + "commit;\n")), exitCode);
  }

  void WriteCells(int connection) {
    TComponent form(nullptr);
    auto* database = new TpFIBDatabase(&form);
    auto* transaction = new TpFIBTransaction(&form);
    Configure(*database, fDb, Connections[connection]);
    transaction->SetDefaultDatabase(database);
    database->SetConnected(true);
    transaction->StartTransaction();
    for (Route route : DataSetRoutes) WriteThroughDataSet(form, *database, *transaction, connection, route);
    WriteThroughStatement(form, *database, *transaction, connection);
    if (transaction->Active()) transaction->Commit();
    WriteThroughScript(form, *database, *transaction, connection);
    if (transaction->Active()) transaction->Commit();
  }

  // Runs one cell's write, noting whether it raised.
  template <class TWrite>
  void Attempt(int id, TWrite&& write) {
    TOutcome& outcome = fOutcomes[id];
    try {
      write();
    } catch (const std::exception& error) {
      outcome.raised = true;
      outcome.message = error.what();
    }
  }

  void WriteThroughDataSet(TComponent& form, TpFIBDatabase& database, TpFIBTransaction& transaction, int connection,
                           Route route) {
    auto* dataSet = new TpFIBDataSet(&form);
    dataSet->SetDatabase(&database);
    dataSet->SetTransaction(&transaction);
    dataSet->SetUpdateTransaction(&transaction);
    dataSet->SetAutoCommit(true);
    dataSet->InsertSQL().SetText(
        "insert into t (id, txt_char, txt_varchar, txt_blob) values (?id, ?txt_char, ?txt_varchar, ?txt_blob)");
    dataSet->UpdateSQL().SetText(
        "update t set txt_char = ?txt_char, txt_varchar = ?txt_varchar, txt_blob = ?txt_blob where id = ?old_id");
    const bool cached = route == rtCached || route == rtBatch;
    dataSet->SetCachedUpdates(cached);
    dataSet->AutoUpdateOptions().SetUpdateTableName("T");
    dataSet->AutoUpdateOptions().SetKeyFields("ID");
    dataSet->AutoUpdateOptions().SetUseExecuteBlock(route == rtBatch);
    const int first = CellId(connection, route, 0, 0);
    dataSet->SelectSQL().SetText("select id, txt_char, txt_varchar, txt_blob from t where id between " +
                                 std::to_string(first) + " and " + std::to_string(first + 9999) + " order by id");
    dataSet->Open();
    for (int column = 0; column < static_cast<int>(Columns.size()); ++column)
      for (int value = 0; value < ValueCount; ++value) {
        const int id = CellId(connection, route, column, value);
        Attempt(id, [&] {
          try {
            if (route == rtEdit) {
              if (!dataSet->Locate("ID", id, {})) throw std::runtime_error("the edit route's row is missing");
              dataSet->Edit();
            } else {
              dataSet->Append();
              dataSet->FieldByName("ID")->SetAsInteger(id);
            }
            dataSet->FieldByName(Columns[column])->SetAsVariant(Variant(Utf8Decode(Values[value].utf8)));
            dataSet->Post();
            if (cached) dataSet->ApplyCachedUpdates();
          } catch (...) {
            if (dataSet->State() == dsEdit || dataSet->State() == dsInsert) dataSet->Cancel();
            if (cached) dataSet->CancelUpdates();
            throw;
          }
        });
      }
    delete dataSet;
  }

  void WriteThroughStatement(TComponent& form, TpFIBDatabase& database, TpFIBTransaction& transaction,
                             int connection) {
    auto* query = new TpFIBQuery(&form);
    query->SetDatabase(&database);
    query->SetTransaction(&transaction);
    query->SQL().SetText(
        "insert into t (id, txt_char, txt_varchar, txt_blob) values (:id, :txt_char, :txt_varchar, :txt_blob)");
    for (int column = 0; column < static_cast<int>(Columns.size()); ++column)
      for (int value = 0; value < ValueCount; ++value) {
        const int id = CellId(connection, rtStatement, column, value);
        Attempt(id, [&] {
          query->ParamByName("ID").SetAsLong(id);
          for (const char* other : Columns) query->ParamByName(other).SetIsNull(true);
          query->ParamByName(Columns[column]).SetAsWideString(Utf8Decode(Values[value].utf8));
          query->ExecQuery();
        });
      }
    delete query;
  }

  // A script in the connection's character set, as a user writes it for isql-fb: run by
  // the runner, and by isql-fb into the cells IsqlScriptOffset further on. A text that the
  // set cannot hold cannot be written in such a script (a NONE script is UTF-8).
  std::string Script(int connection, int idOffset) {
    const std::string charset = Connections[connection];
    std::string script = "SET NAMES " + charset + ";\n";
    for (int column = 0; column < static_cast<int>(Columns.size()); ++column)
      for (int value = 0; value < ValueCount; ++value) {
        const std::optional<std::string> text =
            charset == "NONE" ? std::optional<std::string>(Values[value].utf8) : Encoded(charset, Values[value].utf8);
        if (!text) continue;
        script += "INSERT INTO T (ID, " + std::string(Columns[column]) + ") VALUES (" +
                  std::to_string(CellId(connection, rtScript, column, value) + idOffset) + ", " + SqlLiteral(*text) +
                  ");\n";
      }
    return script + "COMMIT;\n";
  }

  void WriteThroughScript(TComponent& form, TpFIBDatabase& database, TpFIBTransaction& transaction,
                          int connection) {
    auto* scripter = new TpFIBScripter(&form);
    scripter->SetDatabase(&database);
    scripter->SetTransaction(&transaction);
    scripter->OnExecuteError = [](TObject*, Integer, Integer, TStrings*, Integer, const AnsiString&,
                                  bool& doRollBack, bool& stop) {
      doRollBack = false;
      stop = false;
    };
    scripter->Script().SetText(Script(connection, 0));
    scripter->ExecuteScript();
    int exitCode = 0;
    RunCommand(IsqlScriptCommand(fDb, Connections[connection], WriteTempFile(Script(connection, IsqlScriptOffset))),
               exitCode);
    delete scripter;
  }

  const TRow* Row(int id) const {
    const auto found = fStored.find(id);
    return found == fStored.end() ? nullptr : &found->second;
  }

  static std::string Describe(const std::string& db, int connection, Route route, int column, int value) {
    return "db " + db + ", connection " + Connections[connection] + ", " + RouteNames[route] + ", " +
           Columns[column] + ", " + Values[value].name + ": ";
  }

  void Check(int connection, Route route, int column, int value, std::vector<std::string>& failures) const {
    const std::string cell = Describe(fCharset, connection, route, column, value);
    const TRow* oracle = Row(OracleId(column, value));
    const TRow* row = Row(CellId(connection, route, column, value));
    const std::string stored = row == nullptr ? "<no row>" : (*row)[static_cast<std::size_t>(column)];
    const TOutcome& outcome = fOutcomes.at(CellId(connection, route, column, value));
    const std::string text = Values[value].utf8;
    // The datasets' default psSetEmptyStrToNull turns an empty string field into null.
    const bool emptyToNull = text.empty() && route != rtStatement && column != 2;
    const bool columnHolds = oracle != nullptr;
    const bool connectionCarries = Encoded(ConnectionText(Connections[connection]), text).has_value();
    if (outcome.raised) {
      if (columnHolds && connectionCarries && !emptyToNull) {
        failures.push_back(cell + "refused a text it can store: " + outcome.message);
        return;
      }
      const std::optional<std::string> ansi = Encoded("WIN1251", text);
      if (outcome.message.find(Columns[column]) == std::string::npos ||
          (ansi && outcome.message.find(Utf8ToAnsi(text)) == std::string::npos))
        failures.push_back(cell + "the error does not name the field and the value: " + outcome.message);
      const std::string untouched = route == rtEdit ? "<null>" : "<no row>";
      if (stored != untouched) failures.push_back(cell + "refused, yet stored " + stored);
      return;
    }
    if (!columnHolds || (!connectionCarries && Connections[connection] != std::string("NONE"))) {
      failures.push_back(cell + "stored without an error: " + stored);
      return;
    }
    const std::string expected = emptyToNull ? "<null>" : (*oracle)[static_cast<std::size_t>(column)];
    if (stored != expected) failures.push_back(cell + "stored " + stored + " where " + expected + " belongs");
  }

  // The runner stores what isql-fb stores from the same script, and refuses what it refuses.
  void CheckScript(int connection, int column, int value, std::vector<std::string>& failures) const {
    const int id = CellId(connection, rtScript, column, value);
    const TRow* byRunner = Row(id);
    const TRow* byIsql = Row(id + IsqlScriptOffset);
    const auto stored = [column](const TRow* row) {
      return row == nullptr ? std::string("<no row>") : (*row)[static_cast<std::size_t>(column)];
    };
    if (stored(byRunner) != stored(byIsql))
      failures.push_back(Describe(fCharset, connection, rtScript, column, value) + "stored " + stored(byRunner) +
                         " where isql-fb stores " + stored(byIsql));
  }

  std::string fCharset;
  TestDatabase fDb;
  std::map<int, TOutcome> fOutcomes;
  std::map<int, TRow> fStored;
};

// How many cells failed on each route, then every failed cell.
std::string Report(const std::vector<std::string>& failures) {
  std::map<std::string, int> perRoute;
  for (const std::string& failure : failures)
    for (const char* route : RouteNames)
      if (failure.find(std::string(", ") + route + ", ") != std::string::npos) ++perRoute[route];
  std::string report = std::to_string(failures.size()) + " cells failed;";
  for (const auto& [route, count] : perRoute) report += " " + route + " " + std::to_string(count);
  for (const std::string& failure : failures) report += "\n" + failure;
  return report;
}

TEST(TextMatrix, EveryCellIsStoredAsIsqlStoresItOrRefusedNamingFieldAndValue) {
  for (const char* charset : {"WIN1251", "UTF8"}) {
    SCOPED_TRACE(charset);
    TextMatrix matrix(charset);
    const std::vector<std::string> failures = matrix.Run();
    EXPECT_TRUE(failures.empty()) << Report(failures);
  }
}

}  // namespace
}  // namespace ordvane::test
