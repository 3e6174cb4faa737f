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

// How the shell starts the program: commands before it (a ulimit), what feeds its standard
// input, where its standard output goes (the scratch file when empty).
struct TShell {
  std::string before;
  std::string input = "/dev/null";
  std::string output;
};

// `arguments` go to the shell as they are: the tests pass plain words and paths without blanks.
inline TBatchRun RunBatch(const std::string& arguments, const std::filesystem::path& scratch,
                          const TShell& shell = {}) {
  const auto out = scratch / "stdout.txt";
  const auto err = scratch / "stderr.txt";
  std::filesystem::remove(out);
  const std::string command = shell.before + " " + std::string(ACTINFIT_BATCH_PROGRAM) + " " +
                              arguments + " >" +
                              (shell.output.empty() ? out.string() : shell.output) + " 2>" +
                              err.string() + " <" + shell.input;
  const int status = std::system(command.c_str());
  TBatchRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = FileText(out);
  run.err = FileText(err);
  return run;
}

}  // namespace actinfit::test
