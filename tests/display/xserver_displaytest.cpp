// The private X server a display test runs on: ready when the test starts, and the same
// server, as its clients left it, for the whole test, however many clients come and go.

#include <gtest/gtest.h>

#include "tests/support/FirebirdFixture.h"

namespace ordvane {
namespace {

TEST(PrivateXServer, WhatOneClientLeftTheNextFindsAfterTheLastClientWent) {
  int exitCode = -1;
  test::RunCommand("command -v xprop", exitCode);
  if (exitCode != 0) GTEST_SKIP() << "xprop is not installed";
  // Each command is the server's only client: a server that started over once its last
  // client went would have lost the property the first one set on the root window.
  std::string output = test::RunCommand("xprop -root -f ORDVANE_MARK 8s -set ORDVANE_MARK kept", exitCode);
  ASSERT_EQ(exitCode, 0) << output;
  output = test::RunCommand("xprop -root ORDVANE_MARK", exitCode);
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(output, "ORDVANE_MARK(STRING) = \"kept\"\n");
}

}  // namespace
}  // namespace ordvane
