// The three cache files: written from real metadata, read back, read by an independent
// reader written from their layout, and damaged in every way a cut or a changed byte can.

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "classlib/core/FileUtils.h"
#include "tests/classlib/Support.h"
#include "tests/datasets/RepositorySupport.h"

namespace ordvane::test {
namespace {

std::string Escaped(const AnsiString& text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\r\n") == 0) {
      result += "\\n";
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

std::string Dump(TpFIBTableInfo& table) {
  std::string out = "T " + table.TableName() + "|" + table.DBName() + "|" + table.TableName() + "|" +
                    (table.WithRepository() ? "1" : "0") + "|" + std::to_string(table.FormatVersion()) + "|" +
                    std::to_string(table.FieldsInfoVersion()) + "|" + table.PrimaryKeyFields(nullptr) + "\n";
  for (const auto& [name, f] : table.Fields()) {
    out += "F " + name + "|";
    for (bool flag : {f->IsComputed, f->CanCompare, f->EmptyDefault, f->HasRepositoryInfo, f->Visible, f->Triggered})
      out += flag ? "1" : "0";
    out += "|" + std::to_string(f->DisplayWidth) + "|" + std::to_string(f->CharSetID);
    for (const AnsiString* text : {&f->DefaultValue, &f->DomainName, &f->DisplayLabel, &f->EditFormat,
                                   &f->DisplayFormat})
      out += "|" + Escaped(*text);
    out += "|" + Escaped(f->OtherInfo.Text()) + "\n";
  }
  return out;
}

RawByteString ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return RawByteString(std::istreambuf_iterator<char>(file), {});
}

void WriteBytes(const std::string& path, const RawByteString& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string PythonReader(const char* kind, const std::string& path) {
  int exitCode = 0;
  const std::string output =
      RunCommand("/usr/bin/python3 " + SourcePath("tests/datasets/metacache_reader.py") + " " + kind + " " + path,
                 exitCode);
  EXPECT_EQ(exitCode, 0) << output;
  return output;
}

// One loader over a file's bytes, with its collection's size.
struct Loader {
  const char* name;
  std::function<bool(const std::string&)> load;
  std::function<int()> count;
};

class CacheFilesTest : public RepositoryTest {
 protected:
  CacheFilesTest() {
    for (const char* table : {"PERSON", "V_PERSON", "ALIAS", "SEL_PERSON", "PLAIN"})
      fTables.push_back(FIBTableInfoCollect().GetTableInfo(*fDatabase, table, true));
    fTables.front()->PrimaryKeyFields(fDatabase);
    fTransaction->SetDefaultDatabase(fDatabase);
    fDataSet->SetDatabase(fDatabase);
    fDataSet->SetTransaction(fTransaction);
    fDataSet->SetDataSet_ID(5);
    FIBDataSetInfoCollect().ApplyToDataSet(*fDataSet);
    FIBErrorMessagesCollect().Clear();
    FIBErrorMessagesCollect().SetStamp(77);
    FIBErrorMessagesCollect().AddMessage("PK_PERSON", "uk", "Такий запис уже є", 3);
    FIBErrorMessagesCollect().AddMessage("PK_PERSON", "en", "Duplicate", 1);
    FIBErrorMessagesCollect().AddMessage("FK_REGION", "en", "No region", 2);
    FIBTableInfoCollect().SaveToFile(fFile);
    FIBDataSetInfoCollect().SaveToFile(ChangeFileExt(fFile, ".dt"));
    FIBErrorMessagesCollect().SaveToFile(ChangeFileExt(fFile, ".err"));
  }
  std::string TablesDump() {
    std::vector<std::shared_ptr<TpFIBTableInfo>> sorted = fTables;
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a->TableName() < b->TableName(); });
    std::string out;
    for (const auto& table : sorted) out += Dump(*table);
    return out;
  }
  std::vector<Loader> Loaders() {
    return {{"tables", [](const std::string& file) { return FIBTableInfoCollect().LoadFromFile(file, nullptr); },
             [] { return FIBTableInfoCollect().Count(); }},
            {"datasets", [](const std::string& file) { return FIBDataSetInfoCollect().LoadFromFile(file); },
             [] { return FIBDataSetInfoCollect().Count(); }},
            {"errors", [](const std::string& file) { return FIBErrorMessagesCollect().LoadFromFile(file); },
             [] { return FIBErrorMessagesCollect().Count(); }}};
  }
  std::vector<std::string> Files() { return {fFile, ChangeFileExt(fFile, ".dt"), ChangeFileExt(fFile, ".err")}; }

