#include "support/test_paths.h"

namespace velmorin::testing {
std::string binaryDir() { return VELMORIN_BINARY_DIR; }
std::string sourceDir() { return VELMORIN_SOURCE_DIR; }
std::string replicaPath() { return binaryDir() + "/tools/album-replica/album-replica"; }
std::string cliPath() { return binaryDir() + "/src/velmorin-cli"; }
}  // namespace velmorin::testing
