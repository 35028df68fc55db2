// The error model without a server: the client-error table, the composition of server
// error messages from the texts a client library gives (a stand-in library whose texts
// the tests choose), and the status-vector search.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "classlib/core/Components.h"
#include "dbclient/FIBConsts.h"
#include "dbclient/fib.h"

namespace ordvane {
namespace {

// Fills the calling thread's status vector with the given entries and an end marker.
void SetStatusVector(std::initializer_list<ISC_STATUS> entries) {
  ISC_STATUS* vector = StatusVector();
  std::fill(vector, vector + ISC_STATUS_LENGTH, 0);
  std::copy(entries.begin(), entries.end(), vector);
}

ISC_STATUS Text(const char* text) {
  return reinterpret_cast<ISC_STATUS>(text);
}

EFIBClientError ClientErrorOf(Integer code, std::initializer_list<TVarRec> args) {
  try {
    FIBError(code, args);
  } catch (const EFIBClientError& e) {
    return e;
  }
  throw std::logic_error("FIBError returned");
}

TEST(ClientErrors, TableTextsAreFormattedWithTheirArguments) {
  EXPECT_EQ(FIBErrorMessages.size(), 79u);
  struct Case {
    Integer code;
    std::initializer_list<TVarRec> args;
    const char* message;
  };
  const Case cases[] = {
      {8, {"sql_role_name"}, "DPB Constant (isc_dpb_sql_role_name) is unsupported."},
      {12, {"Form.Database"}, "Form.Database: Cannot perform operation -- DB is not open."},
      {30, {32767}, "Unknown SQL Data type (32767)."},
      {37, {"execute"}, "Can't execute , because  query is empty"},
      {38, {}, "Can't \"open\" a non-select statement. Use ExecQuery."},
      {45, {"Q"}, "Can't post. (Q) "},
      {51, {"select", "line 2"}, "SQL Parse Error in :select \r\n\r\nline 2"},
      {55, {5, 5}, "Windows API error. (Windows error 5 [$00000005])"},
      {57, {1, 2}, "Column types don't match. (From index: 1, To index: 2)"},
      {60, {2, "ARR"}, "Dimension 2 don't exist in \"ARR\" "},
      {62,
       {},
       "InterBase library gds32.dll not found in the path. Please install InterBase to use this "
       "functionality"},
      {74, {"T", "F"}, "Field Size too small. Field T.F"},
      {75,
       {"DS"},
       "DS. Can't use limited cache. \r\nCachedUpdates must be False,\r\nSelect must have \"Order by\" "
       "clause ,\r\n"
       "All order fields must exist in fields section\r\nSelect can't use params with prefix \"NEW_\"\r\n"
       "UpdateTransaction must be equel Transaction or AutoCommit=True "},
      {78, {"Gen"}, "Gen is an Firebird 2 function. Please upgrade to Firebird 2 to use this functonality"},
  };
  for (const Case& c : cases) {
    EFIBClientError e = ClientErrorOf(c.code, c.args);
    EXPECT_EQ(e.Message(), c.message) << c.code;
    EXPECT_EQ(e.RawMessage(), c.message) << c.code;
    EXPECT_EQ(e.SQLCode(), c.code);
    EXPECT_TRUE(e.SenderName().empty());
    EXPECT_EQ(e.Sender(), nullptr);
  }
}

TEST(ClientErrors, CodesAreReducedToSevenBitsAndNeverReadPastTheTable) {
  EXPECT_EQ(ClientErrorOf(128 + 14, {}).Message(), "Database name is missing.");
  EXPECT_EQ(ClientErrorOf(128 + 14, {}).SQLCode(), 14);
  for (Integer code : {79, 100, 127, -1, 1 << 30}) {
    EFIBClientError e = ClientErrorOf(code, {});
    EXPECT_EQ(e.Message(), "Unknown error.") << code;
    EXPECT_EQ(e.SQLCode(), code & 0x7F) << code;
  }
}

TEST(ClientErrors, CarryWhateverTheStatusVectorHeldAndFreeTextHasCodeMinusOne) {
  SetStatusVector({isc_arg_gds, isc_unique_key_violation});
  EXPECT_EQ(ClientErrorOf(14, {}).IBErrorCode(), isc_unique_key_violation);
  try {
    FIBErrorText("%s:Can't find or parse ORDER BY statement.", {"Form.Query"});
    FAIL();
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), -1);
    EXPECT_EQ(e.Message(), "Form.Query:Can't find or parse ORDER BY statement.");
    EXPECT_EQ(e.IBErrorCode(), isc_unique_key_violation);
  }
  // The vector is left as it was, for handlers that inspect it.
  EXPECT_TRUE(StatusVectorContains({isc_unique_key_violation}));
}

