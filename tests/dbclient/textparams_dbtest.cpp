// Text parameters of a statement reach the server as written, whatever the connection's
// character set and whether the statement was prepared when the value was given: a
// character beyond the Basic Multilingual Plane stays itself, text blobs travel in the
// connection's code, and a character the connection cannot hold is refused with the
// parameter's name and the text, never sent as '?'. isql-fb reads what the server stored.

#include <gtest/gtest.h>

#include <functional>

#include "classlib/core/CodePages.h"
#include "tests/classlib/Support.h"
#include "tests/dbclient/DbTestSupport.h"

namespace ordvane::test {
namespace {

class TextParamsTest : public testing::Test {
 protected:
  void Connect(const std::string& connection, const std::string& database) {
    if (fDatabase->Connected()) {
      fTransaction->Commit();
      fDatabase->SetConnected(false);
    }
    fDb = std::make_unique<TestDatabase>("dbclient/textparams.sql", DatabaseOptions{3, database});
    Configure(*fDatabase, *fDb, connection);
    ConnectStatement(*fDatabase, *fTransaction, *fQuery);
  }
  // The insert of row id, prepared before its values are given or after.
  TFIBQuery& Insert(bool prepared) {
    fQuery->SQL().SetText("insert into notes (id, v, m) values (:id, :v, :m)");
    if (prepared) fQuery->Prepare();
    return *fQuery;
  }
  void Run() {
    fQuery->ExecQuery();
    fTransaction->CommitRetaining();
  }
  // The row's text, its blob as isql-fb casts it to a VARCHAR.
  std::string Stored(int id) {
    return IsqlRows(*fDb, "select v, cast(m as varchar(200)) from notes where id = " + std::to_string(id));
  }
  std::string Count() { return IsqlRows(*fDb, "select count(*) from notes"); }
  // Inserts row 1 with the statement unprepared when its values are given and row 2 with it
  // prepared first; each row must be stored as `stored` reads.
  void ExpectStoredPreparedOrNot(const std::function<void(TFIBQuery&)>& giveValues,
                                 const std::string& stored) {
    for (const bool prepared : {false, true}) {
      const int id = prepared ? 2 : 1;
      TFIBQuery& q = Insert(prepared);
      q.ParamByName("ID").SetAsLong(id);
      giveValues(q);
      Run();
      EXPECT_EQ(Stored(id), stored);
    }
  }
  // Runs the statement, which must be refused with the parameter's name and the text.
  void ExpectRefused(const char* param, const WideString& text) {
    try {
      Run();
      ADD_FAILURE() << "the text was sent";
    } catch (const Exception& error) {
      const WideString message = AnsiToWide(error.Message());
      EXPECT_NE(message.find(AnsiToWide(param)), WideString::npos) << error.Message();
      EXPECT_NE(message.find(AnsiToWide(WideToAnsi(text))), WideString::npos) << error.Message();
    }
  }

