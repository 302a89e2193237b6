#include "album/album_walks.h"

namespace velmorin {

// Thread entry point for Start with originals checked; the walk itself is not written yet.
void downloadOriginals() {}

}  // namespace velmorin
