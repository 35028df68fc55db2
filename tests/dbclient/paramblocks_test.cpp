// Connection and transaction parameter blocks, byte for byte.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dbclient/FIBParamBlocks.h"
#include "dbclient/fib.h"

namespace ordvane {
namespace {

// A list of the lines, made on the heap since lists are not copied.
std::unique_ptr<TStringList> Lines(std::initializer_list<const char*> lines) {
  auto list = std::make_unique<TStringList>();
  for (const char* line : lines) list->Add(line);
  return list;
}

std::vector<int> Bytes(const AnsiString& block) {
  return std::vector<int>(reinterpret_cast<const unsigned char*>(block.data()),
                          reinterpret_cast<const unsigned char*>(block.data()) + block.size());
}

std::vector<int> WithText(std::vector<int> head, const std::string& text) {
  for (unsigned char c : text) head.push_back(c);
  return head;
}

std::vector<int> DPBOf(std::initializer_list<const char*> lines) {
  auto list = Lines(lines);
  AnsiString dpb;
  SmallInt length = -1;
  GenerateDPB(*list, dpb, length);
  EXPECT_EQ(length, static_cast<SmallInt>(dpb.size()));
  return Bytes(dpb);
}

std::vector<int> TPBOf(TStringList& list, SmallInt& length) {
  AnsiString tpb;
  length = -1;
  GenerateTPB(list, tpb, length);
  return Bytes(tpb);
}

template <class E>
std::string ErrorOf(std::initializer_list<const char*> lines, bool dpb) {
  auto list = Lines(lines);
  AnsiString block = "untouched";
  SmallInt length = 99;
  try {
    if (dpb)
      GenerateDPB(*list, block, length);
    else
      GenerateTPB(*list, block, length);
  } catch (const E& e) {
    EXPECT_EQ(block, "untouched");
    EXPECT_EQ(length, 99);
    return e.Message();
  }
  return "no error";
}

TEST(DPB, NamesAreFoundWithAnyCaseAndPrefixAndTextsCarryTheirLength) {
  const std::vector<int> sysdba = WithText({1, 28, 6}, "SYSDBA");
  EXPECT_EQ(DPBOf({"isc_dpb_user_name=SYSDBA"}), sysdba);
  EXPECT_EQ(DPBOf({"USER_NAME=SYSDBA"}), sysdba);
  EXPECT_EQ(DPBOf({"  user_name=SYSDBA\t"}), sysdba);
  EXPECT_EQ(DPBOf({"lc_ctype=WIN1251"}), WithText({1, 48, 7}, "WIN1251"));
  EXPECT_EQ(DPBOf({}), std::vector<int>{1});
  EXPECT_EQ(DPBOf({"", "   "}), std::vector<int>{1});
  // Everything after the first "=" is the value, blanks and further "=" included.
  EXPECT_EQ(DPBOf({"password=a= b"}), WithText({1, 29, 4}, "a= b"));
  EXPECT_EQ(DPBOf({"sql_role_name"}), (std::vector<int>{1, 60, 0}));
}

TEST(DPB, NumbersKeepTheirValue) {
  EXPECT_EQ(DPBOf({"sweep_interval=20000"}), (std::vector<int>{1, 22, 4, 32, 78, 0, 0}));
  EXPECT_EQ(DPBOf({"sql_dialect=3"}), (std::vector<int>{1, 63, 1, 3}));
  EXPECT_EQ(DPBOf({"num_buffers=255"}), (std::vector<int>{1, 5, 1, 255}));
  // Values beyond one byte take four, least significant first, never a cut-off byte.
  EXPECT_EQ(DPBOf({"num_buffers=2048"}), (std::vector<int>{1, 5, 4, 0, 8, 0, 0}));
  EXPECT_EQ(DPBOf({"connect_timeout=-1"}), (std::vector<int>{1, 57, 4, 255, 255, 255, 255}));
  EXPECT_EQ(DPBOf({"dummy_packet_interval=$10000"}), (std::vector<int>{1, 58, 4, 0, 0, 1, 0}));
  // Flags ignore their value; sweep asks for records.
  EXPECT_EQ(DPBOf({"no_garbage_collect=5", "sweep"}), (std::vector<int>{1, 16, 1, 0, 10, 1, 2}));
  // Lines keep their order and combine.
  EXPECT_EQ(DPBOf({"user_name=A", "force_write=1", "password=pw"}),
            (std::vector<int>{1, 28, 1, 'A', 24, 1, 1, 29, 2, 'p', 'w'}));
}

TEST(DPB, BadLinesRaiseAndLeaveTheBlockAlone) {
  EXPECT_EQ(ErrorOf<EFIBClientError>({"user_name = SYSDBA"}, true), "DPB Constant (user_name ) is unknown.");
  EXPECT_EQ(ErrorOf<EFIBClientError>({"isc_dpb_bogus=1"}, true), "DPB Constant (bogus) is unknown.");
  EXPECT_EQ(ErrorOf<EFIBClientError>({"user_name=x", "debug=1"}, true),
            "DPB Constant (isc_dpb_debug) is unsupported.");
  // instance_name's code means another parameter to the client library.
  EXPECT_EQ(ErrorOf<EFIBClientError>({"instance_name=ib"}, true),
            "DPB Constant (isc_dpb_instance_name) is unsupported.");
  EXPECT_EQ(ErrorOf<EConvertError>({"num_buffers="}, true), "'' is not a valid integer value");
  EXPECT_EQ(ErrorOf<EConvertError>({"num_buffers=2k"}, true), "'2k' is not a valid integer value");
  EXPECT_EQ(ErrorOf<EConvertError>({"sweep_interval=4294967296"}, true),
            "'4294967296' is not a valid integer value");
  const std::string longName = "password=" + std::string(256, 'p');
  EXPECT_EQ(ErrorOf<EFIBClientError>({longName.c_str()}, true),
            "DPB Constant (isc_dpb_password) has a value longer than 255 bytes.");
}

TEST(DPB, TextOfExactly255BytesFitsAndOversizedBlocksAreRefused) {
  const std::string value(255, 'r');
  const std::string line = "sql_role_name=" + value;
  EXPECT_EQ(DPBOf({line.c_str()}), WithText({1, 60, 255}, value));

  TStringList many;
  for (int i = 0; i < 129; ++i) many.Add(line);  // 129 * 257 + 1 bytes
  AnsiString dpb;
  SmallInt length = 0;
  try {
    GenerateDPB(many, dpb, length);
    FAIL() << "a block of 33154 bytes was accepted";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.Message(), "Parameter block of 33154 bytes is longer than the client library accepts (32767).");
  }
  many.Delete(0);  // 128 * 257 + 1 = 32897: still too long
  EXPECT_THROW(GenerateDPB(many, dpb, length), EFIBClientError);
  while (many.Count() > 127) many.Delete(0);  // 32640 bytes
  GenerateDPB(many, dpb, length);
  EXPECT_EQ(length, 32640);
}

TEST(DPB, LinesAreTrimmedInTheCallersListEvenWhenALaterLineFails) {
  auto list = Lines({"  user_name=A ", "\tbogus\t", " password=B "});
  AnsiString dpb;
  SmallInt length;
  EXPECT_THROW(GenerateDPB(*list, dpb, length), EFIBClientError);
  EXPECT_EQ(list->Strings(0), "user_name=A");
  EXPECT_EQ(list->Strings(1), "bogus");
  EXPECT_EQ(list->Strings(2), " password=B ");
}

TEST(DPB, NamesByCode) {
  EXPECT_EQ(DPBConstantName(1), "cdd_pathname");
  EXPECT_EQ(DPBConstantName(28), "user_name");
  EXPECT_EQ(DPBConstantName(83), "force");
  EXPECT_EQ(DPBConstantName(0), "");
  EXPECT_EQ(DPBConstantName(84), "");
  EXPECT_EQ(TPBConstantName(21), "no_savepoint");
  EXPECT_EQ(TPBConstantName(22), "");
  // Every name of the table finds its own code again.
  for (int code = 1; code <= DPBConstantCount; ++code) {
    TStringList list;
    list.Add(DPBConstantName(code) + "=1");
    AnsiString dpb;
    SmallInt length;
    try {
      GenerateDPB(list, dpb, length);
      EXPECT_EQ(static_cast<unsigned char>(dpb[1]), code);
    } catch (const EFIBClientError& e) {
      EXPECT_EQ(e.Message(), "DPB Constant (isc_dpb_" + DPBConstantName(code) + ") is unsupported.");
    }
  }
}

TEST(TPB, FlagsAndLockedTables) {
  auto list = Lines({"write", "isc_tpb_nowait", "read_committed", "rec_version"});
  SmallInt length;
  EXPECT_EQ(TPBOf(*list, length), (std::vector<int>{3, 9, 7, 15, 17}));
  EXPECT_EQ(length, 5);
  list->Add("");
  EXPECT_EQ(TPBOf(*list, length), (std::vector<int>{3, 9, 7, 15, 17}));
  EXPECT_EQ(length, 5);

  auto locks = Lines({"concurrency", "lock_write=CUSTOMERS", "ISC_TPB_LOCK_READ=T", "protected"});
  EXPECT_EQ(TPBOf(*locks, length), WithText(WithText({3, 2, 11, 9}, "CUSTOMERS"), "\x0A\x01T\x04"));
  EXPECT_EQ(length, 17);

  TStringList empty;
  EXPECT_EQ(TPBOf(empty, length), std::vector<int>{});
  EXPECT_EQ(length, 0);
  // A list of blank lines still has lines: the block is the version byte alone.
  auto blanks = Lines({" ", ""});
  EXPECT_EQ(TPBOf(*blanks, length), std::vector<int>{3});
  EXPECT_EQ(length, 1);
}

TEST(TPB, BadLinesRaise) {
  EXPECT_EQ(ErrorOf<EFIBClientError>({"write", "verb_time"}, false), "TPB Constant (isc_tpb_verb_time) is unsupported.");
  EXPECT_EQ(ErrorOf<EFIBClientError>({"isc_tpb_autocommit"}, false),
            "TPB Constant (isc_tpb_autocommit) is unsupported.");
  EXPECT_EQ(ErrorOf<EFIBClientError>({"read committed"}, false), "TPB Constant (read committed) is unknown.");
  const std::string longTable = "lock_read=" + std::string(300, 'T');
  EXPECT_EQ(ErrorOf<EFIBClientError>({longTable.c_str()}, false),
            "TPB Constant (isc_tpb_lock_read) has a value longer than 255 bytes.");
}

}  // namespace
}  // namespace ordvane