  std::string fFile = TestTempDir() + "/meta.mcf";
  std::vector<std::shared_ptr<TpFIBTableInfo>> fTables;
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TProbeDataSet* fDataSet = new TProbeDataSet(&fForm);
};

TEST_F(CacheFilesTest, TheLayoutReadByAnIndependentReader) {
  EXPECT_EQ(PythonReader("mcf", fFile),
            "MCF FIB$MCF 6 " + std::to_string(FIBTableInfoCollect().Stamp()) + "\n" + TablesDump());
  const std::string row = Oracle(
      "select fib$version from fib$datasets_info where ds_id = 5");
  EXPECT_EQ(PythonReader("mcfds", ChangeFileExt(fFile, ".dt")),
            "MCFDS FIB$MCFDS 1\nE 5|" + fDatabase->DBName() + "|" + row +
                "|select * from person\\n|insert into person (id, region) values (?id, ?region)\\n"
                "|update person set name = ?name where id = ?old_id\\n|delete from person where id = ?old_id\\n"
                "|select * from person where id = ?id\\n|ID|GEN_PERSON_ID|People|PERSON"
                "|big#$#$id > 10#$#$1\\nnorth#$#$region = 1#$#$0|1\n");
  // The messages' text is 8-bit as given; the reader prints it byte for byte.
  const AnsiString ukrainian = "Такий запис уже є";
  std::string latin1;
  for (unsigned char c : ukrainian) {
    if (c >= 0x80) latin1 += static_cast<char>(0xC0 | c >> 6);
    latin1 += static_cast<char>(c < 0x80 ? c : 0x80 | (c & 0x3F));
  }
  EXPECT_EQ(PythonReader("err", ChangeFileExt(fFile, ".err")),
            "ERR 1 FIB$Error_messages 77\nO FK_REGION\nM 2|en|No region\nO PK_PERSON\nM 1|en|Duplicate\nM 3|uk|" +
                latin1 + "\n");
}

TEST_F(CacheFilesTest, EachFileRoundTrips) {
  const std::string before = TablesDump();
  FIBTableInfoCollect().Clear();
  FIBDataSetInfoCollect().Clear();
  FIBErrorMessagesCollect().Clear();
  const auto files = Files();
  const auto loaders = Loaders();
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_TRUE(loaders[i].load(files[i])) << loaders[i].name;
  // Served from the file: no server question.
  const std::size_t prepares = fLogger.prepared.size();
  for (auto& table : fTables) table = FIBTableInfoCollect().GetTableInfo(*fDatabase, table->TableName(), true);
  EXPECT_EQ(fLogger.prepared.size(), prepares);
  EXPECT_EQ(TablesDump(), before);
  EXPECT_TRUE(fTables.front()->FromCacheFile());
  TProbeDataSet dataSet(nullptr);
  dataSet.SetDatabase(fDatabase);
  dataSet.SetDataSet_ID(5);
  FIBDataSetInfoCollect().ApplyToDataSet(dataSet);
  EXPECT_EQ(fLogger.prepared.size(), prepares);
  EXPECT_EQ(dataSet.SelectSQL().Text(), "select * from person\r\n");
  EXPECT_EQ(dataSet.Description(), "People");
  ASSERT_NE(FIBErrorMessagesCollect().Message("PK_PERSON", "uk"), nullptr);
  EXPECT_EQ(FIBErrorMessagesCollect().Message("PK_PERSON", "uk")->Text, "Такий запис уже є");
  EXPECT_EQ(FIBErrorMessagesCollect().Stamp(), 77);
  // Only a greater version replaces a message.
  FIBErrorMessagesCollect().AddMessage("PK_PERSON", "uk", "old", 2);
  FIBErrorMessagesCollect().AddMessage("PK_PERSON", "en", "Duplicate row", 2);
  EXPECT_EQ(FIBErrorMessagesCollect().Message("PK_PERSON", "uk")->Text, "Такий запис уже є");
  EXPECT_EQ(FIBErrorMessagesCollect().Message("PK_PERSON", "en")->Text, "Duplicate row");
  // An empty collection removes its file.
  FIBTableInfoCollect().Clear();
  FIBTableInfoCollect().SaveToFile(fFile);
  EXPECT_FALSE(FileExists(fFile));
}

TEST_F(CacheFilesTest, OlderVersionsAndRestoredCopiesAreNotUsed) {
  RawByteString bytes = ReadBytes(fFile);
  RawByteString older = bytes;
  older[11] = 5;  // the version after the signature
  WriteBytes(fFile, older);
  EXPECT_FALSE(FIBTableInfoCollect().LoadFromFile(fFile, nullptr));
  EXPECT_EQ(FIBTableInfoCollect().Count(), 0);
  // The signature without its length is read too.
  WriteBytes(fFile, bytes.substr(4));
  EXPECT_TRUE(FIBTableInfoCollect().LoadFromFile(fFile, nullptr));
  EXPECT_EQ(FIBTableInfoCollect().Count(), 5);
  // The same database takes the file; a fresh copy, whose transactions count from the
  // start again, does not.
  WriteBytes(fFile, bytes);
  EXPECT_TRUE(FIBTableInfoCollect().LoadFromFile(fFile, fDatabase));
  EXPECT_EQ(FIBTableInfoCollect().Count(), 5);
  TestDatabase copy("datasets/repository.sql", {3, "WIN1251"});
  TFIBDatabase restored(nullptr);
  Configure(restored, copy);
  restored.SetConnected(true);
  {
    TOwnReadTransaction own(restored);
    ASSERT_LT(own.Transaction().TransactionID(), FIBTableInfoCollect().Stamp());
  }
  EXPECT_FALSE(FIBTableInfoCollect().LoadFromFile(fFile, &restored));
  EXPECT_EQ(FIBTableInfoCollect().Count(), 0);
}

TEST_F(CacheFilesTest, EveryCutRaisesWithTheCollectionEmpty) {
  const auto files = Files();
  const auto loaders = Loaders();
  const std::size_t headers[] = {4 + 7 + 4, 4 + 9 + 4, 4 + 4 + 18};
  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(loaders[i].name);
    const RawByteString bytes = ReadBytes(files[i]);
    const std::string cut = TestTempDir() + "/cut";
    for (std::size_t length = 0; length < bytes.size(); ++length) {
      ASSERT_TRUE(loaders[i].load(files[i]));
      WriteBytes(cut, bytes.substr(0, length));
      if (length < headers[i]) {
        EXPECT_FALSE(loaders[i].load(cut)) << length;
      } else {
        EXPECT_EQ(ErrorOf<EReadError>([&] { loaders[i].load(cut); }), "Stream read error") << length;
      }
      EXPECT_EQ(loaders[i].count(), 0) << length;
    }
  }
}

