// The command-line host run as a person runs it, on a machine folder of the
// test's, its output caught.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "test_support.h"

namespace test_support {

struct VelmOutput {
  int rc = -1;  // the exit status; 1000 when velm did not exit by itself
  std::string out, err;
};

// `tool` (velm) with --machine `machine` and `args`; env: assignments put
// before the command. Its stdout and stderr go through files in `folder`.
inline VelmOutput RunVelm(const std::string& tool, const std::string& machine, const std::string& args,
                          const std::string& folder, const std::string& env = "") {
  const std::string out = folder + "/stdout", err = folder + "/stderr";
  const std::string cmd =
      env + (env.empty() ? "" : " ") + tool + " --machine " + machine + " " + args + " >" + out + " 2>" + err;
  const int status = std::system(cmd.c_str());
  VelmOutput o;
  o.rc = WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
  o.out = ReadFile(out);
  o.err = ReadFile(err);
  return o;
}

}  // namespace test_support
