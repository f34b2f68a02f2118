// The channel tests' peer program (copydata_peer) as a real second process.
#pragma once

#include <string>
#include <vector>

#include "tests/support/child_process.h"

class PeerProcess : public test_support::ChildProcess {
 public:
  explicit PeerProcess(std::vector<std::string> args)
      : ChildProcess(WithProgram(std::move(args))) {}

 private:
  static std::vector<std::string> WithProgram(std::vector<std::string> args) {
    args.insert(args.begin(), COPYDATA_PEER);
    return args;
  }
};
