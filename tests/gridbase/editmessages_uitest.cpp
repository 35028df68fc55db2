// The message routines over a real memo: a line longer than the line-copy buffer, the
// selection, and text sent with a count.

#include <gtest/gtest.h>

#include "gridbase/SupportEh.h"
#include "tests/ui/TextControlSupport.h"

namespace ordvane {
namespace {

struct MemoFixture : test::TextControlFixture {
  TMemo* memo = Place<TMemo>(Rect(10, 10, 300, 200));
  MemoFixture() { memo->SetWordWrap(false); }
};

TEST(EditMessages, ALineLongerThanTheBufferComesBackAsTheBufferFull) {
  MemoFixture f;
  AnsiString longLine;
  for (int i = 0; i < 5000; ++i) longLine += static_cast<char>('a' + i % 26);
  f.memo->SetText(longLine + "\r\nsecond");
  const AnsiString first = SendGetLineMessageEh(f.memo->Handle(), EM_GETLINE, 0);
  EXPECT_EQ(first.size(), 4096u);
  EXPECT_EQ(first, longLine.substr(0, 4096));
  EXPECT_EQ(SendGetLineMessageEh(f.memo->Handle(), EM_GETLINE, 1), "second");
  EXPECT_EQ(SendGetLineMessageEh(f.memo->Handle(), EM_GETLINE, 7), "");
}

TEST(EditMessages, TheSelectionComesBackThroughTheTwoOutArguments) {
  MemoFixture f;
  f.memo->SetText(test::A("Петренко Іван"));
  SendMessageEh(f.memo->Handle(), EM_SETSEL, 9, 4);  // set backwards: reported in order
  Cardinal start = 99;
  Cardinal end = 99;
  SendGetSelMessageEh(f.memo->Handle(), start, end);
  EXPECT_EQ(start, 4u);
  EXPECT_EQ(end, 9u);
}

TEST(EditMessages, TextIsSentUpToItsCountAndNeverPastItsEnd) {
  MemoFixture f;
  SendTextMessageEh(f.memo->Handle(), WM_SETTEXT, 0, "abcdef");
  EXPECT_EQ(f.memo->Text(), "abcdef");
  SendTextMessageEh(f.memo->Handle(), WM_SETTEXT, 0, "abcdef", 3);
  EXPECT_EQ(f.memo->Text(), "abc");
  SendMessageEh(f.memo->Handle(), EM_SETSEL, 3, 3);
  SendTextMessageEh(f.memo->Handle(), EM_REPLACESEL, 0, "xyz", 1 << 20);
  EXPECT_EQ(f.memo->Text(), "abcxyz");
}

}  // namespace
}  // namespace ordvane
