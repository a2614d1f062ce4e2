// Simulated recordings read three ways: their RIFF tree walked byte by byte
// (sizes, padding, stream headers, the interleaving of the movi list, the idx1
// index, the shape of the H.264 units), the viewer's own index compared with
// what the simulator says it wrote, and the FFmpeg command-line tools.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "playback/recording_index.h"
#include "tests/tools/sim/sim_test_support.h"
#include "tools/sim/h264_encoder.h"

namespace orvia::sim {
namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Le32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t Le16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
std::string Tag(const Bytes& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

struct Chunk {
  std::string id;
  size_t data;  // offset of the data
  uint32_t size;
};

// Chunks of [begin, end); fails the test when one does not fit or its pad byte is not 0.
std::vector<Chunk> Children(const Bytes& b, size_t begin, size_t end) {
  std::vector<Chunk> out;
  size_t pos = begin;
  while (pos + 8 <= end) {
    const uint32_t size = Le32(b, pos + 4);
    EXPECT_LE(pos + 8 + size + (size & 1), end) << Tag(b, pos) << " at " << pos << " overruns its parent";
    if (pos + 8 + size > end) break;
    EXPECT_TRUE(size % 2 == 0 || b[pos + 8 + size] == 0) << "pad byte of " << Tag(b, pos);
    out.push_back({Tag(b, pos), pos + 8, size});
    pos += 8 + size + (size & 1);
  }
  EXPECT_EQ(pos, end);
  return out;
}
std::vector<Chunk> Children(const Bytes& b, const Chunk& list) {
  return Children(b, list.data + 4, list.data + list.size);
}

std::vector<std::string> Ids(const Bytes& b, const std::vector<Chunk>& chunks) {
  std::vector<std::string> ids;
  for (const Chunk& c : chunks) ids.push_back(c.id == "LIST" ? "LIST " + Tag(b, c.data) : c.id);
  return ids;
}

// hdrl: avih (total frames, streams) then four stream lists.
void CheckHeaders(const Bytes& b, const Chunk& hdrlList, const RecordingReport& report, int fps) {
  const std::vector<Chunk> hdrl = Children(b, hdrlList);
  ASSERT_EQ(Ids(b, hdrl),
            (std::vector<std::string>{"avih", "LIST strl", "LIST strl", "LIST strl", "LIST strl"}));
  ASSERT_EQ(hdrl[0].size, 56u);
  EXPECT_EQ(Le32(b, hdrl[0].data + 16), static_cast<uint32_t>(report.videoUnits[0]));
  EXPECT_EQ(Le32(b, hdrl[0].data + 24), 4u);
  const char* types[4] = {"vids", "vids", "auds", "txts"};
  const uint32_t widths[2] = {1280, 640}, heights[2] = {720, 360};
  for (int s = 0; s < 4; ++s) {
    SCOPED_TRACE(s);
    const std::vector<Chunk> strl = Children(b, hdrl[s + 1]);
    ASSERT_GE(strl.size(), 2u);
    const Chunk &strh = strl[0], &strf = strl[1];  // the text stream has a name in place of strf
    ASSERT_EQ(strh.id + strf.id, s < 3 ? "strhstrf" : "strhstrn");
    ASSERT_EQ(strh.size, 56u);
    EXPECT_EQ(Tag(b, strh.data), types[s]);
    if (s < 2) {  // handler, scale, rate, length; BITMAPINFOHEADER size, width, height, compression
      EXPECT_EQ(Tag(b, strh.data + 4), "H264");
      EXPECT_EQ(
          std::vector<uint32_t>({Le32(b, strh.data + 20), Le32(b, strh.data + 24), Le32(b, strh.data + 32)}),
          std::vector<uint32_t>(
              {1, static_cast<uint32_t>(fps), static_cast<uint32_t>(report.videoUnits[s])}));
      ASSERT_EQ(strf.size, 40u);
      EXPECT_EQ(std::vector<uint32_t>({Le32(b, strf.data), Le32(b, strf.data + 4), Le32(b, strf.data + 8)}),
                std::vector<uint32_t>({40, widths[s], heights[s]}));
      EXPECT_EQ(Tag(b, strf.data + 16), "H264");
    } else if (s == 2) {  // PCM, mono, 8000 samples and 16000 bytes a second, block align 2, 16 bits
      ASSERT_GE(strf.size, 16u);
      EXPECT_EQ(
          std::vector<uint32_t>({Le16(b, strf.data), Le16(b, strf.data + 2), Le32(b, strf.data + 4),
                                 Le32(b, strf.data + 8), Le16(b, strf.data + 12), Le16(b, strf.data + 14)}),
          std::vector<uint32_t>({1, 1, 8000, 16000, 2, 16}));
      EXPECT_EQ(Le32(b, strh.data + 24) / Le32(b, strh.data + 20), 8000u);
    }
  }
}

// movi: per second a motion record first, then 10 M, 1 G (unless lost), fps
// units per camera and 25 sound blocks; key units SPS, PPS, IDR, the others
// a slice, with 4-byte start codes and without SEI or AUD.
void CheckMovi(const Bytes& b, const std::vector<Chunk>& movi, const RecordingReport& report, int fps) {
  ASSERT_FALSE(movi.empty());
  EXPECT_EQ(movi.front().id, "03tx");
  EXPECT_EQ(b[movi.front().data], 'M');
  std::map<std::string, int> counts;
  for (const Chunk& c : movi) {
    const std::span<const uint8_t> data(b.data() + c.data, c.size);
    const int n = counts[c.id]++;
    if (c.id == "00dc" || c.id == "01dc") {
      ASSERT_GE(c.size, 5u);
      EXPECT_EQ(Le32(b, c.data), 0x01000000u) << c.id << " " << n;
      const std::vector<int> nals = NalTypes(data);
      EXPECT_EQ(std::count(nals.begin(), nals.end(), 6) + std::count(nals.begin(), nals.end(), 9), 0);
      if (n % fps == 0) {
        EXPECT_EQ(std::vector<int>(nals.begin(), nals.begin() + std::min<size_t>(3, nals.size())),
                  (std::vector<int>{7, 8, 5}));
      } else {
        EXPECT_EQ(nals.at(0), 1) << c.id << " " << n;
      }
    } else if (c.id == "03tx") {
      ASSERT_GE(c.size, 1u);
      ++counts[std::string(1, static_cast<char>(b[c.data]))];
      EXPECT_TRUE(b[c.data] != 'M' || c.size == 11u);
    } else {
      EXPECT_EQ(c.id + std::to_string(c.size), "02wb640");
    }
  }
  const int seconds = static_cast<int>(report.seconds.size());
  EXPECT_EQ(counts["00dc"], fps * seconds);
  EXPECT_EQ(counts["01dc"], fps * seconds);
  EXPECT_EQ(counts["02wb"], 25 * seconds);
  EXPECT_EQ(counts["M"], 10 * seconds);
  EXPECT_EQ(counts["G"], report.gpsRecords);
  EXPECT_EQ(counts["M"] + counts["G"], counts["03tx"]);
}

// idx1: one entry per movi chunk, same order, offsets from the list type
// (`moviList`), key flag on key units.
void CheckIdx1(const Bytes& b, const Chunk& idx1, size_t moviList, const std::vector<Chunk>& movi) {
  ASSERT_EQ(idx1.size, 16 * movi.size());
  for (size_t i = 0; i < movi.size(); ++i) {
    const size_t e = idx1.data + 16 * i;
    ASSERT_EQ(Tag(b, e), movi[i].id) << i;
    ASSERT_EQ(moviList + Le32(b, e + 8) + 8, movi[i].data) << i;
    ASSERT_EQ(Le32(b, e + 12), movi[i].size) << i;
    if (movi[i].id[2] == 'd') {
      const bool key = NalTypes(std::span<const uint8_t>(b.data() + movi[i].data, movi[i].size)).front() == 7;
      EXPECT_EQ((Le32(b, e + 4) & 0x10) != 0, key) << i;
    }
  }
}

// The RIFF tree of the recording; the first fatal failure ends the check.
void CheckStructure(const RecordingReport& report, int fps) {
  SCOPED_TRACE(report.path);
  const Bytes b = testing::ReadFileBytes(report.path);
  ASSERT_EQ(b.size(), report.bytes);
  ASSERT_GE(b.size(), 12u);
  ASSERT_EQ(Tag(b, 0) + Tag(b, 8), "RIFFAVI ");
  ASSERT_EQ(Le32(b, 4), b.size() - 8);
  const std::vector<Chunk> top = Children(b, 12, b.size());
  ASSERT_EQ(Ids(b, top), (std::vector<std::string>{"LIST hdrl", "JUNK", "LIST movi", "idx1"}));
  ASSERT_NO_FATAL_FAILURE(CheckHeaders(b, top[0], report, fps));
  const size_t moviList = top[2].data;  // the "movi" list type, base of idx1 offsets
  const std::vector<Chunk> movi = Children(b, top[2]);
  ASSERT_NO_FATAL_FAILURE(CheckMovi(b, movi, report, fps));
  CheckIdx1(b, top[3], moviList, movi);
}

// `wholeSeconds`: the recording's length; with a lead-in the file spans one
// second more, partial at both ends. Leaves the recording's index in `index`.
void CheckIndex(const RecordingReport& report, int fps, int wholeSeconds, RecordingIndex& index) {
  SCOPED_TRACE(report.path);
  ASSERT_TRUE(OpenRecording(report.path, index).IsOpen());
  const int seconds = static_cast<int>(report.seconds.size());
  ASSERT_EQ(index.secondCount, seconds);
  // Every unit is indexed: each stream starts with a key unit.
  EXPECT_EQ(index.videoCount[0], fps * wholeSeconds);
  EXPECT_EQ(index.videoCount[1], fps * wholeSeconds);
  EXPECT_EQ(index.soundCount, 25 * wholeSeconds);
  for (int s = 0; s < 2; ++s) {
    // The parameter sets fit the player's header buffer.
    EXPECT_GT(index.headerLen[s], 8) << s;
    EXPECT_LT(index.headerLen[s], 240) << s;
    EXPECT_EQ(index.header[s][4] & 0x1f, 7) << s;
    int keys = 0;
    for (int i = 0; i < index.videoCount[s]; ++i) keys += index.videoEntries[s][i].key == kKeyUnit;
    EXPECT_EQ(keys, seconds) << s;
  }
  for (int i = 0; i < seconds; ++i) {
    SCOPED_TRACE(i);
    const SecondRecord& want = report.seconds[i];
    EXPECT_EQ(static_cast<uint32_t>(index.unixTime[i]), want.unixTime);
    EXPECT_EQ(std::vector<int>({index.gPeak[i].x, index.gPeak[i].y, index.gPeak[i].z}),
              std::vector<int>({want.peak[0], want.peak[1], want.peak[2]}));
    ASSERT_EQ(index.gps[i] != nullptr, want.hasGps);
    if (want.hasGps) {
      // The reader works in floating point: allow one millionth of a degree.
      EXPECT_LE(std::abs(index.gps[i]->latitude - want.gps.latitudeE6), 1) << want.gps.text;
      EXPECT_LE(std::abs(index.gps[i]->longitude - want.gps.longitudeE6), 1) << want.gps.text;
      EXPECT_LE(std::abs(index.gps[i]->speed - want.gps.speedX10), 1) << want.gps.text;
    }
  }
}

CardReport Card(const std::string& name, const std::string& layout, int seconds,
                void (*adjust)(CardOptions&)) {
  CardOptions o;
  o.root = testing::MakeTempFolder(name);
  o.layout = layout;
  o.seconds = seconds;
  if (adjust) adjust(o);
  const CardReport card = MakeCard(o);
  EXPECT_TRUE(card.ok) << card.error;
  return card;
}

TEST(RecordingFiles, EverySmallCardRecordingIsWellFormedAndIndexedAsWritten) {
  const CardReport& card = testing::SmallCard();
  ASSERT_TRUE(card.ok) << card.error;
  ASSERT_EQ(card.recordings.size(), 5u);
  const CardOptions& o = testing::SmallCardOptions();
  for (const RecordingReport& r : card.recordings) {
    CheckStructure(r, o.fps);
    RecordingIndex index;
    CheckIndex(r, o.fps, o.seconds, index);
    // The impact and the parking knock stand out in the peaks; driving stays calm.
    int strongest = 0;
    for (const SecondRecord& s : r.seconds)
      strongest = std::max({strongest, std::abs(s.peak[0]), std::abs(s.peak[1]), std::abs(s.peak[2] - 1000)});
    if (r.path.find("/Event/") != std::string::npos) {
      EXPECT_GE(strongest, 1500) << r.path;
    } else if (r.path.find("/ParkingEvent/") != std::string::npos) {
      EXPECT_GE(strongest, 250) << r.path;
      EXPECT_LT(strongest, 1000) << r.path;
    } else {
      EXPECT_LT(strongest, 700) << r.path;
    }
  }
}

TEST(RecordingFiles, OtherFrameRatesKeepOneKeyUnitPerSecond) {
  const CardReport card = Card("fps10", "single", 2, [](CardOptions& o) { o.fps = 10; });
  ASSERT_EQ(card.recordings.size(), 1u);
  CheckStructure(card.recordings[0], 10);
  RecordingIndex index;
  CheckIndex(card.recordings[0], 10, 2, index);
}

TEST(RecordingFiles, GpsLossAndSouthWestHemisphere) {
  const CardReport card = Card("southwest", "single", 5, [](CardOptions& o) {
    o.gpsLossFirst = 1;
    o.gpsLossCount = 2;
    o.hemisphere = Hemisphere::kSouthWest;
  });
  RecordingIndex index;
  CheckIndex(card.recordings.at(0), 15, 5, index);
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(index.gps[i] == nullptr, i == 1 || i == 2) << i;
    EXPECT_TRUE(!index.gps[i] || (index.gps[i]->latitude < -34000000 && index.gps[i]->longitude < -58000000));
  }
}

TEST(RecordingFiles, LeadInGivesPartialFirstAndLastSecondsTimedFromTheLeadIn) {
  const CardReport card = Card("lead_in", "small", 3, [](CardOptions& o) { o.leadInMs = 400; });
  for (const RecordingReport& r : card.recordings) {
    ASSERT_EQ(r.seconds.size(), 4u);
    EXPECT_FALSE(r.seconds[0].hasGps);  // the GPS record of second 0 came before the cut
    RecordingIndex index;
    CheckIndex(r, 15, 3, index);
    // Units of the partial first second are placed toward its end.
    EXPECT_EQ(index.soundEntries[0].time, 400);
    for (int s = 0; s < 2; ++s) {
      EXPECT_EQ(index.videoEntries[s][0].key, kKeyUnit) << s;
      EXPECT_NEAR(index.videoEntries[s][0].time, 400, 1000 / 15 + 1) << s;
    }
  }
  // The drive goes on across the cut: the last partial second of one file
  // and the first of the next carry the same Unix time.
  EXPECT_EQ(card.recordings[2].seconds.back().unixTime, card.recordings[3].seconds.front().unixTime);
}

// An independent reader: ffprobe sees an AVI with its streams, ffmpeg decodes
// both cameras without a single error.
TEST(FfmpegTools, ProbeAndDecodeEveryRecordingWithoutErrors) {
  std::string out;
  if (testing::RunCommand("command -v ffprobe && command -v ffmpeg", &out) != 0)
    FAIL() << "ffmpeg and ffprobe are missing (script/bootstrap installs them)";
  const CardReport& card = testing::SmallCard();
  ASSERT_TRUE(card.ok) << card.error;
  for (const RecordingReport& r : card.recordings) {
    SCOPED_TRACE(r.path);
    ASSERT_EQ(
        testing::RunCommand("ffprobe -v error -show_entries stream=codec_name,codec_type:format=format_name "
                            "-of csv=p=0 '" +
                                r.path + "'",
                            &out),
        0)
        << out;
    // Two H.264 cameras and PCM sound, then the telemetry stream, in an AVI.
    EXPECT_TRUE(out.starts_with("h264,video\nh264,video\npcm_s16le,audio\n") && out.ends_with("\navi\n"))
        << out;
    for (const char* map : {"0:0", "0:1"}) {
      ASSERT_EQ(
          testing::RunCommand(
              std::string("ffmpeg -nostdin -v error -i '") + r.path + "' -map " + map + " -f null -", &out),
          0)
          << map << ": " << out;
      EXPECT_EQ(out, "") << map;
    }
  }
}

TEST(AccessUnits, NormalizeGivesFourByteStartCodesAndDropsSeiAndAud) {
  // AUD, SPS (4-byte code), PPS and SEI (3-byte codes), IDR with a trailing zero.
  const Bytes in = {0,    0,    0, 1, 0x09, 0x10, 0,    0,    0, 1, 0x67, 0x42, 0,    0,    1,
                    0x68, 0xce, 0, 0, 1,    0x06, 0x05, 0x80, 0, 0, 1,    0x65, 0x88, 0x84, 0x00};
  const Bytes want = {0, 0, 0, 1, 0x67, 0x42, 0, 0, 0, 1, 0x68, 0xce, 0, 0, 0, 1, 0x65, 0x88, 0x84};
  EXPECT_EQ(NormalizeAccessUnit(in), want);
  EXPECT_EQ(NalTypes(want), (std::vector<int>{7, 8, 5}));
  EXPECT_TRUE(NormalizeAccessUnit(Bytes{1, 2, 3}).empty());
}

}  // namespace
}  // namespace orvia::sim
