// The example's program as a person runs it, without a display: the sample list into a
// database it makes, the rows in the database equal to the workbook's as xlrd reads them
// (isql-fb reading the table), a second run updating by key or appending as the import
// mode says, the picture of the form, and errors that say what failed and keep the rows
// that went in.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "dbclient/FIBDatabase.h"
#include "tests/examples/DemoSupport.h"

extern char** environ;

namespace ordvane::test {
namespace {

struct DemoRun {
  int exitCode = -1;
  std::string output;  // standard output and error

  bool Says(const std::string& text) const { return output.find(text) != std::string::npos; }
};

// environment: assignments that go before the command.
DemoRun RunDemo(const std::vector<std::string>& arguments, const std::string& environment = "") {
  // Headless even where the tests run on a desktop.
  std::string command = environment + " ORDVANE_HOST=headless " + ShellQuote(ORDVANE_DEMO_PROGRAM);
  for (const std::string& argument : arguments) command += " " + ShellQuote(argument);
  DemoRun run;
  run.output = RunCommand(command + " </dev/null", run.exitCode);
  return run;
}

// The example started in the background, headless, its standard output and error in a
// pipe; the test decides when it ends.
class DemoProcess {
 public:
  explicit DemoProcess(const std::vector<std::string>& arguments) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> words{ORDVANE_DEMO_PROGRAM};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::string headless = "ORDVANE_HOST=headless";
    std::vector<char*> env{headless.data()};
    for (char** e = environ; *e; ++e) env.push_back(*e);
    env.push_back(nullptr);
    const int spawned = posix_spawn(&fPid, argv[0], &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    fOutput = out[0];
    if (spawned != 0) {
      close(fOutput);
      throw std::runtime_error("the example did not start");
    }
  }
  ~DemoProcess() {
    if (fPid == 0) return;
    kill(fPid, SIGKILL);
    waitpid(fPid, nullptr, 0);
    close(fOutput);
  }
  DemoProcess(const DemoProcess&) = delete;
  DemoProcess& operator=(const DemoProcess&) = delete;

  void Signal(int signal) const { kill(fPid, signal); }
  // Reads the output until the process closes it, then its status.
  std::string WaitForEnd(int& status) {
    std::string output;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(fOutput, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
      if (n > 0) output.append(buffer, static_cast<std::size_t>(n));
    waitpid(fPid, &status, 0);
    fPid = 0;
    close(fOutput);
    return output;
  }

 private:
  pid_t fPid = 0;
  int fOutput = -1;
};

// Width and height from a PNG file's header.
std::pair<std::uint32_t, std::uint32_t> PngSize(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  unsigned char header[24] = {};
  in.read(reinterpret_cast<char*>(header), sizeof header);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(header + 1), 3), "PNG");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(header + 12), 4), "IHDR");
  const auto bigEndian = [&](int at) {
    return std::uint32_t{header[at]} << 24 | std::uint32_t{header[at + 1]} << 16 |
           std::uint32_t{header[at + 2]} << 8 | header[at + 3];
  };
  return {bigEndian(16), bigEndian(20)};
}

// A root of the engine like the test process's one ($FIREBIRD), whose configuration gives
// each database to one process at a time.
std::string ExclusiveEngineRoot() {
  namespace fs = std::filesystem;
  const fs::path shared = std::getenv("FIREBIRD");
  const fs::path root = TestTempDir() + "/exclusive-engine";
  fs::create_directories(root);
  for (const auto& entry : fs::directory_iterator(shared))
    if (entry.path().filename() != "firebird.conf")
      fs::create_symlink(entry.path(), root / entry.path().filename());
  std::ifstream in(shared / "firebird.conf");
  std::string conf{std::istreambuf_iterator<char>(in), {}};
  const std::string sharing = "ServerMode = SuperClassic";
  const auto at = conf.find(sharing);
  EXPECT_NE(at, std::string::npos) << conf;
  if (at != std::string::npos) conf.replace(at, sharing.size(), "ServerMode = Super");
  std::ofstream(root / "firebird.conf") << conf;
  fs::create_directories(root / "lock");
  return root.string();
}

std::string Ordered(const char* columns) {
  return std::string("select ") + columns + " from PERSONS order by ID";
}

