// Walks the RIFF tree of simulated recordings: sizes, padding, stream
// headers, the interleaving of the movi list, the idx1 index and the shape of
// the H.264 units.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/sim/sim_test_support.h"
#include "tools/sim/h264_encoder.h"

namespace orvia::sim {
namespace {

using testing::ReadFileBytes;
using testing::SmallCard;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
std::string Tag(const std::vector<uint8_t>& b, size_t at) {
  return std::string(b.begin() + at, b.begin() + at + 4);
}

struct Chunk {
  std::string id;
  size_t data;  // offset of the data
  uint32_t size;
};

// Chunks of [begin, end); fails the test when one does not fit.
std::vector<Chunk> Children(const std::vector<uint8_t>& b, size_t begin, size_t end) {
  std::vector<Chunk> out;
  size_t pos = begin;
  while (pos < end) {
    EXPECT_LE(pos + 8, end) << "chunk head past its parent at " << pos;
    if (pos + 8 > end) break;
    const uint32_t size = Le32(b, pos + 4);
    EXPECT_LE(pos + 8 + size + (size & 1), end) << Tag(b, pos) << " at " << pos << " overruns its parent";
    if (pos + 8 + size > end) break;
    if (size & 1) {
      EXPECT_EQ(b[pos + 8 + size], 0) << "pad byte of " << Tag(b, pos);
    }
    out.push_back({Tag(b, pos), pos + 8, size});
    pos += 8 + size + (size & 1);
  }
  EXPECT_EQ(pos, end);
  return out;
}

const Chunk* Find(const std::vector<Chunk>& chunks, const std::string& id, const std::vector<uint8_t>& b,
                  const std::string& listType = "") {
  for (const Chunk& c : chunks) {
    if (c.id == id && (listType.empty() || Tag(b, c.data) == listType)) return &c;
  }
  return nullptr;
}

void CheckRecording(const RecordingReport& report, int fps) {
  SCOPED_TRACE(report.path);
  const std::vector<uint8_t> b = ReadFileBytes(report.path);
  ASSERT_EQ(b.size(), report.bytes);
  ASSERT_GE(b.size(), 12u);
  ASSERT_EQ(Tag(b, 0), "RIFF");
  ASSERT_EQ(Le32(b, 4), b.size() - 8);
  ASSERT_EQ(Tag(b, 8), "AVI ");

  const std::vector<Chunk> top = Children(b, 12, b.size());
  ASSERT_EQ(top.size(), 4u);
  EXPECT_EQ(top[0].id, "LIST");
  EXPECT_EQ(Tag(b, top[0].data), "hdrl");
  EXPECT_EQ(top[1].id, "JUNK");
  EXPECT_EQ(top[2].id, "LIST");
  EXPECT_EQ(Tag(b, top[2].data), "movi");
  EXPECT_EQ(top[3].id, "idx1");

  // hdrl: avih then four stream lists.
  const std::vector<Chunk> hdrl = Children(b, top[0].data + 4, top[0].data + top[0].size);
  ASSERT_EQ(hdrl.size(), 5u);
  ASSERT_EQ(hdrl[0].id, "avih");
  ASSERT_EQ(hdrl[0].size, 56u);
  EXPECT_EQ(Le32(b, hdrl[0].data + 16), static_cast<uint32_t>(report.videoUnits[0]));  // total frames
  EXPECT_EQ(Le32(b, hdrl[0].data + 24), 4u);                                           // streams
  const char* types[4] = {"vids", "vids", "auds", "txts"};
  const uint32_t widths[2] = {1280, 640}, heights[2] = {720, 360};
  for (int s = 0; s < 4; ++s) {
    SCOPED_TRACE(s);
    ASSERT_EQ(hdrl[s + 1].id, "LIST");
    ASSERT_EQ(Tag(b, hdrl[s + 1].data), "strl");
    const std::vector<Chunk> strl = Children(b, hdrl[s + 1].data + 4, hdrl[s + 1].data + hdrl[s + 1].size);
    const Chunk* strh = Find(strl, "strh", b);
    ASSERT_NE(strh, nullptr);
    ASSERT_EQ(strh->size, 56u);
    EXPECT_EQ(Tag(b, strh->data), types[s]);
    const Chunk* strf = Find(strl, "strf", b);
    if (s < 2) {
      EXPECT_EQ(Tag(b, strh->data + 4), "H264");
      EXPECT_EQ(Le32(b, strh->data + 20), 1u);                                           // scale
      EXPECT_EQ(Le32(b, strh->data + 24), static_cast<uint32_t>(fps));                   // rate
      EXPECT_EQ(Le32(b, strh->data + 32), static_cast<uint32_t>(report.videoUnits[s]));  // length
      ASSERT_NE(strf, nullptr);
      ASSERT_EQ(strf->size, 40u);
      EXPECT_EQ(Le32(b, strf->data), 40u);
      EXPECT_EQ(Le32(b, strf->data + 4), widths[s]);
      EXPECT_EQ(Le32(b, strf->data + 8), heights[s]);
      EXPECT_EQ(Tag(b, strf->data + 16), "H264");
    } else if (s == 2) {
      ASSERT_NE(strf, nullptr);
      ASSERT_GE(strf->size, 16u);
      EXPECT_EQ(Le16(b, strf->data), 1);           // PCM
      EXPECT_EQ(Le16(b, strf->data + 2), 1);       // mono
      EXPECT_EQ(Le32(b, strf->data + 4), 8000u);   // samples per second
      EXPECT_EQ(Le32(b, strf->data + 8), 16000u);  // bytes per second
      EXPECT_EQ(Le16(b, strf->data + 12), 2);      // block align
      EXPECT_EQ(Le16(b, strf->data + 14), 16);     // bits
      EXPECT_EQ(Le32(b, strh->data + 24) / Le32(b, strh->data + 20), 8000u);
    }
  }

  // movi: per second, a motion record first, then 10 M, 1 G (unless lost),
  // fps units per camera and 25 sound blocks; every unit well formed.
  const size_t moviList = top[2].data;  // the "movi" list type, base of idx1 offsets
  const std::vector<Chunk> movi = Children(b, moviList + 4, top[2].data + top[2].size);
  ASSERT_FALSE(movi.empty());
  EXPECT_EQ(movi.front().id, "03tx");
  EXPECT_EQ(b[movi.front().data], 'M');
  std::map<std::string, int> counts;
  int videoSeen[2] = {0, 0};
  int motion = 0, gps = 0;
  for (const Chunk& c : movi) {
    ++counts[c.id];
    if (c.id == "00dc" || c.id == "01dc") {
      const int s = c.id[1] - '0';
      const std::span<const uint8_t> unit(b.data() + c.data, c.size);
      ASSERT_GE(unit.size(), 5u);
      EXPECT_EQ(unit[0], 0);
      EXPECT_EQ(unit[1], 0);
      EXPECT_EQ(unit[2], 0);
      EXPECT_EQ(unit[3], 1);
      const std::vector<int> nals = NalTypes(unit);
      for (int t : nals) EXPECT_TRUE(t != 6 && t != 9) << "SEI or AUD in unit " << videoSeen[s];
      const bool shouldBeKey = videoSeen[s] % fps == 0;
      if (shouldBeKey) {
        ASSERT_GE(nals.size(), 3u);
        EXPECT_EQ(nals[0], 7);
        EXPECT_EQ(nals[1], 8);
        EXPECT_EQ(nals[2], 5);
        // The IDR's 4-byte start code lies within the first 240 bytes.
        bool idrEarly = false;
        for (size_t i = 8; i + 4 < std::min<size_t>(unit.size(), 240); ++i) {
          if (unit[i] == 0 && unit[i + 1] == 0 && unit[i + 2] == 0 && unit[i + 3] == 1 &&
              (unit[i + 4] & 0x1f) == 5) {
            idrEarly = true;
            break;
          }
        }
        EXPECT_TRUE(idrEarly) << "unit " << videoSeen[s];
      } else {
        ASSERT_FALSE(nals.empty());
        EXPECT_EQ(nals[0], 1) << "unit " << videoSeen[s];
      }
      ++videoSeen[s];
    } else if (c.id == "03tx") {
      ASSERT_GE(c.size, 1u);
      if (b[c.data] == 'M') {
        EXPECT_EQ(c.size, 11u);
        ++motion;
      } else {
        EXPECT_EQ(b[c.data], 'G');
        ++gps;
      }
    } else if (c.id == "02wb") {
      EXPECT_EQ(c.size, 640u);
    } else {
      ADD_FAILURE() << "unexpected chunk " << c.id;
    }
  }
  const int seconds = static_cast<int>(report.seconds.size());
  EXPECT_EQ(counts["00dc"], fps * seconds);
  EXPECT_EQ(counts["01dc"], fps * seconds);
  EXPECT_EQ(counts["02wb"], 25 * seconds);
  EXPECT_EQ(motion, 10 * seconds);
  EXPECT_EQ(gps, report.gpsRecords);

  // idx1: one entry per movi chunk, same order, offsets from the list type.
  const Chunk& idx1 = top[3];
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

TEST(AviStructure, EveryRecordingOfTheSmallCardIsWellFormed) {
  const CardReport& card = SmallCard();
  ASSERT_TRUE(card.ok) << card.error;
  ASSERT_EQ(card.recordings.size(), 5u);
  for (const RecordingReport& r : card.recordings) CheckRecording(r, testing::SmallCardOptions().fps);
}

TEST(AviStructure, OtherFrameRatesKeepOneKeyUnitPerSecond) {
  CardOptions o;
  o.root = testing::MakeTempFolder("fps10");
  o.layout = "single";
  o.seconds = 2;
  o.fps = 10;
  const CardReport card = MakeCard(o);
  ASSERT_TRUE(card.ok) << card.error;
  ASSERT_EQ(card.recordings.size(), 1u);
  CheckRecording(card.recordings[0], 10);
}

TEST(AccessUnits, NormalizeGivesFourByteStartCodesAndDropsSeiAndAud) {
  // AUD, SPS (4-byte code), PPS and SEI (3-byte codes), IDR with a trailing zero.
  const std::vector<uint8_t> in = {0,    0, 0, 1, 0x09, 0x10, 0,    0, 0, 1, 0x67, 0x42, 0,    0,   1, 0x68,
                                   0xce, 0, 0, 1, 0x06, 0x05, 0x80, 0, 0, 1, 0x65, 0x88, 0x84, 0x00};
  const std::vector<uint8_t> want = {0,    0,    0, 1, 0x67, 0x42, 0,    0,    0,   1,
                                     0x68, 0xce, 0, 0, 0,    1,    0x65, 0x88, 0x84};
  EXPECT_EQ(NormalizeAccessUnit(in), want);
  EXPECT_EQ(NalTypes(want), (std::vector<int>{7, 8, 5}));
  EXPECT_TRUE(NormalizeAccessUnit(std::vector<uint8_t>{1, 2, 3}).empty());
}

}  // namespace
}  // namespace orvia::sim