// A file's first line: signature, version and stamp, which are not entries (a newer
// version loads too, and a stamp belongs to the database the file was read with).
bool IsHeaderLine(const std::string& line) {
  return line.rfind("MCF ", 0) == 0 || line.rfind("MCFDS ", 0) == 0 || line.rfind("ERR ", 0) == 0;
}

// The independent reader's entry lines of each file, sorted, by file; "DAMAGED" for a file it cannot read.
std::map<std::string, std::vector<std::string>> PythonReaderOfMany(const char* kind,
                                                                   const std::vector<std::string>& paths) {
  const std::string list = TestTempDir() + "/reader-list";
  {
    std::ofstream names(list);
    for (const std::string& path : paths) names << path << "\n";
  }
  int exitCode = 0;
  const std::string output = RunCommand(
      "/usr/bin/python3 " + SourcePath("tests/datasets/metacache_reader.py") + " " + kind + " --list " + list, exitCode);
  EXPECT_EQ(exitCode, 0) << output.substr(0, 2000);
  std::map<std::string, std::vector<std::string>> lines;
  std::vector<std::string>* current = nullptr;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("== ", 0) == 0)
      current = &lines[line.substr(3)];
    else if (current != nullptr && !IsHeaderLine(line))
      current->push_back(line);
  }
  for (auto& [path, fileLines] : lines) std::sort(fileLines.begin(), fileLines.end());
  return lines;
}

// The lines only one of two sorted lists holds, marked by the side that holds them.
std::string Difference(const std::vector<std::string>& taken, const std::vector<std::string>& held) {
  std::vector<std::string> onlyTaken, onlyHeld;
  std::set_difference(taken.begin(), taken.end(), held.begin(), held.end(), std::back_inserter(onlyTaken));
  std::set_difference(held.begin(), held.end(), taken.begin(), taken.end(), std::back_inserter(onlyHeld));
  std::string text;
  for (const std::string& line : onlyTaken) text += "taken: " + line + "\n";
  for (const std::string& line : onlyHeld) text += "held:  " + line + "\n";
  return text;
}