TEST(Demo, TheSampleGoesInAsTheWorkbookHoldsItThenUpdatesByKeyOrAppendsAsTheModeSays) {
  const DemoDatabase db;
  const std::string picture = TestTempDir() + "/pictures/persons.png";
  const std::vector<std::string> persons = WorkbookRows(SampleWorkbook());
  ASSERT_EQ(persons.size(), 300u);

  const DemoRun first = RunDemo({"--database", db.Name(), "--picture", picture, SampleWorkbook()});
  ASSERT_EQ(first.exitCode, 0) << first.output;
  EXPECT_TRUE(first.Says("Rows imported: 300\nImport statistics: processed 300, added 300, updated 0"))
      << first.output;
  EXPECT_TRUE(first.Says("Picture of the form: " + picture + " (960 x 600)")) << first.output;
  EXPECT_EQ(PngSize(picture), std::make_pair(960u, 600u));
  EXPECT_EQ(db.Rows(Ordered(kImportedColumns)), JoinRows(persons));
  EXPECT_EQ(db.Rows("select min(ID), max(ID) from PERSONS"), "1|300") << "keys from the generator";

  // By the document's number: a person changed in the database since is written back, none
  // is added.
  IsqlAt(db.Name(), "update PERSONS set AMOUNT = 0, SURNAME = 'X' where ID = 7;\ncommit;\n");
  const DemoRun update = RunDemo({"--database", db.Name(), "--picture", picture, "--specification",
                                  SourcePath("examples/data/persons-by-document.spec"), SampleWorkbook()});
  ASSERT_EQ(update.exitCode, 0) << update.output;
  EXPECT_TRUE(update.Says("processed 300, added 0, updated 300")) << update.output;
  EXPECT_EQ(db.Rows(Ordered(kImportedColumns)), JoinRows(persons));

  // The columns by letter append every row again, with new keys.
  const DemoRun append = RunDemo({"--database", db.Name(), "--picture", picture, SampleWorkbook()});
  ASSERT_EQ(append.exitCode, 0) << append.output;
  EXPECT_TRUE(append.Says("processed 300, added 300, updated 0")) << append.output;
  EXPECT_EQ(db.Rows(Ordered(kImportedColumns) + " rows 301 to 600"), JoinRows(persons));
  EXPECT_EQ(db.Rows("select count(*), min(ID), max(ID) from PERSONS"), "600|1|600");
}

TEST(Demo, FailingRowsAreReportedByTheirRowNumbersAndTheOthersAreKept) {
  const DemoDatabase db;
  const std::string workbook = FixturePath("examples/persons_bad_row.xls");
  std::vector<std::string> persons = WorkbookRows(workbook);
  ASSERT_EQ(persons.size(), 5u);
  const DemoRun run = RunDemo({"--database", db.Name(), "--picture", TestTempDir() + "/bad.png", workbook});
  EXPECT_EQ(run.exitCode, 1) << "not a success: " << run.output;
  // The sheet's row 3 is the second person: a value its field refuses. Row 6, the fifth,
  // has no surname, which the table refuses as the record is posted.
  EXPECT_TRUE(run.Says("\nRow 3, field BORN, value \"31.02.1990\": ")) << run.output;
  EXPECT_TRUE(run.Says("\nRow 6, field SURNAME, value \"\": ")) << run.output;
  EXPECT_TRUE(run.Says("\"PERSONS\".\"SURNAME\"")) << run.output;
  EXPECT_TRUE(run.Says("The data import process has completed with 2 errors.")) << run.output;
  EXPECT_TRUE(
      run.Says("Rows imported: 3\nImport statistics: processed 5, added 3, updated 0, skipped 0, errors 2"))
      << run.output;
  persons.erase(persons.begin() + 4);
  persons.erase(persons.begin() + 1);
  EXPECT_EQ(db.Rows(Ordered(kImportedColumns)), JoinRows(persons));
}

