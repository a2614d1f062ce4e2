// orvia-cli index FILE: the index of a recording as one JSON object.
#include <cstdio>
#include <string>

#include "playback/recording_index.h"
#include "tools/commands.h"
#include "tools/json_out.h"

namespace orvia::cli {

namespace {

void PrintIndex(const RecordingIndex& ix) {
  std::string o;
  o.reserve(1 << 16);
  auto num = [&](long long v) { o.append(std::to_string(v)); };
  o.append("{\"secondCount\":");
  num(ix.secondCount);
  o.append(",\"unixTime\":[");
  for (int i = 0; i < ix.secondCount; ++i) {
    if (i) o.push_back(',');
    num(ix.unixTime[i]);
  }
  o.append("],\"gPeak\":[");
  for (int i = 0; i < ix.secondCount; ++i) {
    if (i) o.push_back(',');
    o.push_back('[');
    num(ix.gPeak[i].x);
    o.push_back(',');
    num(ix.gPeak[i].y);
    o.push_back(',');
    num(ix.gPeak[i].z);
    o.push_back(']');
  }
  o.append("],\"gps\":[");
  for (int i = 0; i < ix.secondCount; ++i) {
    if (i) o.push_back(',');
    if (!ix.gps[i]) {
      o.append("null");
      continue;
    }
    o.push_back('[');
    num(ix.gps[i]->latitude);
    o.push_back(',');
    num(ix.gps[i]->longitude);
    o.push_back(',');
    num(ix.gps[i]->speed);
    o.push_back(']');
  }
  o.append("],\"headerLen\":[");
  num(ix.headerLen[0]);
  o.push_back(',');
  num(ix.headerLen[1]);
  o.append("],\"video\":[");
  for (int s = 0; s < 2; ++s) {
    if (s) o.push_back(',');
    o.push_back('[');
    for (int i = 0; i < ix.videoCount[s]; ++i) {
      const VideoIndexEntry& e = ix.videoEntries[s][i];
      if (i) o.push_back(',');
      o.push_back('[');
      num(e.time);
      o.push_back(',');
      num(e.key);
      o.push_back(',');
      num(e.size);
      o.push_back(',');
      num(e.offset);
      o.push_back(']');
    }
    o.push_back(']');
  }
  o.append("],\"sound\":[");
  for (int i = 0; i < ix.soundCount; ++i) {
    const SoundIndexEntry& e = ix.soundEntries[i];
    if (i) o.push_back(',');
    o.push_back('[');
    num(e.time);
    o.push_back(',');
    num(e.size);
    o.push_back(',');
    num(e.offset);
    o.push_back(']');
  }
  const StreamFormats& f = ix.formats;
  o.append("],\"format\":{\"sound\":");
  if (f.hasSound) {
    o.append("{\"formatTag\":");
    num(f.sound.formatTag);
    o.append(",\"channels\":");
    num(f.sound.channels);
    o.append(",\"sampleRate\":");
    num(f.sound.sampleRate);
    o.append(",\"bitsPerSample\":");
    num(f.sound.bitsPerSample);
    o.append(",\"blockAlign\":");
    num(f.sound.blockAlign);
    o.push_back('}');
  } else {
    o.append("null");
  }
  o.append(",\"video\":[");
  for (int s = 0; s < 2; ++s) {
    if (s) o.push_back(',');
    if (!f.hasVideo[s]) {
      o.append("null");
      continue;
    }
    o.append("{\"width\":");
    num(f.video[s].width);
    o.append(",\"height\":");
    num(f.video[s].height);
    o.append(",\"rate\":");
    num(f.video[s].rate);
    o.append(",\"scale\":");
    num(f.video[s].scale);
    o.push_back('}');
  }
  o.append("]}}\n");
  std::fwrite(o.data(), 1, o.size(), stdout);
}

}  // namespace

int RunIndex(int argc, char** argv) {
  if (argc != 1) {
    std::fputs("usage: orvia-cli index FILE\n", stderr);
    return 2;
  }
  RecordingIndex index;
  RecordingFile file = OpenRecording(argv[0], index);
  if (!file.IsOpen()) {
    std::fprintf(stderr, "orvia-cli index: %s: cannot be opened or is not an AVI recording\n", argv[0]);
    return 2;
  }
  PrintIndex(index);
  return 0;
}

}  // namespace orvia::cli
