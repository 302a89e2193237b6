// Whole album walks against the local replica:
//  - originals, 300 photos: wall time against the pauses the walk must make (300 x 100 ms);
//  - previews of an empty album: the 1000 listing requests;
//  - peak memory of originals walks with 5 MB images, 50 and 300 photos (flat in the count).
//   build/release/bench/bench_album_walks
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "album/album_walks.h"
#include "cookies/shared_cookie_text.h"
#include "platform/codepage.h"
#include "support/album_setup.h"
#include "support/replica.h"

namespace {

using namespace velmorin;
using testing::RecordingRuntime;
using testing::Replica;
using testing::AlbumSetup;

// The test runtime, but with the walk's pauses really waited.
class PausingRuntime : public RecordingRuntime {
 public:
  using RecordingRuntime::RecordingRuntime;
  void pauseWithEvents(int ms) override {
    if (waits) WindowRuntime::pauseWithEvents(ms);
  }
  bool waits = true;
};

struct WalkSetup {
  explicit WalkSetup(Replica::Options options) : album(options), runtime(album.runDirectory()) {
    runtime.setLink(fromUtf8(album.replica().albumLink()));
    setWindowRuntime(&runtime);
  }
  ~WalkSetup() { setWindowRuntime(nullptr); }
  Replica& replica() { return album.replica(); }

  AlbumSetup album;
  PausingRuntime runtime;
};

double seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

void OriginalsWalkOverPauses(benchmark::State& state) {
  const int photos = static_cast<int>(state.range(0));
  WalkSetup setup({.photos = photos});
  const double pauses = photos * 0.100;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    downloadOriginals();
    const double wall = seconds(std::chrono::steady_clock::now() - start);
    state.SetIterationTime(wall);
    state.counters["pauses_s"] = pauses;
    state.counters["wall_s"] = wall;
    state.counters["overhead_pct"] = (wall / pauses - 1.0) * 100.0;
  }
  if (setup.runtime.rowCount() != photos) state.SkipWithError("not every photo was saved");
}
BENCHMARK(OriginalsWalkOverPauses)->Arg(300)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void PreviewsWalkEmptyAlbum(benchmark::State& state) {
  WalkSetup setup({.photos = 0});
  for (auto _ : state) downloadPreviews();
  state.counters["listing_requests"] = static_cast<double>(setup.replica().requests().size());
}
BENCHMARK(PreviewsWalkEmptyAlbum)->Iterations(3)->Unit(benchmark::kMillisecond);

// Runs an originals walk of `photos` 5 MB images in a child process and returns the
// child's peak resident set in MB (the parent's own memory does not count).
double peakMegabytesOfWalk(int photos) {
  int channel[2];
  if (pipe(channel) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    {
      WalkSetup setup({.photos = photos, .imageBytes = 5 * 1024 * 1024});
      // Pauses do not change memory; skip them so the measurement stays short.
      setup.runtime.waits = false;
      downloadOriginals();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double mb = usage.ru_maxrss / 1024.0;
    (void)!write(channel[1], &mb, sizeof mb);
    _exit(0);
  }
  close(channel[1]);
  double mb = -1;
  if (read(channel[0], &mb, sizeof mb) != sizeof mb) mb = -1;
  close(channel[0]);
  waitpid(child, nullptr, 0);
  return mb;
}

void OriginalsWalkPeakMemory(benchmark::State& state) {
  for (auto _ : state) {
    state.counters["peak_mb_50_photos"] = peakMegabytesOfWalk(50);
    state.counters["peak_mb_300_photos"] = peakMegabytesOfWalk(300);
  }
}
BENCHMARK(OriginalsWalkPeakMemory)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