TEST(Demo, WhatCannotBeReadOrOpenedIsNamedAndNothingIsMade) {
  const DemoDatabase db;
  const std::string missing = TestTempDir() + "/no such list.xls";
  DemoRun run = RunDemo({"--database", db.Name(), missing});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.output, "The workbook " + missing + " cannot be read: No such file or directory.\n");
  if (CurrentTier() == FbTier::Embedded) {
    EXPECT_FALSE(std::filesystem::exists(db.Name())) << "no database made";
  }

  run = RunDemo({"--database", db.Name(), "--specification", TestTempDir(), SampleWorkbook()});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.Says("The import specification " + TestTempDir() + " is a folder, not a file."))
      << run.output;

  // A file that is no workbook: the database is made, the run fails with the reader's
  // reason, nothing is imported and no picture is written.
  const std::string picture = TestTempDir() + "/none.png";
  run = RunDemo({"--database", db.Name(), "--picture", picture, SourcePath("examples/data/make_persons.py")});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.Says("An error has occurred during the data import process.\nFile is not an Excel file"))
      << run.output;
  EXPECT_FALSE(std::filesystem::exists(picture));
  EXPECT_EQ(db.Rows("select count(*) from PERSONS"), "0");

  // An Open XML workbook is named as one, with what to do.
  const std::string xlsx = TestTempDir() + "/persons.xlsx";
  std::ofstream(xlsx) << "PK";
  run = RunDemo({"--database", db.Name(), "--picture", picture, xlsx});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.Says("is an Open XML workbook, which is not read: save it as an Excel 97-2003 workbook (.xls)."))
      << run.output;

  run = RunDemo({"--database", "127.0.0.1/1:/nowhere/persons.fdb", SampleWorkbook()});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.Says("The database 127.0.0.1/1:/nowhere/persons.fdb cannot be opened: ")) << run.output;
  EXPECT_TRUE(run.Says("Unable to complete network request to host \"127.0.0.1\"")) << run.output;
  EXPECT_FALSE(run.Says("\r")) << "the database's lines end as a terminal's do";

  // A name the ANSI code page cannot hold would reach another file: refused before
  // anything is made.
  const std::string unnamed = TestTempDir() + "/列表.xls";
  std::filesystem::copy_file(SampleWorkbook(), unnamed);
  run = RunDemo({"--database", TestTempDir() + "/unnamed.fdb", unnamed});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.Says("cannot hold; rename it.")) << run.output;
  EXPECT_FALSE(std::filesystem::exists(TestTempDir() + "/unnamed.fdb"));

  run = RunDemo({"--database"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.Says("--database needs a value.\nUsage: ordvane_demo")) << run.output;
}

TEST(Demo, TheUsageNeedsNoBuildAndIsTheProgramsOwn) {
  const std::string buildDir = TestTempDir() + "/no-build";
  int exitCode = -1;
  const std::string script = RunCommand(
      "DEMO_BUILD_DIR=" + ShellQuote(buildDir) + " " + ShellQuote(SourcePath("scripts/demo.sh")) +
          " --picture x.png --help </dev/null",
      exitCode);
  EXPECT_EQ(exitCode, 0) << script;
  EXPECT_FALSE(std::filesystem::exists(buildDir)) << "nothing configured or built";
  const DemoRun program = RunDemo({"--help"});
  EXPECT_EQ(program.exitCode, 0);
  EXPECT_EQ(script, program.output);
  EXPECT_TRUE(program.Says("Usage: ordvane_demo [--database NAME]")) << program.output;
}

// What cannot go well is found before a row is written: a rerun would store them again.
TEST(Demo, APictureThatCannotBeWrittenStopsTheRunBeforeTheImport) {
  const DemoDatabase db;
  const std::string file = TestTempDir() + "/a-file";
  std::ofstream(file) << "not a folder";
  const DemoRun run = RunDemo({"--database", db.Name(), "--picture", file + "/persons.png", SampleWorkbook()});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.Says("The picture " + file + "/persons.png cannot be written: ")) << run.output;
  EXPECT_FALSE(run.Says("Rows imported")) << run.output;
  EXPECT_EQ(db.Rows("select count(*) from PERSONS"), "0");
}

TEST(Demo, ASpecificationThatIsNoneOrNamesNoSuchFieldIsRefusedBeforeAnyRow) {
  const DemoDatabase db;
  const std::string picture = TestTempDir() + "/spec.png";
  ASSERT_EQ(RunDemo({"--database", db.Name(), "--picture", picture, SampleWorkbook()}).exitCode, 0);
  const std::string stored = db.Rows("select count(*), list(SURNAME, '') from PERSONS");

  const std::string bytes = TestTempDir() + "/bytes.spec";
  std::ofstream(bytes, std::ios::binary) << std::string("\x7f\x45\x4c\x46\x02\x01\x01\0\0\0", 10);
  DemoRun run = RunDemo({"--database", db.Name(), "--picture", picture, "--specification", bytes, SampleWorkbook()});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.Says("The file " + bytes + " is not an import specification: line 1 is neither")) << run.output;

  // The update run by document, with the surname mapped to a field the table lacks.
  std::ifstream in(SourcePath("examples/data/persons-by-document.spec"));
  std::string text{std::istreambuf_iterator<char>(in), {}};
  text.replace(text.find("Map1=SURNAME=B"), 14, "Map1=NOSUCH=B");
  const std::string nosuch = TestTempDir() + "/nosuch.spec";
  std::ofstream(nosuch) << text;
  run = RunDemo({"--database", db.Name(), "--picture", picture, "--specification", nosuch, SampleWorkbook()});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.Says("The mappings name fields the dataset does not have: NOSUCH.")) << run.output;
  EXPECT_EQ(db.Rows("select count(*), list(SURNAME, '') from PERSONS"), stored);
}

