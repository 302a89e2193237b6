#pragma once
// The two album walks. Each reads the link from the window runtime, walks the album and
// saves every photo through savePhoto; each runs to its end on the calling thread.
namespace velmorin {

void downloadOriginals();
void downloadPreviews();

}  // namespace velmorin
