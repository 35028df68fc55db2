// Local sorting of 1 000 000 cached records, on the embedded engine: by one field (VARCHAR
// surnames) and by two (surname, then birth date), against std::sort of the same keys,
// extracted beforehand, with the same comparison (nulls first, text by character code,
// then the date), in the same run. Before each turn the records are put back in a
// scrambled order (a sort by a pseudo-random column), outside the timing; the baseline
// sorts the keys in that same order. Goal: the dataset's sort at most 2 times std::sort.
// The row count is the argument; ORDVANE_BENCH_ROWS overrides it.
//
// On the clocks: the dataset's side is SortByFields whole (reading the keys from the cached
// records, ordering them, re-placing the records and the cursor); std::sort's is the sort
// alone, its keys read beforehand. The records are fetched before both. Both are timed by
// the thread's processor time, so a busy machine's waits count on neither side.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "datasets/pFIBDataSet.h"

namespace {

using namespace ordvane;
namespace fs = std::filesystem;

constexpr int kDefaultRows = 1000000;

int RowsWanted() {
  const char* text = std::getenv("ORDVANE_BENCH_ROWS");
  return text != nullptr ? std::atoi(text) : kDefaultRows;
}

// One person's sort keys as the dataset compares them.
struct TKey {
  std::optional<std::string> surname;
  std::optional<double> born;
};

int CompareText(const std::optional<std::string>& a, const std::optional<std::string>& b) {
  if (!a || !b) return a.has_value() == b.has_value() ? 0 : (a ? 1 : -1);
  const int c = a->compare(*b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareDate(const std::optional<double>& a, const std::optional<double>& b) {
  if (!a || !b) return a.has_value() == b.has_value() ? 0 : (a ? 1 : -1);
  return *a < *b ? -1 : (*b < *a ? 1 : 0);
}

struct Persons {
  bench::TempFolder folder;
  fs::path database = fs::path(folder.Path()) / "persons.fdb";
  TComponent form{nullptr};
  TFIBDatabase* connection = new TFIBDatabase(&form);
  TFIBTransaction* transaction = new TFIBTransaction(&form);
  TpFIBDataSet* data = new TpFIBDataSet(&form);

  explicit Persons(int count) {
    const fs::path script = fs::path(folder.Path()) / "create.sql";
    std::ofstream(script) << "CREATE DATABASE '" << database.string()
                          << "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1251;\n"
                             "CREATE TABLE PERSON (ID INTEGER NOT NULL PRIMARY KEY, SURNAME VARCHAR(40), BORN DATE, "
                             "R INTEGER);\nCOMMIT;\nSET TERM ^;\nEXECUTE BLOCK AS\n  DECLARE I INTEGER = 1;\nBEGIN\n"
                             "  WHILE (I <= "
                          << count
                          << ") DO BEGIN\n"
                             "    INSERT INTO PERSON VALUES (:I, IIF(MOD(:I, 97) = 0, NULL, SUBSTRING("
                             "'ІЇЄҐАБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЮЯ' FROM MOD(:I * 7, 32) + 1 FOR 1) || 'ова' || "
                             "MOD(:I * 7919, 5003) || 'енко'), DATEADD(MOD(:I * 31, 30000) DAY TO DATE '1930-01-01'), "
                             "MOD(:I * 104729, 1000003));\n    I = I + 1;\n  END\nEND^\nSET TERM ;^\nCOMMIT;\n";
    bench::Shell("isql-fb -q -b -ch UTF8 -user SYSDBA -i '" + script.string() + "'");
    bench::ConfigureDatabase(*connection, database);
    transaction->SetDefaultDatabase(connection);
    connection->SetConnected(true);
    transaction->StartTransaction();
    data->SetDatabase(connection);
    data->SetTransaction(transaction);
    data->SelectSQL().SetText("select id, surname, born, r from person");
    data->Open();
    data->FetchAll();
  }

  void Scramble() { data->SortByFields({"R"}, {true}); }

  std::vector<TKey> Keys() {
    std::vector<TKey> keys;
    keys.reserve(static_cast<std::size_t>(data->FetchedCount()));
    TField* surname = data->FieldByName("SURNAME");
    TField* born = data->FieldByName("BORN");
    data->DisableControls();
    for (data->First(); !data->Eof(); data->Next()) {
      TKey key;
      if (!surname->IsNull()) key.surname = surname->AsString();
      if (!born->IsNull()) key.born = born->AsDateTime();
      keys.push_back(std::move(key));
    }
    data->EnableControls();
    return keys;
  }
};

Persons& Table() {
  static Persons persons(RowsWanted());
  return persons;
}

void SortAgainstStdSort(benchmark::State& state, const std::vector<TSortFieldItem>& fields) {
  Persons& persons = Table();
  const bool twoFields = fields.size() == 2;
  double dataSetSeconds = 0, stdSortSeconds = 0;
  for (auto _ : state) {
    persons.Scramble();
    std::vector<TKey> keys = persons.Keys();
    stdSortSeconds += bench::ThreadSecondsOf([&keys, twoFields] {
      std::sort(keys.begin(), keys.end(), [twoFields](const TKey& a, const TKey& b) {
        const int first = CompareText(a.surname, b.surname);
        return first != 0 ? first < 0 : twoFields && CompareDate(a.born, b.born) < 0;
      });
    });
    benchmark::DoNotOptimize(keys.data());
    const double seconds = bench::ThreadSecondsOf(
        [&persons, &fields] { persons.data->SortByFields(fields, std::vector<bool>(fields.size(), true)); });
    dataSetSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  state.counters["ratio_to_std_sort"] = dataSetSeconds / stdSortSeconds;
  state.counters["records"] = persons.data->FetchedCount();
}

void BM_SortBySurname(benchmark::State& state) { SortAgainstStdSort(state, {"SURNAME"}); }
void BM_SortBySurnameAndBirthDate(benchmark::State& state) { SortAgainstStdSort(state, {"SURNAME", "BORN"}); }

BENCHMARK(BM_SortBySurname)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortBySurnameAndBirthDate)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
