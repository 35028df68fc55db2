// A program that leaves its forms to the application ends cleanly: the program is run as
// a child, and it must exit with status 0 and say nothing.

#include <gtest/gtest.h>

#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

TEST(ProgramExit, AGridOnAFormTheApplicationOwnsGoesWithTheProgram) {
  int exitCode = -1;
  const std::string output = test::RunCommand(test::ShellQuote(ORDVANE_EXIT_PROGRAM), exitCode);
  EXPECT_EQ(exitCode, 0) << output;
  EXPECT_EQ(output, "");
}

}  // namespace
}  // namespace ordvane
