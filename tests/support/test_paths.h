#pragma once
#include <string>

// Where the build put the programs the tests start.
namespace velmorin::testing {
std::string binaryDir();
std::string sourceDir();
std::string replicaPath();  // tools/album-replica built for this build tree
std::string cliPath();      // velmorin-cli
}  // namespace velmorin::testing
