// orvia-cli index FILE: the index of a recording as one JSON object.
#include <cstdio>
#include <string>

#include "playback/recording_index.h"
#include "tools/commands.h"
#include "tools/json_out.h"

namespace orvia::cli {

namespace {

void Num(std::string& o, long long v) { o.append(std::to_string(v)); }

// "[a,b,c]"
void Triple(std::string& o, long long a, long long b, long long c) {
  o.push_back('[');
  Num(o, a);
  o.push_back(',');
  Num(o, b);
  o.push_back(',');
  Num(o, c);
  o.push_back(']');
}

// The per-second telemetry: "secondCount", "unixTime", "gPeak" and "gps"
// (null for a second without a fix).
void AppendSeconds(std::string& o, const RecordingIndex& ix) {
  o.append("{\"secondCount\":");
  Num(o, ix.secondCount);
  o.append(",\"unixTime\":[");
  for (int i = 0; i < ix.secondCount; ++i) {
    if (i) o.push_back(',');
    Num(o, ix.unixTime[i]);
  }
  o.append("],\"gPeak\":[");
  for (int i = 0; i < ix.secondCount; ++i) {
    if (i) o.push_back(',');
    Triple(o, ix.gPeak[i].x, ix.gPeak[i].y, ix.gPeak[i].z);
  }
  o.append("],\"gps\":[");
  for (int i = 0; i < ix.secondCount; ++i) {
    if (i) o.push_back(',');
    if (!ix.gps[i]) {
      o.append("null");
      continue;
    }
    Triple(o, ix.gps[i]->latitude, ix.gps[i]->longitude, ix.gps[i]->speed);
  }
  o.push_back(']');
}

// "headerLen", then the entries: "video" as [time,key,size,offset] per unit
// of both streams, "sound" as [time,size,offset] per block.
void AppendEntries(std::string& o, const RecordingIndex& ix) {
  o.append(",\"headerLen\":[");
  Num(o, ix.headerLen[0]);
  o.push_back(',');
  Num(o, ix.headerLen[1]);
  o.append("],\"video\":[");
  for (int s = 0; s < 2; ++s) {
    if (s) o.push_back(',');
    o.push_back('[');
    for (int i = 0; i < ix.videoCount[s]; ++i) {
      const VideoIndexEntry& e = ix.videoEntries[s][i];
      if (i) o.push_back(',');
      o.push_back('[');
      Num(o, e.time);
      o.push_back(',');
      Num(o, e.key);
      o.push_back(',');
      Num(o, e.size);
      o.push_back(',');
      Num(o, e.offset);
      o.push_back(']');
    }
    o.push_back(']');
  }
  o.append("],\"sound\":[");
  for (int i = 0; i < ix.soundCount; ++i) {
    const SoundIndexEntry& e = ix.soundEntries[i];
    if (i) o.push_back(',');
    Triple(o, e.time, e.size, e.offset);
  }
  o.push_back(']');
}

// "format": the sound stream's format and both video streams' sizes and
// rates, null where the headers hold none.
void AppendFormats(std::string& o, const StreamFormats& f) {
  o.append(",\"format\":{\"sound\":");
  if (f.hasSound) {
    o.append("{\"formatTag\":");
    Num(o, f.sound.formatTag);
    o.append(",\"channels\":");
    Num(o, f.sound.channels);
    o.append(",\"sampleRate\":");
    Num(o, f.sound.sampleRate);
    o.append(",\"bitsPerSample\":");
    Num(o, f.sound.bitsPerSample);
    o.append(",\"blockAlign\":");
    Num(o, f.sound.blockAlign);
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
    Num(o, f.video[s].width);
    o.append(",\"height\":");
    Num(o, f.video[s].height);
    o.append(",\"rate\":");
    Num(o, f.video[s].rate);
    o.append(",\"scale\":");
    Num(o, f.video[s].scale);
    o.push_back('}');
  }
  o.append("]}");
}

void PrintIndex(const RecordingIndex& ix) {
  std::string o;
  o.reserve(1 << 16);
  AppendSeconds(o, ix);
  AppendEntries(o, ix);
  AppendFormats(o, ix.formats);
  o.append("}\n");
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
