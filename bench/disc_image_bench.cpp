// Times the making of a disc image from finished MPEG files, the way the
// program makes it (the real tools, in a folder beside the image).
// bench/disc_image_bench.sh sets it against the render of the same songs.
//
//   disc_image_bench vcd|svcd|dvd image.cue|image.iso song.mpg...
//
// Prints "seconds <wall time>"; exits 1 if the image fails.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "disc/disc_image.h"
#include "texts/disc_texts.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: disc_image_bench vcd|svcd|dvd image song.mpg...\n");
    return 1;
  }
  sonavix::DiscImageRequest request;
  request.preset = std::strcmp(argv[1], "dvd") == 0    ? sonavix::DiscPreset::Dvd
                   : std::strcmp(argv[1], "svcd") == 0 ? sonavix::DiscPreset::SuperVideoCd
                                                       : sonavix::DiscPreset::VideoCd;
  request.target = argv[2];
  for (int i = 3; i < argc; ++i) request.tracks.emplace_back(argv[i]);
  const auto tools = sonavix::CreateDiscTools();
  sonavix::DiscImageObserver quiet;
  const auto start = std::chrono::steady_clock::now();
  const sonavix::DiscImageResult result = sonavix::BuildDiscImage(request, *tools, quiet);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!result.ok) {
    std::fprintf(stderr, "%s\n", sonavix::DiscProblemText(result.problem).c_str());
    return 1;
  }
  std::printf("seconds %.3f\n", seconds);
  return 0;
}
