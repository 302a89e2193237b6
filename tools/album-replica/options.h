#pragma once
// Command-line options of album-replica.
#include <cstddef>
#include <string>

namespace velmorin::replica {

struct Options {
  int port = 0;  // 0 = any free port
  int photos = 65;
  std::string uid = "1234567890";
  std::string albumId = "3550000000";
  bool https = false;
  std::string cert, key;
  bool requireLogin = false;
  std::size_t imageBytes = 0;
  bool help = false;
};

// Fills `options` from argv; on a bad argument returns false with `error` set.
bool parseOptions(int argc, char** argv, Options& options, std::string& error);
std::string usage();

}  // namespace velmorin::replica