TEST(Demo, ATableOfAnotherLayoutIsNamedWithTheColumnsNeeded) {
  const DemoDatabase db;
  const std::string picture = TestTempDir() + "/layout.png";
  ASSERT_EQ(RunDemo({"--database", db.Name(), "--picture", picture, SampleWorkbook()}).exitCode, 0);
  IsqlAt(db.Name(), "drop table PERSONS;\ncreate table PERSONS (ID integer, SURNAME varchar(60));\ncommit;\n");
  const DemoRun run = RunDemo({"--database", db.Name(), "--picture", picture, SampleWorkbook()});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.Says("The table PERSONS of " + db.Name() +
                       " is of another layout: it lacks FIRST_NAME, PATRONYMIC, BORN, DOC_NO, AMOUNT. The "
                       "example needs the columns ID, SURNAME, FIRST_NAME, PATRONYMIC, BORN, DOC_NO, AMOUNT"))
      << run.output;
}

TEST(Demo, AServersDatabaseThatIsNotThereIsMade) {
  if (CurrentTier() != FbTier::Server) GTEST_SKIP() << "the embedded tier makes its file as the other tests show";
  const DemoDatabase db;
  const std::string name = db.Name().substr(0, db.Name().rfind('/')) + "/made-by-the-example.fdb";
  const DemoRun run = RunDemo({"--database", name, "--picture", TestTempDir() + "/made.png", SampleWorkbook()});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(run.Says("Database: " + name + " (created)")) << run.output;
  EXPECT_EQ(IsqlRowsAt(name, "select count(*) from PERSONS"), "300");
}

TEST(Demo, ADatabaseAnotherProgramHoldsIsReportedAsSuch) {
  if (CurrentTier() == FbTier::Server) GTEST_SKIP() << "a server shares its databases";
  const DemoDatabase db;
  ASSERT_EQ(
      RunDemo({"--database", db.Name(), "--picture", TestTempDir() + "/held.png", SampleWorkbook()}).exitCode,
      0);
  // This process's engine holds the file. The test engines share their databases
  // (ServerMode SuperClassic); the example runs with an engine that takes a database for
  // itself, as an engine of the default configuration does.
  TFIBDatabase holder(nullptr);
  holder.SetDBName(db.Name());
  holder.ConnectParams().SetUserName("SYSDBA");
  holder.SetConnected(true);
  const std::string root = ExclusiveEngineRoot();
  const DemoRun run =
      RunDemo({"--database", db.Name(), SampleWorkbook()},
              "FIREBIRD=" + ShellQuote(root) + " FIREBIRD_LOCK=" + ShellQuote(root + "/lock"));
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.Says("The database " + db.Name() + " cannot be opened: ")) << run.output;
  EXPECT_TRUE(run.Says("Database already opened with engine instance")) << run.output;
  EXPECT_FALSE(run.Says("Rows imported")) << run.output;
  holder.SetConnected(false);
  EXPECT_EQ(db.Rows("select count(*) from PERSONS"), "300");
}

TEST(Demo, AReadOnlyDatabaseIsRefusedOnceBeforeTheImport) {
  const DemoDatabase db;
  const std::string picture = TestTempDir() + "/readonly.png";
  ASSERT_EQ(RunDemo({"--database", db.Name(), "--picture", picture, SampleWorkbook()}).exitCode, 0);
  std::string gfix = "gfix -user SYSDBA";
  if (CurrentTier() == FbTier::Server) gfix += " -password " + ShellQuote(SysdbaPassword());
  int status = -1;
  const std::string said = RunCommand(gfix + " -mode read_only " + ShellQuote(db.Name()), status);
  ASSERT_EQ(status, 0) << said;
  const DemoRun run = RunDemo({"--database", db.Name(), "--picture", picture, SampleWorkbook()});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.Says("The database " + db.Name() + " is read-only and cannot take the rows;")) << run.output;
  EXPECT_FALSE(run.Says("Rows imported")) << run.output;
  EXPECT_EQ(db.Rows("select count(*) from PERSONS"), "300");
}

