// Rows per second of Append + Post through a dataset that writes its own INSERT, in one
// transaction on the embedded engine, against a raw prepared INSERT executed per row
// through the client library in the same process: (a) the key given by the caller against
// the plain raw loop, (b) the key from the generator against a raw loop that also runs a
// prepared gen_id select per row; and (a) again with poRefreshAfterPost on. Every run
// writes into a table of its own that no run touched before (a rolled-back run would
// leave the next one its garbage to collect) and commits. The row count is the argument;
// ORDVANE_BENCH_ROWS overrides it.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "datasets/pFIBDataSet.h"

namespace {

using namespace ordvane;
namespace fs = std::filesystem;

constexpr int kTables = 8;
constexpr const char* kGenId = "select gen_id(gen_person_id, 1) from rdb$database";
constexpr int kFirstDay = 15020;  // 1900-01-01 in the server's day count (from 1858-11-17)

struct Workspace {
  bench::TempFolder folder;
  fs::path database = folder.Path() / "posted.fdb";
  int used = 0;

  Workspace() {
    const fs::path script = folder.Path() / "create.sql";
    std::ofstream out(script);
    out << "CREATE DATABASE '" << database.string()
        << "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\nCREATE GENERATOR GEN_PERSON_ID;\n";
    for (int i = 1; i <= kTables; ++i)
      out << "CREATE TABLE PERSON_" << i
          << " (ID INTEGER NOT NULL PRIMARY KEY, SURNAME VARCHAR(40), BORN DATE, AMOUNT NUMERIC(15,2));\n";
    out << "COMMIT;\n";
    out.close();
    bench::Shell("isql-fb -q -b -ch UTF8 -user SYSDBA -i '" + script.string() + "'");
  }
  // A table no run wrote into.
  std::string FreshTable() {
    if (used == kTables) throw std::runtime_error("no fresh table left");
    return "PERSON_" + std::to_string(++used);
  }
};

Workspace& Space() {
  static Workspace space;
  return space;
}

int RowsWanted(int argument) {
  const char* text = std::getenv("ORDVANE_BENCH_ROWS");
  return text != nullptr ? std::atoi(text) : argument;
}

double SecondsOf(const std::function<void()>& run) {
  const double start = bench::ProcessSeconds();
  run();
  return bench::ProcessSeconds() - start;
}

const std::string& Surname(int i) {
  static const std::vector<std::string> names = {"Kovalenko", "Shevchenko", "Bondarenko", "Tkachenko", "Melnyk"};
  return names[static_cast<std::size_t>(i) % names.size()];
}

// One statement of the raw loops, prepared once, with its parameters or columns in the
// client's own descriptor area.
class RawStatement {
 public:
  RawStatement(TFIBDatabase& database, TFIBTransaction& transaction, const char* sql, int columns)
      : fDatabase(database), fLibrary(database.ClientLibrary()), fTransaction(transaction),
        fArea(XSQLDA_LENGTH(4)) {
    Check(fLibrary.isc_dsql_alloc_statement2(StatusVector(), database.DBHandle(), &fHandle));
    Descriptors()->version = SQLDA_VERSION1;
    Descriptors()->sqln = 4;
    Check(fLibrary.isc_dsql_prepare(StatusVector(), transaction.TRHandle(), &fHandle, 0, sql, 3,
                                    columns > 0 ? Descriptors() : nullptr));
    if (columns == 0) Check(fLibrary.isc_dsql_describe_bind(StatusVector(), &fHandle, SQLDA_VERSION1, Descriptors()));
    for (int i = 0; i < Descriptors()->sqld; ++i) {
      XSQLVAR& var = Descriptors()->sqlvar[i];
      fData[i].resize(static_cast<std::size_t>(var.sqllen) + 2);
      var.sqldata = fData[i].data();
      var.sqlind = &fNull[i];
      fNull[i] = 0;
    }
  }
  ~RawStatement() { fLibrary.isc_dsql_free_statement(StatusVector(), &fHandle, DSQL_drop); }
  RawStatement(const RawStatement&) = delete;
  RawStatement& operator=(const RawStatement&) = delete;

  template <class T>
  void Set(int index, T value) {
    std::memcpy(fData[index].data(), &value, sizeof value);
  }
  void SetText(int index, const std::string& text) {
    const auto length = static_cast<short>(text.size());
    std::memcpy(fData[index].data(), &length, 2);
    std::memcpy(fData[index].data() + 2, text.data(), text.size());
  }
  Int64 Int64At(int index) const {
    Int64 value = 0;
    std::memcpy(&value, fData[index].data(), sizeof value);
    return value;
  }
  void Execute() {
    Check(fLibrary.isc_dsql_execute(StatusVector(), fTransaction.TRHandle(), &fHandle, SQLDA_VERSION1, Descriptors()));
  }
  void ExecuteSingleton() {
    Check(fLibrary.isc_dsql_execute2(StatusVector(), fTransaction.TRHandle(), &fHandle, SQLDA_VERSION1, nullptr,
                                     Descriptors()));
  }

