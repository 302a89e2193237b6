#include "album/album_walks.h"

namespace velmorin {

// Thread entry point for Start with originals unchecked; the walk itself is not written yet.
void downloadPreviews() {}

}  // namespace velmorin
