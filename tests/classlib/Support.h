#pragma once
// What the class-library tests share: the independent tools they compare the library
// with (iconv and Python's standard library; input goes through a file, so any bytes can
// be passed), and a scope that sets the ANSI code page for one test.

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "classlib/core/CodePages.h"
#include "tests/support/FirebirdFixture.h"

namespace ordvane::test {

// The ANSI texts of UTF-8 literals.
inline std::vector<AnsiString> Ansi(std::initializer_list<const char*> utf8) {
  std::vector<AnsiString> out;
  for (const char* s : utf8) out.push_back(Utf8ToAnsi(s));
  return out;
}

// A little-endian 32-bit number at offset, for the tests that damage files on purpose.
inline void PutCardinal(std::vector<Byte>& data, std::size_t offset, Cardinal value) {
  for (std::size_t i = 0; i < 4; ++i) data[offset + i] = static_cast<Byte>(value >> (8 * i));
}
inline Cardinal GetCardinal(const std::vector<Byte>& data, std::size_t offset) {
  Cardinal value = 0;
  for (std::size_t i = 4; i-- > 0;) value = value << 8 | data[offset + i];
  return value;
}

inline std::string WriteTempFile(const std::string& contents) {
  static std::atomic<int> counter{0};
  std::string path = TestTempDir() + "/oracle-" + std::to_string(counter++);
  std::ofstream(path, std::ios::binary) << contents;
  return path;
}

// iconv -c (characters it cannot convert are dropped) of the bytes; stderr is discarded.
inline std::string Iconv(const std::string& input, const std::string& from, const std::string& to) {
  std::string file = WriteTempFile(input);
  int exitCode = 0;
  return RunCommand("(iconv -c -f " + from + " -t " + to + " " + file + " 2>/dev/null)", exitCode);
}

// What /usr/bin/python3 prints for a script.
inline std::string Python(const std::string& script) {
  std::string file = WriteTempFile(script);
  int exitCode = 0;
  std::string output = RunCommand("/usr/bin/python3 " + file, exitCode);
  EXPECT_EQ(exitCode, 0) << output;
  return output;
}

// The message of the exception of type E that action raises, or "no error".
template <class E>
std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message();
  }
  return "no error";
}

class AnsiCodePageScope {
 public:
  explicit AnsiCodePageScope(Cardinal codePage) : fPrevious(GetAnsiCodePage()) { SetAnsiCodePage(codePage); }
  ~AnsiCodePageScope() { SetAnsiCodePage(fPrevious); }
  AnsiCodePageScope(const AnsiCodePageScope&) = delete;
  AnsiCodePageScope& operator=(const AnsiCodePageScope&) = delete;

 private:
  Cardinal fPrevious;
};

}  // namespace ordvane::test
