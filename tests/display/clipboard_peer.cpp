// A second program of this system on the same desktop. It waits for the registered
// clipboard format named on its command line, writes the format's bytes in hex, puts them
// back reversed, and ends once another program has taken the clipboard over (or after
// five seconds without).

#include <algorithm>
#include <cstdio>

#include "classlib/ui/Clipbrd.h"
#include "classlib/ui/qt/QtHost.h"
#include "tests/display/DesktopSupport.h"

int main(int argc, char** argv) {
  using namespace ordvane;
  if (argc != 2) return 2;
  // Registered before the host takes the desktop's clipboard, as a program's units
  // register theirs when they start.
  const UINT format = RegisterClipboardFormat(argv[1]);
  TQtHost host;
  if (!test::RunUntil([&] { return IsClipboardFormatAvailable(format); }, 30000)) return 1;
  RawByteString data = Clipboard()->GetBuffer(format);
  for (unsigned char byte : data) std::printf("%02x", byte);
  std::printf("\n");
  std::fflush(stdout);
  std::reverse(data.begin(), data.end());
  Clipboard()->SetBuffer(format, data.data(), data.size());
  test::RunUntil([&] { return Clipboard()->GetBuffer(format) != data; }, 30000);
  return 0;
}
