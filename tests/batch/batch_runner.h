// Runs the real batch program and collects what it printed and how it ended.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace actinfit::test {

struct TBatchRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// `arguments` go to the shell as they are: the tests pass plain words and paths without blanks.
inline TBatchRun RunBatch(const std::string& arguments, const std::filesystem::path& scratch) {
  const auto out = scratch / "stdout.txt";
  const auto err = scratch / "stderr.txt";
  const std::string command = std::string(ACTINFIT_BATCH_PROGRAM) + " " + arguments + " >" +
                              out.string() + " 2>" + err.string() + " </dev/null";
  const int status = std::system(command.c_str());
  TBatchRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = FileText(out);
  run.err = FileText(err);
  return run;
}

}  // namespace actinfit::test