// Server errors composed from the texts of a stand-in client without the bounded line
// entry point: its SQL code is the vector's first number argument, its SQL-code text is
// whatever the test sets, and each string argument of the vector is one line.
class ServerErrorComposition : public testing::Test {
 protected:
  void SetUp() override {
    fLibrary = GetClientLibrary(FAKE_CLIENT6);
    fHandle = dlopen(FAKE_CLIENT6, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(fHandle, nullptr);
    fSetSQLMessage = reinterpret_cast<void (*)(const char*)>(dlsym(fHandle, "fake_set_sql_message"));
    ASSERT_NE(fSetSQLMessage, nullptr);
  }
  void TearDown() override {
    if (fHandle) dlclose(fHandle);
  }

  EFIBInterBaseError Raise(const char* sqlMessage, TObject* sender = nullptr) {
    fSetSQLMessage(sqlMessage);
    try {
      IBError(*fLibrary, sender);
    } catch (const EFIBInterBaseError& e) {
      return e;
    }
    throw std::logic_error("IBError returned");
  }

  IIBClientLibraryPtr fLibrary;
  void* fHandle = nullptr;
  void (*fSetSQLMessage)(const char*) = nullptr;
};

TEST_F(ServerErrorComposition, LinesAreCapitalisedAndEndWithOneDotAndALineBreak) {
  SetStatusVector({isc_arg_gds, isc_dsql_error, isc_arg_number, -204, isc_arg_string,
                   Text("dynamic SQL Error"), isc_arg_string, Text("table unknown."), isc_arg_cstring, 3,
                   Text("XYZ"), isc_arg_string, Text("-At line 1")});
  EFIBInterBaseError e = Raise("undefined name");
  EXPECT_EQ(e.SQLCode(), -204);
  EXPECT_EQ(e.IBErrorCode(), isc_dsql_error);
  EXPECT_EQ(e.SQLMessage(), "Undefined name.\r\n");
  EXPECT_EQ(e.IBMessage(), "Dynamic SQL Error.\r\nTable unknown.\r\n-At line 1.\r\n");
  EXPECT_EQ(e.Message(), "Undefined name.\r\nDynamic SQL Error.\r\nTable unknown.\r\n-At line 1.\r\n");
  EXPECT_TRUE(e.RawMessage().empty());
}

TEST_F(ServerErrorComposition, SQLCodeTextLosesEscapedLineBreaksAndAFinalDotEndsIt) {
  SetStatusVector({isc_arg_gds, isc_deadlock, isc_arg_number, -913, isc_arg_string, Text("deadlock")});
  EFIBInterBaseError e = Raise("deadlock\\n detected.");
  EXPECT_EQ(e.SQLMessage(), "Deadlock detected.");
  EXPECT_EQ(e.Message(), "Deadlock detected.Deadlock.\r\n");
}

TEST_F(ServerErrorComposition, NoLinesGiveAnEmptyServerMessage) {
  SetStatusVector({isc_arg_gds, isc_lock_conflict, isc_arg_number, -901});
  EFIBInterBaseError e = Raise("");
  EXPECT_TRUE(e.IBMessage().empty());
  EXPECT_TRUE(e.SQLMessage().empty());
  EXPECT_TRUE(e.Message().empty());
  EXPECT_EQ(e.SQLCode(), -901);

  // A long SQL-code text is cut to the client's buffer, not written past it.
  std::string longText(5000, 'x');
  EXPECT_EQ(Raise(longText.c_str()).SQLMessage(), "X" + std::string(1022, 'x') + ".\r\n");
}

TEST_F(ServerErrorComposition, AComponentSenderWithALongerNameLeadsTheMessage) {
  SetStatusVector({isc_arg_gds, isc_deadlock, isc_arg_number, -913, isc_arg_string, Text("deadlock")});
  TComponent database(nullptr);
  database.SetName("Database");
  EFIBInterBaseError named = Raise("deadlock", &database);
  EXPECT_EQ(named.Sender(), &database);
  EXPECT_EQ(named.SenderName(), "Database");
  EXPECT_EQ(named.Message(), "Database:\r\nDeadlock.\r\nDeadlock.\r\n");

  database.SetName("D");
  EFIBInterBaseError shortName = Raise("deadlock", &database);
  EXPECT_EQ(shortName.SenderName(), "D");
  EXPECT_EQ(shortName.Message(), "Deadlock.\r\nDeadlock.\r\n");

  TObject plain;
  EFIBInterBaseError notAComponent = Raise("deadlock", &plain);
  EXPECT_EQ(notAComponent.Sender(), &plain);
  EXPECT_TRUE(notAComponent.SenderName().empty());
}

TEST(StatusVectorSearch, FindsErrorCodesAndNumbersBeforeTheEndMarker) {
  SetStatusVector({isc_arg_gds, isc_no_dup, isc_arg_cstring, isc_lock_conflict, Text("skip"), isc_arg_string,
                   Text("x"), isc_arg_number, 123456, isc_arg_end, isc_arg_gds, isc_deadlock});
  EXPECT_TRUE(StatusVectorContains({isc_no_dup}));
  EXPECT_TRUE(StatusVectorContains({isc_deadlock, 123456}));
  // A counted string's length, a string's address and anything after the end marker
  // are not codes.
  EXPECT_FALSE(StatusVectorContains({isc_lock_conflict}));
  EXPECT_FALSE(StatusVectorContains({Text("x")}));
  EXPECT_FALSE(StatusVectorContains({isc_deadlock}));
}

TEST(StatusVectorSearch, StopsAtTheLastEntryOfAVectorWithoutEndMarker) {
  ISC_STATUS* vector = StatusVector();
  for (std::size_t i = 0; i < ISC_STATUS_LENGTH; i += 2) {
    vector[i] = isc_arg_number;
    vector[i + 1] = static_cast<ISC_STATUS>(1000 + i);
  }
  EXPECT_TRUE(StatusVectorContains({1000 + ISC_STATUS_LENGTH - 2}));
  EXPECT_FALSE(StatusVectorContains({isc_deadlock}));
}

TEST(FIBAlloc, KeepsThePrefixAndZeroesFromTheOldSizeOn) {
  std::vector<char> buffer;
  FIBAlloc(buffer, 0, 4);
  EXPECT_EQ(buffer, std::vector<char>(4, 0));
  std::fill(buffer.begin(), buffer.end(), 'a');
  FIBAlloc(buffer, 2, 6);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string("aa\0\0\0\0", 6));
  FIBAlloc(buffer, 6, 3);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), "aa" + std::string(1, '\0'));
}

}  // namespace
}  // namespace ordvane
