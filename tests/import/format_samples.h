#pragma once
// Every format the program reads, made by ffmpeg at test time from one
// two-second song of plucked chords (nothing large is checked in).

#include <cstdlib>
#include <string>
#include <vector>

namespace sonavix::testing {

struct FormatSample {
  const char* name;       // the file's name, each with a name of its own; the extension says the container
  const char* arguments;  // ffmpeg's, after the song as its first input
  bool exact;             // lossless 16-bit: the very samples of the song
};

inline const std::vector<FormatSample>& FormatSamples() {
  static const std::vector<FormatSample> samples = {
      {"flac.flac", "-c:a flac", true},
      {"vorbis.ogg", "-c:a libvorbis", false},
      {"opus.opus", "-c:a libopus", false},
      {"aac.m4a", "-c:a aac", false},
      {"alac.m4a", "-c:a alac", true},
      {"pcm.aiff", "-c:a pcm_s16be", true},
      {"ulaw.aifc", "-c:a pcm_mulaw -f aiff", false},
      {"alaw.au", "-c:a pcm_alaw", false},
      {"s24.wav", "-c:a pcm_s24le", false},
      {"s32.wav", "-c:a pcm_s32le", false},
      {"f32.wav", "-c:a pcm_f32le", false},
      {"f64.wav", "-c:a pcm_f64le", false},
      {"ext.wav", "-c:a pcm_s16le -write_bext 1", true},
      {"w64.w64", "-c:a pcm_s16le", true},
      {"rf64.wav", "-c:a pcm_s16le -rf64 always", true},
      {"h264.mp4", "-f lavfi -i testsrc=d=2:s=160x120 -map 1:v -map 0:a -c:v libx264 -c:a aac -shortest", false},
      {"mpeg4.mkv", "-f lavfi -i testsrc=d=2:s=160x120 -map 1:v -map 0:a -c:v mpeg4 -c:a flac", true},
      {"vp9.webm",
       "-f lavfi -i testsrc=d=2:s=160x120 -map 1:v -map 0:a -c:v libvpx-vp9 -deadline realtime -cpu-used 8 "
       "-c:a libopus",
       false},
  };
  return samples;
}

inline bool Ffmpeg(const std::string& arguments) {
  return std::system(("ffmpeg -v error -y " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

// The song: two seconds of 16-bit stereo at 44 100 Hz.
inline bool MakeSong(const std::string& path) {
  return Ffmpeg("-f lavfi -i \"aevalsrc='0.3*sin(2*PI*220*t)*exp(-3*mod(t,0.5))|"
                "0.3*sin(2*PI*330*t+1)*exp(-2*mod(t,0.4))':s=44100:d=2\" -c:a pcm_s16le '" + path + "'");
}

inline bool MakeSample(const std::string& song, const FormatSample& sample, const std::string& path) {
  return Ffmpeg("-i '" + song + "' " + sample.arguments + " '" + path + "'");
}

}  // namespace sonavix::testing