 private:
  XSQLDA* Descriptors() { return reinterpret_cast<XSQLDA*>(fArea.data()); }
  void Check(ISC_STATUS status) {
    if (status != 0) IBError(fLibrary, &fDatabase);
  }

  TFIBDatabase& fDatabase;
  IIBClientLibrary& fLibrary;
  TFIBTransaction& fTransaction;
  std::vector<char> fArea;
  isc_stmt_handle fHandle = 0;
  std::vector<char> fData[4];
  short fNull[4] = {};
};

void RawInserts(TFIBDatabase& database, TFIBTransaction& transaction, const std::string& table, int rows,
                bool generated) {
  const std::string sql = "insert into " + table + " (id, surname, born, amount) values (?, ?, ?, ?)";
  RawStatement insert(database, transaction, sql.c_str(), 0);
  std::optional<RawStatement> genId;
  if (generated) genId.emplace(database, transaction, kGenId, 1);
  for (int i = 1; i <= rows; ++i) {
    Integer id = i;
    if (genId) {
      genId->ExecuteSingleton();
      id = static_cast<Integer>(genId->Int64At(0));
    }
    insert.Set<Integer>(0, id);
    insert.SetText(1, Surname(i));
    insert.Set<Integer>(2, kFirstDay + i % 30000);
    insert.Set<Int64>(3, i);
    insert.Execute();
  }
}

void DataSetInserts(TComponent& form, TFIBDatabase& database, TFIBTransaction& transaction, const std::string& table,
                    int rows, bool generated, bool refresh) {
  auto* dataSet = new TpFIBDataSet(&form);
  dataSet->SetDatabase(&database);
  dataSet->SetTransaction(&transaction);
  dataSet->SetUpdateTransaction(&transaction);
  TpFIBDsOptions options = dataSet->Options();
  dataSet->SetOptions(refresh ? options + TpFIBDsOptions{poRefreshAfterPost} : options - TpFIBDsOptions{poRefreshAfterPost});
  TAutoUpdateOptions& update = dataSet->AutoUpdateOptions();
  update.SetAutoReWriteSqls(true);
  update.SetCanChangeSQLs(true);
  update.SetUpdateTableName(table);
  update.SetKeyFields("ID");
  if (generated) {
    update.SetGeneratorName("GEN_PERSON_ID");
    update.SetWhenGetGenID(wgBeforePost);
  }
  dataSet->SelectSQL().SetText("select id, surname, born, amount from " + table + " where id < 0");
  dataSet->Open();
  TField* id = dataSet->FieldByName("ID");
  TField* surname = dataSet->FieldByName("SURNAME");
  TField* born = dataSet->FieldByName("BORN");
  TField* amount = dataSet->FieldByName("AMOUNT");
  // The server's day 15020 is 1900-01-01, day 2 of the date-time count.
  for (int i = 1; i <= rows; ++i) {
    dataSet->Append();
    if (!generated) id->SetAsInteger(i);
    surname->SetAsString(Surname(i));
    born->SetAsDateTime(2 + i % 30000);
    amount->SetAsFloat(i / 100.0);
    dataSet->Post();
  }
  delete dataSet;
}

// Each iteration runs the raw loop and the dataset one after the other; both are timed in
// processor time of the process, the engine's threads included, so that the load of a
// shared machine counts for neither. The benchmark's time is the
// dataset's.
void BM_AppendPostAgainstRawInserts(benchmark::State& state) {
  const bool generated = state.range(1) != 0;
  const bool refresh = state.range(2) != 0;
  const int rows = RowsWanted(static_cast<int>(state.range(0)));
  TComponent form(nullptr);
  auto* database = new TFIBDatabase(&form);
  auto* transaction = new TFIBTransaction(&form);
  bench::ConfigureDatabase(*database, Space().database);
  transaction->SetDefaultDatabase(database);
  database->Connect();
  double rawSeconds = 0, dataSetSeconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string rawTable = Space().FreshTable();
    const std::string dataSetTable = Space().FreshTable();
    transaction->StartTransaction();
    rawSeconds += SecondsOf([&] { RawInserts(*database, *transaction, rawTable, rows, generated); });
    transaction->Commit();
    transaction->StartTransaction();
    state.ResumeTiming();
    dataSetSeconds += SecondsOf(
        [&] { DataSetInserts(form, *database, *transaction, dataSetTable, rows, generated, refresh); });
    state.PauseTiming();
    transaction->Commit();
    state.ResumeTiming();
  }
  const double total = static_cast<double>(rows) * static_cast<double>(state.iterations());
  state.counters["raw_rows/s"] = total / rawSeconds;
  state.counters["dataset_rows/s"] = total / dataSetSeconds;
  state.counters["ratio_to_raw"] = rawSeconds / dataSetSeconds;
  database->Close();
}

BENCHMARK(BM_AppendPostAgainstRawInserts)
    ->ArgNames({"rows", "generator", "refresh"})
    ->Args({100000, 0, 0})
    ->Args({100000, 1, 0})
    ->Args({100000, 0, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
