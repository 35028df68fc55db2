// The clipboard: text in the ANSI code page and its wide form, registered formats with
// any bytes, and several formats put together between one opening and closing.

#include <gtest/gtest.h>

#include "classlib/core/CodePages.h"
#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/Host.h"

namespace ordvane {
namespace {

class CountingHost : public THeadlessHost {
 public:
  void ClipboardChanged() override { ++changes; }
  int changes = 0;
};

class ClipboardTest : public ::testing::Test {
 protected:
  ClipboardTest() {
    SetHost(&host);
    Clipboard()->Clear();
    host.changes = 0;
  }
  ~ClipboardTest() override { SetHost(nullptr); }
  CountingHost host;
};

TEST_F(ClipboardTest, TextGoesInTheAnsiCodePageAndComesBackWideToo) {
  const AnsiString text = Utf8ToAnsi("Звіт за квітень");
  Clipboard()->SetAsText(text);
  EXPECT_EQ(Clipboard()->AsText(), text);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_TRUE(Clipboard()->HasFormat(CF_UNICODETEXT));
  EXPECT_EQ(Clipboard()->FormatCount(), 1);
  RawByteString wide;
  ASSERT_TRUE(GetClipboardData(CF_UNICODETEXT, wide));
  const RawByteString expected =
      WideToCodePage(Utf8Decode("Звіт за квітень"), CP_UTF16LE) + std::string(2, '\0');
  EXPECT_EQ(wide, expected);
  // Text put in its wide form reads back in the ANSI code page.
  ASSERT_TRUE(OpenClipboard(0));
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, WideToCodePage(Utf8Decode("Ґанок"), CP_UTF16LE) + std::string(2, '\0'));
  CloseClipboard();
  EXPECT_EQ(Clipboard()->AsText(), Utf8ToAnsi("Ґанок"));
  EXPECT_EQ(host.changes, 2);
}

TEST_F(ClipboardTest, FormatsPutBetweenOneOpenAndCloseStayTogetherALoneSetterReplacesAll) {
  const UINT csv = RegisterClipboardFormat("Csv");
  const UINT rows = RegisterClipboardFormat("VCLDBIF");
  EXPECT_EQ(RegisterClipboardFormat("csv"), csv);
  EXPECT_GE(csv, kFirstRegisteredFormat);
  EXPECT_NE(csv, rows);
  EXPECT_EQ(GetClipboardFormatName(rows), "VCLDBIF");
  const std::string binary("\x00\x01\xFF\x00record", 10);
  Clipboard()->Open();
  Clipboard()->SetAsText("a\tb");
  Clipboard()->SetBuffer(csv, "a,b", 3);
  Clipboard()->SetBuffer(rows, binary.data(), binary.size());
  Clipboard()->Close();
  EXPECT_EQ(host.changes, 1);
  EXPECT_EQ(Clipboard()->FormatCount(), 3);
  EXPECT_EQ(Clipboard()->Formats(2), rows);
  EXPECT_EQ(Clipboard()->GetBuffer(rows), binary);
  EXPECT_EQ(Clipboard()->GetBuffer(csv), "a,b");
  EXPECT_TRUE(Clipboard()->HasFormat(rows));

  Clipboard()->SetAsText("only text");
  EXPECT_FALSE(Clipboard()->HasFormat(csv));
  EXPECT_FALSE(Clipboard()->HasFormat(rows));
  EXPECT_EQ(Clipboard()->GetBuffer(rows), "");
  EXPECT_EQ(Clipboard()->AsText(), "only text");
}

TEST_F(ClipboardTest, TheClipboardOpensForOneOwnerAtATime) {
  ASSERT_TRUE(OpenClipboard(0x1234));
  try {
    Clipboard()->Open();
    ADD_FAILURE() << "opened while another owner has the clipboard";
  } catch (const EClipboardException& e) {
    EXPECT_EQ(e.Message(), "Cannot open clipboard");
  }
  CloseClipboard();
  EXPECT_FALSE(SetClipboardData(CF_TEXT, "x"));  // not open: refused
  Clipboard()->SetTextBuf("after");
  EXPECT_EQ(Clipboard()->AsText(), "after");
}

}  // namespace
}  // namespace ordvane