namespace {

// The example's specification that appends or updates by document, committing every
// commitCount rows.
std::string SpecificationCommittingEvery(int commitCount) {
  std::ifstream in(SourcePath("examples/data/persons-by-document.spec"));
  std::string specification{std::istreambuf_iterator<char>(in), {}};
  const auto at = specification.find("CommitCount=300");
  EXPECT_NE(at, std::string::npos);
  specification.replace(at, 15, "CommitCount=" + std::to_string(commitCount));
  const std::string file = TestTempDir() + "/by-document-" + std::to_string(commitCount) + ".spec";
  std::ofstream(file) << specification;
  return file;
}

}  // namespace

// A commit the database refuses on the way (as one over a lost connection fails): the
// reason is said once, then how many rows the database keeps, as an interrupted run
// says it, and the run ends with the status of a run whose rows did not all go in.
TEST(Demo, ACommitThatFailsOnTheWaySaysOnceWhyAndHowManyRowsAreStored) {
  const DemoDatabase db;
  // A first run makes the table and stops at a file that is no workbook.
  ASSERT_EQ(RunDemo({"--database", db.Name(), SourcePath("examples/data/make_persons.py")}).exitCode, 2);
  IsqlAt(db.Name(),
         "create exception E_FULL 'PERSONS is full';\nset term ^ ;\n"
         "create trigger PERSONS_FULL on transaction commit as begin\n"
         "  if ((select count(*) from PERSONS) > 250) then exception E_FULL;\nend^\nset term ; ^\ncommit;\n");
  // Commits of 99, 199 and 299 persons: the third is refused.
  const DemoRun run = RunDemo({"--database", db.Name(), "--specification", SpecificationCommittingEvery(100),
                               "--picture", TestTempDir() + "/full.png", SampleWorkbook()});
  EXPECT_EQ(run.exitCode, 1) << run.output;
  const auto once = [&](const std::string& text) {
    const auto first = run.output.find(text);
    return first != std::string::npos && run.output.find(text, first + 1) == std::string::npos;
  };
  EXPECT_TRUE(once("An error has occurred during the data import process.\n")) << run.output;
  EXPECT_TRUE(once("PERSONS is full")) << run.output;
  EXPECT_TRUE(run.output.ends_with("\nInterrupted: 199 rows stored.\n")) << run.output;
  EXPECT_FALSE(run.Says("Rows imported")) << run.output;
  EXPECT_EQ(db.Rows("select count(*) from PERSONS"), "199");
}

// Ctrl+C while the import waits for a person another transaction holds, after two of its
// commits: the run ends by the signal (the shell's status 130), says that it was
// interrupted and how many rows the database keeps, and the database keeps those.
TEST(Demo, AnInterruptedRunEndsByTheSignalAndSaysHowManyRowsAreStored) {
  const DemoDatabase db;
  const std::string picture = TestTempDir() + "/first.png";
  ASSERT_EQ(RunDemo({"--database", db.Name(), "--picture", picture, SampleWorkbook()}).exitCode, 0);
  // A person the run writes back shows as a surname that is no longer "X".
  IsqlAt(db.Name(), "update PERSONS set SURNAME = 'X';\ncommit;\n");
  const auto written = [&] { return db.Rows("select count(*) from PERSONS where SURNAME <> 'X'"); };
  // The specification that updates by document, committing every 10 rows: commits after
  // the 9th and the 19th person, and the 25th waits for the holder below.
  const std::string specificationFile = SpecificationCommittingEvery(10);

  TFIBDatabase holder(nullptr);
  holder.SetDBName(db.Name());
  holder.ConnectParams().SetUserName("SYSDBA");
  holder.ConnectParams().SetPassword(SysdbaPassword());
  TFIBTransaction holding(nullptr);
  TFIBQuery query(nullptr);
  ConnectStatement(holder, holding, query);
  Execute(holder, holding, "update PERSONS set AMOUNT = AMOUNT where ID = 25");

  DemoProcess run({"--database", db.Name(), "--specification", specificationFile, SampleWorkbook()});
  // The 19 rows committed: the run is at the held person or on its way there, and can
  // commit nothing more.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (written() != "19" && std::chrono::steady_clock::now() < giveUp)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(written(), "19") << "the run did not reach the held person";
  run.Signal(SIGINT);
  int status = 0;
  const std::string output = run.WaitForEnd(status);
  holding.Rollback();

  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status << "\n" << output;
  EXPECT_TRUE(output.ends_with("\nInterrupted: 19 rows stored.\n")) << output;
  EXPECT_TRUE(output.starts_with("Database: " + db.Name() + "\n")) << "the report so far kept: " << output;
  EXPECT_EQ(output.find("Rows imported"), std::string::npos) << output;
  EXPECT_EQ(written(), "19");
}

}  // namespace
}  // namespace ordvane::test