// Every byte changed (two ways) and random changes of several bytes: a load either
// raises or refuses the file, with its collection empty, or takes exactly the entries
// the damaged file holds as the independent reader reads them; what it took, saved
// again, reads the same.
TEST_F(CacheFilesTest, ChangedBytesLoadOrRaiseAndNeverReadBeyond) {
  const auto files = Files();
  const auto loaders = Loaders();
  const std::array<const char*, 3> kinds{"mcf", "mcfds", "err"};
  const std::array<std::function<void(const std::string&)>, 3> savers{
      [](const std::string& file) { FIBTableInfoCollect().SaveToFile(file); },
      [](const std::string& file) { FIBDataSetInfoCollect().SaveToFile(file); },
      [](const std::string& file) { FIBErrorMessagesCollect().SaveToFile(file); }};
  std::mt19937 random(20261207);
  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(loaders[i].name);
    const RawByteString bytes = ReadBytes(files[i]);
    std::vector<RawByteString> variants;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
      for (unsigned char mask : {0xFF, 0x01}) {
        RawByteString damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ mask);
        variants.push_back(damaged);
      }
    }
    for (int round = 0; round < 200; ++round) {
      RawByteString damaged = bytes;
      for (int c = 1 + static_cast<int>(random() % 4); c > 0; --c)
        damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
      variants.push_back(damaged);
    }
    std::vector<std::pair<std::string, std::string>> taken;  // (damaged file, what was taken, saved again)
    std::vector<std::string> readerFiles;
    for (std::size_t v = 0; v < variants.size(); ++v) {
      const std::string damaged = TestTempDir() + "/changed" + std::to_string(v);
      WriteBytes(damaged, variants[v]);
      bool loaded = false;
      try {
        loaded = loaders[i].load(damaged);
      } catch (const EReadError&) {
      }
      if (!loaded) {
        EXPECT_EQ(loaders[i].count(), 0) << "variant " << v;
        std::filesystem::remove(damaged);
        continue;
      }
      const std::string saved = damaged + ".saved";
      savers[i](saved);
      taken.emplace_back(damaged, saved);
      readerFiles.push_back(damaged);
      if (loaders[i].count() > 0) readerFiles.push_back(saved);
    }
    ASSERT_FALSE(taken.empty());
    auto read = PythonReaderOfMany(kinds[i], readerFiles);
    for (const auto& [damaged, saved] : taken) {
      const std::vector<std::string>& held = read[damaged];
      EXPECT_TRUE(held.empty() || held.front() != "DAMAGED") << damaged << ": a file the independent reader refuses was taken";
      // An empty collection deletes its file; then the damaged file held no entries.
      if (!std::filesystem::exists(saved)) {
        EXPECT_EQ(held.size(), 0u) << damaged;
        continue;
      }
      EXPECT_EQ(Difference(read[saved], held), "") << damaged;
      std::filesystem::remove(damaged);
      std::filesystem::remove(saved);
    }
  }
}

TEST_F(CacheFilesTest, ADamagedFileNeverStopsTheConnect) {
  RawByteString bytes = ReadBytes(fFile);
  WriteBytes(fFile, bytes.substr(0, bytes.size() / 2));
  TpFIBDatabase database(nullptr);
  database.SetName("Reader");
  Configure(database, fDb);
  CountingLogger logger;
  database.SetSQLLogger(&logger);
  database.CacheSchemaOptions().SetLocalCacheFile(fFile);
  database.CacheSchemaOptions().SetAutoLoadFromFile(true);
  FIBDataSetInfoCollect().Clear();
  database.SetConnected(true);
  EXPECT_TRUE(database.Connected());
  EXPECT_EQ(FIBTableInfoCollect().Count(), 0);
  EXPECT_EQ(FIBDataSetInfoCollect().Count(), 1);  // the other files still load
  const auto damaged = std::find_if(logger.lines.begin(), logger.lines.end(),
                                    [&](const AnsiString& line) { return line.find(fFile + ":") != AnsiString::npos; });
  ASSERT_NE(damaged, logger.lines.end());
  EXPECT_NE(damaged->find("Stream read error"), AnsiString::npos);
  database.SetConnected(false);
  database.SetSQLLogger(nullptr);
}

}  // namespace
}  // namespace ordvane::test
