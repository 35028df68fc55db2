#pragma once
// Runs a Python script (Python's standard library is the independent oracle for decimal
// rounding and calendar arithmetic) over input lines and returns its output lines.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/FirebirdFixture.h"

namespace ordvane::test {

inline std::string OracleScript(const std::string& name) {
  return SourcePath("tests/classlib/oracles/" + name);
}

// The script at a path of its own (another module's oracle).
inline std::vector<std::string> RunPythonOracleAt(const std::string& scriptPath,
                                                  const std::vector<std::string>& input) {
  char path[] = "/tmp/ordvane_oracle_XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) throw std::runtime_error("cannot create oracle input");
  close(fd);
  {
    std::ofstream out(path);
    for (const std::string& line : input) out << line << '\n';
  }
  const std::string command = "/usr/bin/python3 " + scriptPath + " < " + path;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::vector<std::string> lines;
  if (pipe) {
    char buffer[4096];
    std::string line;
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
      line += buffer;
      if (!line.empty() && line.back() == '\n') {
        line.pop_back();
        lines.push_back(line);
        line.clear();
      }
    }
  }
  std::remove(path);
  return lines;
}

inline std::vector<std::string> RunPythonOracle(const std::string& script,
                                                const std::vector<std::string>& input) {
  return RunPythonOracleAt(OracleScript(script), input);
}

}  // namespace ordvane::test