  AnsiCodePageScope fCodePage{CP_WIN1251};
  std::unique_ptr<TestDatabase> fDb;
  TComponent fForm{nullptr};
  TFIBDatabase* fDatabase = new TFIBDatabase(&fForm);
  TFIBTransaction* fTransaction = new TFIBTransaction(&fForm);
  TFIBQuery* fQuery = new TFIBQuery(&fForm);
};

TEST_F(TextParamsTest, CharactersBeyondTheBasicPlaneStayThemselvesOnAUtf8Connection) {
  Connect("UTF8", "UTF8");
  ExpectStoredPreparedOrNot(
      [](TFIBQuery& q) {
        q.ParamByName("V").SetAsWideString(u"a😀b");
        q.ParamByName("M").SetAsWideString(u"𝄞 😀");
      },
      "a😀b|𝄞 😀");
}

TEST_F(TextParamsTest, WideTextBlobParameterKeepsEveryCharacterPreparedOrNot) {
  Connect("UTF8", "UTF8");
  ExpectStoredPreparedOrNot([](TFIBQuery& q) { q.ParamByName("M").SetAsWideString(u"Ελλάδα 中文"); },
                            "<null>|Ελλάδα 中文");
}

TEST_F(TextParamsTest, TextBlobParameterTravelsInTheKoi8Code) {
  Connect("KOI8R", "WIN1251");
  ExpectStoredPreparedOrNot(
      [](TFIBQuery& q) {
        q.ParamByName("V").SetAsString(Utf8ToAnsi("Иванов"));
        q.ParamByName("M").SetAsString(Utf8ToAnsi("Иванов Иван Петрович"));
      },
      "Иванов|Иванов Иван Петрович");
}

TEST_F(TextParamsTest, TextTheConnectionCannotHoldIsRefused) {
  Connect("WIN1251", "UTF8");
  for (const bool prepared : {false, true}) {
    SCOPED_TRACE(prepared ? "prepared" : "not prepared");
    TFIBQuery& q = Insert(prepared);
    q.ParamByName("ID").SetAsLong(1);
    q.ParamByName("M").Clear();
    try {
      q.ParamByName("V").SetAsWideString(u"Müller Ελλάδα");
      ExpectRefused("V", u"Müller Ελλάδα");
    } catch (const Exception& error) {
      EXPECT_NE(error.Message().find("\"V\""), AnsiString::npos) << error.Message();
    }
    q.ParamByName("V").Clear();
    try {
      q.ParamByName("M").SetAsWideString(u"中文");
      ExpectRefused("M", u"中文");
    } catch (const Exception& error) {
      EXPECT_NE(error.Message().find("\"M\""), AnsiString::npos) << error.Message();
    }
  }
  EXPECT_EQ(Count(), "0");
}

TEST_F(TextParamsTest, Koi8ConnectionRefusesLettersKoi8Lacks) {
  Connect("KOI8R", "UTF8");
  for (const bool prepared : {false, true}) {
    SCOPED_TRACE(prepared ? "prepared" : "not prepared");
    TFIBQuery& q = Insert(prepared);
    q.ParamByName("ID").SetAsLong(1);
    q.ParamByName("M").Clear();
    try {
      q.ParamByName("V").SetAsString(Utf8ToAnsi("Ґава Їжак"));
      ExpectRefused("V", u"Ґава Їжак");
    } catch (const Exception& error) {
      EXPECT_NE(error.Message().find("\"V\""), AnsiString::npos) << error.Message();
    }
  }
  EXPECT_EQ(Count(), "0");
}

// The server's own refusals name neither the parameter nor the text.
TEST_F(TextParamsTest, TextLongerThanItsParameterIsRefusedNamingItBlanksBeyondAreDropped) {
  for (const char* connection : {"UTF8", "WIN1251", "NONE"}) {
    SCOPED_TRACE(connection);
    Connect(connection, "WIN1251");
    TFIBQuery& q = Insert(true);
    q.ParamByName("ID").SetAsLong(1);
    q.ParamByName("M").Clear();
    const WideString twenty = u"АБВГДЕЖЗИЙКЛМНОПРСТУ";
    try {
      q.ParamByName("V").SetAsWideString(twenty + u"Ф");
      ExpectRefused("V", twenty + u"Ф");
    } catch (const Exception& error) {
      EXPECT_NE(error.Message().find("\"V\""), AnsiString::npos) << error.Message();
    }
    q.ParamByName("V").SetAsWideString(twenty + u"   ");
    Run();
    EXPECT_EQ(Stored(1), "АБВГДЕЖЗИЙКЛМНОПРСТУ|<null>");
  }
}

TEST_F(TextParamsTest, NoneConnectionWritesTheAnsiTextIntoAWin1251ColumnOrRefusesIt) {
  Connect("NONE", "WIN1251");
  TFIBQuery& q = Insert(true);
  q.ParamByName("ID").SetAsLong(1);
  q.ParamByName("V").SetAsWideString(u"Ґанок");
  q.ParamByName("M").SetAsWideString(u"Иванов Иван");
  Run();
  EXPECT_EQ(Stored(1), "Ґанок|Иванов Иван");
  q.ParamByName("ID").SetAsLong(2);
  for (const char* param : {"V", "M"}) {
    q.ParamByName("V").Clear();
    q.ParamByName("M").Clear();
    try {
      q.ParamByName(param).SetAsWideString(u"café Ωμέγα");
      ExpectRefused(param, u"café Ωμέγα");
    } catch (const Exception& error) {
      EXPECT_NE(error.Message().find(AnsiString("\"") + param + "\""), AnsiString::npos) << error.Message();
    }
  }
  EXPECT_EQ(Count(), "1");
}

// A Unicode connection describes every text as UTF8: the column's own set refuses. A
// blob's text has gone to the server by then: the refusal names the blob parameter.
TEST_F(TextParamsTest, UnicodeConnectionNamesTheTextAWin1251ColumnRefuses) {
  Connect("UTF8", "WIN1251");
  TFIBQuery& q = Insert(true);
  q.ParamByName("ID").SetAsLong(1);
  q.ParamByName("M").Clear();
  q.ParamByName("V").SetAsWideString(u"Müller");
  ExpectRefused("V", u"Müller");
  q.ParamByName("V").Clear();
  q.ParamByName("M").SetAsWideString(u"Ωμέγα");
  try {
    Run();
    ADD_FAILURE() << "the text was sent";
  } catch (const Exception& error) {
    EXPECT_NE(error.Message().find("may not fit: M "), AnsiString::npos) << error.Message();
  }
  EXPECT_EQ(Count(), "0");
}

}  // namespace
}  // namespace ordvane::test
