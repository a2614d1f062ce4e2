#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <vector>

#include "playback/recording_index.h"
#include "tests/support/avi_builder.h"
#include "tests/support/temp_dir.h"

namespace orvia {
namespace {

using test::AviBuilder;
using test::Unit;

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

constexpr uint32_t kT0 = 1336055101;  // 2012-05-03 14:25:01 UTC
const std::string kKeyBytes = Unit({7, 8, 5});
const std::string kSlice = Unit({1});

// A recorder-like file: each second a motion record, then `fps` units per
// stream (a key unit first), 25 sound blocks and a GPS record.
AviBuilder Recorder(int seconds, int fps = 15) {
  AviBuilder b;
  for (int s = 0; s < seconds; ++s) {
    b.Motion(512, 512, 768, kT0 + s);
    for (int f = 0; f < fps; ++f) {
      b.Video(0, f == 0 ? kKeyBytes : kSlice);
      b.Video(1, f == 0 ? kKeyBytes : kSlice);
      if (f < 25) b.Sound(640);
    }
    for (int k = fps; k < 25; ++k) b.Sound(640);
    b.Gps("3731.1234 12659.5678 45.6");
  }
  return b;
}

TEST(RecordingIndex, RecorderFileIsIndexedAndTimed) {
  AviBuilder b = Recorder(4);
  std::string file = b.Build();
  RecordingIndex ix;
  ASSERT_TRUE(IndexRecordingBytes(Bytes(file), ix));
  EXPECT_EQ(ix.secondCount, 4);
  for (int s = 0; s < 4; ++s) {
    EXPECT_EQ(ix.unixTime[s], static_cast<int32_t>(kT0 + s));
    EXPECT_EQ(ix.gPeak[s].z, 1000);
    ASSERT_TRUE(ix.gps[s]);
  }
  EXPECT_FALSE(ix.gps[4]);
  EXPECT_EQ(ix.videoCount[0], 60);
  EXPECT_EQ(ix.videoCount[1], 60);
  EXPECT_EQ(ix.soundCount, 100);
  // The stored header runs up to the IDR slice: SPS and PPS, 17 bytes each.
  EXPECT_EQ(ix.headerLen[0], 34);
  EXPECT_EQ(std::memcmp(ix.header[0], kKeyBytes.data(), 34), 0);

  // Entries point at the chunk data.
  const VideoIndexEntry& first = ix.videoEntries[0][0];
  EXPECT_EQ(first.key, kKeyUnit);
  EXPECT_EQ(first.size, kKeyBytes.size());
  EXPECT_EQ(std::memcmp(file.data() + first.offset, kKeyBytes.data(), kKeyBytes.size()), 0);
  EXPECT_EQ(ix.videoEntries[0][1].key, 0);
  EXPECT_EQ(ix.videoEntries[0][15].key, kKeyUnit);

  // 60 - 15 - 15 = 30 units over the 2 full seconds: 66.67 ms apart, from
  // 0, so that each second's first picture starts with its first sound.
  EXPECT_EQ(ix.videoEntries[0][0].time, 0);
  EXPECT_EQ(ix.videoEntries[0][1].time, 66);
  EXPECT_EQ(ix.videoEntries[0][15].time, 1000);
  EXPECT_EQ(ix.soundEntries[25].time, 1000);
  EXPECT_EQ(ix.videoEntries[0][45].time, 3000);
  EXPECT_EQ(ix.soundEntries[75].time, 3000);
  EXPECT_EQ(ix.videoEntries[0][59].time, 3933);
  EXPECT_EQ(ix.soundEntries[1].time, 40);
  EXPECT_EQ(ix.soundEntries[99].time, 3960);
  EXPECT_EQ(ix.soundEntries[0].size, 640);

  EXPECT_TRUE(ix.formats.hasSound);
  EXPECT_EQ(ix.formats.sound.sampleRate, 8000u);
  EXPECT_EQ(ix.formats.sound.bitsPerSample, 16);
  EXPECT_EQ(ix.formats.sound.channels, 1);
  EXPECT_EQ(ix.formats.video[0].width, 1280);
  EXPECT_EQ(ix.formats.video[1].height, 360);
  EXPECT_EQ(ix.formats.video[1].rate, 15u);
}

TEST(RecordingIndex, ShortFilesRunAtFifteenPerSecond) {
  for (int seconds : {1, 2}) {
    std::string file = Recorder(seconds, 20).Build();
    RecordingIndex ix;
    ASSERT_TRUE(IndexRecordingBytes(Bytes(file), ix));
    EXPECT_EQ(ix.secondCount, seconds);
    EXPECT_EQ(ix.videoEntries[0][0].time, 0);
    EXPECT_EQ(ix.videoEntries[0][1].time, 66);
    EXPECT_EQ(ix.videoEntries[0][14].time, 933);
    EXPECT_EQ(ix.videoEntries[0][15].time, seconds == 1 ? 999 : 1000);
    EXPECT_EQ(ix.soundEntries[3].time, 120);
  }
}

TEST(RecordingIndex, WithoutMotionEverythingFallsInOneSecond) {
  AviBuilder b;
  for (int f = 0; f < 30; ++f) b.Video(0, f % 15 ? kSlice : kKeyBytes);
  for (int k = 0; k < 50; ++k) b.Sound(640);
  RecordingIndex ix;
  ASSERT_TRUE(IndexRecordingBytes(Bytes(b.Build()), ix));
  EXPECT_EQ(ix.secondCount, 1);
  EXPECT_EQ(ix.videoEntries[0][29].time, 999);
  EXPECT_EQ(ix.soundEntries[49].time, 999);
  EXPECT_EQ(ix.videoCount[1], 0);
}

TEST(RecordingIndex, FirstSecondOffsets) {
  // A short first second starts late; a crowded one never gets a negative offset.
  AviBuilder b;
  b.Motion(512, 512, 512, kT0);
  for (int f = 0; f < 5; ++f) b.Video(0, f ? kSlice : kKeyBytes);
  for (int k = 0; k < 30; ++k) b.Video(1, k % 15 ? kSlice : kKeyBytes);
  for (int k = 0; k < 10; ++k) b.Sound(640);
  for (int s = 1; s < 4; ++s) {
    b.Motion(512, 512, 512, kT0 + s);
    for (int f = 0; f < 15; ++f) {
      b.Video(0, f ? kSlice : kKeyBytes);
      b.Video(1, f ? kSlice : kKeyBytes);
    }
    for (int k = 0; k < 25; ++k) b.Sound(640);
  }
  RecordingIndex ix;
  ASSERT_TRUE(IndexRecordingBytes(Bytes(b.Build()), ix));
  // Front: 50 units, less 15 of the last and 5 of the first second: 30
  // units over 2 seconds; the first unit waits (15 - 5) intervals.
  double front = 1000.0 / (30.0 / 2);
  EXPECT_EQ(ix.videoEntries[0][0].time, static_cast<int>(10 * front));
  // Rear: 75 - 15 - 30 = 30 as well, but 30 in the first second: offset 0.
  EXPECT_EQ(ix.videoEntries[1][0].time, 0);
  EXPECT_EQ(ix.videoEntries[1][1].time, static_cast<int>(front));
  // Sound: 10 blocks in the first second start (25 - 10) x 40 ms late.
  EXPECT_EQ(ix.soundEntries[0].time, 600);
}

TEST(RecordingIndex, NoUnitsBetweenFirstAndLastSecondDoesNotDivideByZero) {
  AviBuilder b;
  b.Motion(512, 512, 512, kT0);
  b.Video(0, kKeyBytes);
  b.Video(0, kSlice);
  b.Motion(512, 512, 512, kT0 + 1);
  b.Motion(512, 512, 512, kT0 + 2);
  b.Video(0, kSlice);
  RecordingIndex ix;
  ASSERT_TRUE(IndexRecordingBytes(Bytes(b.Build()), ix));
  EXPECT_EQ(ix.secondCount, 3);
  ASSERT_EQ(ix.videoCount[0], 3);
  EXPECT_EQ(ix.videoEntries[0][1].time, 66);
  EXPECT_EQ(ix.videoEntries[0][2].time, 133);
}

TEST(RecordingIndex, UnitsBeforeTheFirstKeyAdvanceTheSequenceOnly) {
  AviBuilder b;
  b.Video(0, kSlice);                // seq 0: no parameter sets yet
  b.Video(0, Unit({7, 8, 1}));       // seq 1: header stored, but no IDR: no entry
  b.Video(0, kSlice);                // seq 2: no key seen yet
  b.Video(0, Unit({5}));             // seq 3: an IDR without parameter sets: first entry
  b.Video(0, kSlice);                // seq 4
  b.Video(1, Unit({7, 8, 5}, 300));  // rear: the IDR lies beyond the stored header
  b.Video(1, Unit({7, 8, 5}));
  b.Video(1, Unit({2}));  // rear, seq 2: NAL type 2 counts as "other"
  RecordingIndex ix;
  ASSERT_TRUE(IndexRecordingBytes(Bytes(b.Build()), ix));
  EXPECT_EQ(ix.headerLen[0], 34);
  ASSERT_EQ(ix.videoCount[0], 2);
  EXPECT_EQ(ix.videoEntries[0][0].key, kKeyUnit);
  EXPECT_EQ(ix.videoEntries[0][0].time, 200);  // sequence 3 at 15 per second
  EXPECT_EQ(ix.videoEntries[0][1].key, 0);
  // No slice within the first 240 bytes: header length 240, no entry, and
  // the next unit with parameter sets is a key unit all the same.
  EXPECT_EQ(ix.headerLen[1], 240);
  ASSERT_EQ(ix.videoCount[1], 0);
}

// A fix as (latitude, longitude, speed), or all -1 for none.
std::tuple<int, int, int> Fix(const RecordingIndex& ix, int second) {
  const GpsFix* f = ix.gps[second].get();
  return f ? std::tuple<int, int, int>{f->latitude, f->longitude, f->speed} : std::tuple{-1, -1, -1};
}

TEST(RecordingIndex, MotionAndGpsRecords) {
  AviBuilder b;
  b.Motion(512, 512, 512, kT0);
  b.Motion(768, 256, 513, kT0);  // 1000, -1000, 3: the strongest
  b.Motion(700, 300, 512, kT0);
  b.Gps(std::string(5000, '1'));  // oversized: skipped
  b.Gps("3731.1234 12659.5678 45.6");
  b.Gps("0000.0000 00000.0000 0");   // a second fix in the same second is ignored
  b.Motion(511, 512, 512, kT0 + 1);  // -3: truncated toward zero
  b.Gps(std::string("-3351.5000\t-15112.7500\0+12.34", 28));
  b.Motion(512, 512, 512, kT0 + 2);
  b.Gps("3731.1234,12659.5678,45.6");  // a comma ends the numbers that follow
  b.Motion(512, 512, 512, kT0 + 3);
  RecordingIndex ix;
  ASSERT_TRUE(IndexRecordingBytes(Bytes(b.Build()), ix));
  ASSERT_EQ(ix.secondCount, 4);
  EXPECT_EQ(std::tuple(ix.gPeak[0].x, ix.gPeak[0].y, ix.gPeak[0].z), std::tuple(1000, -1000, 3));
  EXPECT_EQ(ix.gPeak[1].x, -3);
  EXPECT_EQ(Fix(ix, 0), std::tuple(37518723, 126992796, 456));
  EXPECT_EQ(Fix(ix, 1), std::tuple(-33858333, -151212500, 123));
  EXPECT_EQ(Fix(ix, 2), std::tuple(37518723, 0, 0));
  EXPECT_EQ(Fix(ix, 3), std::tuple(-1, -1, -1));
}

TEST(RecordingIndex, GpsNumberRules) {
  auto fix = [](const std::string& text) {
    std::string rec = "G" + text;
    return ParseGpsRecord(Bytes(rec));
  };
  EXPECT_EQ(fix("  +3700.0000  12700.0000  10").latitude, 37000000);
  EXPECT_EQ(fix("37-00.0000 0 0").latitude, -37000000);  // '-' anywhere negates
  EXPECT_EQ(fix("").latitude, 0);
  EXPECT_EQ(fix("99999999999999999999999 1 1").latitude, INT32_MAX);  // clamped, not undefined
  EXPECT_EQ(fix("1 2 99999").speed, INT16_MAX);
}

TEST(RecordingIndex, CapacitiesDropEntriesButKeepCounting) {
  AviBuilder b;
  b.Motion(512, 512, 512, kT0);
  for (int f = 0; f < 2200; ++f) b.Video(0, f ? kSlice : kKeyBytes);
  for (int k = 0; k < 1700; ++k) b.Sound(2);
  b.Motion(512, 512, 512, kT0 + 1);
  RecordingIndex ix;
  ASSERT_TRUE(IndexRecordingBytes(Bytes(b.Build()), ix));
  EXPECT_EQ(ix.videoCount[0], kVideoCapacity);
  EXPECT_EQ(ix.soundCount, kSoundCapacity);
  EXPECT_EQ(ix.secondCount, 2);
}

TEST(RecordingIndex, SixtyFifthSecondEndsTheScan) {
  AviBuilder b;
  for (int s = 0; s < 70; ++s) {
    b.Motion(512, 512, 512, kT0 + s);
    b.Video(0, kKeyBytes);
  }
  RecordingIndex ix;
  ASSERT_TRUE(IndexRecordingBytes(Bytes(b.Build()), ix));
  EXPECT_EQ(ix.secondCount, kMaxSeconds);
  EXPECT_EQ(ix.unixTime[63], static_cast<int32_t>(kT0 + 63));
  EXPECT_EQ(ix.videoCount[0], 64);
}

TEST(RecordingIndex, OddSizesAndUnknownKinds) {
  AviBuilder b;
  b.Video(0, kKeyBytes + "x");         // odd size: padded on disk, stored as is
  b.Sound(33);                         // odd sound block: stored rounded up
  b.Video(2, kKeyBytes);               // stream 2 is not ours: skipped
  b.Video(0, std::string("\0\0", 2));  // too short for a NAL header
  b.Raw("01xx", "zz");                 // unknown kind: the scan ends here
  b.Video(1, kKeyBytes);
  RecordingIndex ix;
  ASSERT_TRUE(IndexRecordingBytes(Bytes(b.Build()), ix));
  ASSERT_EQ(ix.videoCount[0], 2);
  EXPECT_EQ(ix.videoEntries[0][0].size, kKeyBytes.size() + 1);
  EXPECT_EQ(ix.videoEntries[0][1].key, 0);
  EXPECT_EQ(ix.videoEntries[0][1].size, 2u);
  ASSERT_EQ(ix.soundCount, 1);
  EXPECT_EQ(ix.soundEntries[0].size, 34);
  EXPECT_EQ(ix.videoCount[1], 0);
}

TEST(RecordingIndex, BadInputGivesAClearResult) {
  RecordingIndex ix;
  EXPECT_FALSE(IndexRecordingBytes({}, ix));
  EXPECT_FALSE(IndexRecordingBytes(Bytes("RIFF\x10\0\0\0WAVEfmt "), ix));
  EXPECT_FALSE(IndexRecordingBytes(Bytes("RIFX\x10\0\0\0AVI "), ix));
  EXPECT_EQ(ix.secondCount, 0);

  // Header only: an AVI with nothing in it.
  ASSERT_TRUE(IndexRecordingBytes(Bytes(std::string("RIFF\4\0\0\0AVI ", 12)), ix));
  EXPECT_EQ(ix.secondCount, 1);
  EXPECT_EQ(ix.videoCount[0], 0);

  // Every truncation of a real file indexes as far as it goes.
  std::string file = Recorder(3).Build();
  RecordingIndex whole;
  ASSERT_TRUE(IndexRecordingBytes(Bytes(file), whole));
  int lastCount = 0;
  for (size_t n = 0; n <= file.size(); n += 7) {
    bool ok = IndexRecordingBytes(Bytes(file.substr(0, n)), ix);
    EXPECT_EQ(ok, n >= 12);
    EXPECT_GE(ix.videoCount[0], lastCount);
    EXPECT_LE(ix.videoCount[0], whole.videoCount[0]);
    lastCount = ix.videoCount[0];
  }

  // A chunk whose size runs past the end ends the scan; earlier entries stay.
  AviBuilder b;
  b.Motion(512, 512, 512, kT0);
  b.Video(0, kKeyBytes);
  b.Raw("00dc", kSlice);
  std::string cut = b.Build(true, false);
  size_t at = cut.rfind("00dc");
  cut.replace(at + 4, 4, test::Le32(0xFFFFFFF0u));
  ASSERT_TRUE(IndexRecordingBytes(Bytes(cut), ix));
  EXPECT_EQ(ix.videoCount[0], 1);

  // A movi list that claims more than the file holds is still read.
  std::string huge = Recorder(1).Build(false, false);
  huge.replace(huge.find("movi") - 4, 4, test::Le32(0x7FFFFFFF));
  ASSERT_TRUE(IndexRecordingBytes(Bytes(huge), ix));
  EXPECT_EQ(ix.videoCount[0], 15);
}

TEST(RecordingIndex, OpenRecordingFromDisk) {
  test::TempDir dir;
  RecordingIndex ix;
  RecordingFile missing = OpenRecording(dir / "none.avi", ix);
  EXPECT_FALSE(missing.IsOpen());

  test::WriteFile(dir / "text.avi", "hello, this is not a recording");
  EXPECT_FALSE(OpenRecording(dir / "text.avi", ix).IsOpen());
  EXPECT_FALSE(OpenRecording(dir.path(), ix).IsOpen());  // a folder

  std::string file = Recorder(3).Build();
  test::WriteFile(dir / "mdr_20120503_142501.avi", file);
  RecordingFile f = OpenRecording(dir / "mdr_20120503_142501.avi", ix);
  ASSERT_TRUE(f.IsOpen());
  EXPECT_EQ(f.Size(), file.size());
  EXPECT_EQ(ix.secondCount, 3);
  std::vector<uint8_t> unit(ix.videoEntries[1][0].size);
  ASSERT_TRUE(f.ReadAt(ix.videoEntries[1][0].offset, unit));
  EXPECT_EQ(std::string(unit.begin(), unit.end()), kKeyBytes);
  EXPECT_FALSE(f.ReadAt(file.size() - 2, unit));

  // Opening another closes the current one; a failed open leaves a cleared index.
  RecordingFile g = OpenRecording(dir / "text.avi", ix, &f);
  EXPECT_FALSE(f.IsOpen());
  EXPECT_FALSE(g.IsOpen());
  EXPECT_EQ(ix.secondCount, 0);
  EXPECT_EQ(ix.videoCount[0], 0);
}

TEST(RecordingIndex, OpenRecordingFromMemoryMatchesTheFile) {
  test::TempDir dir;
  const std::string file = Recorder(3).Build();
  test::WriteFile(dir / "rec.avi", file);
  RecordingIndex fromDisk, fromMemory;
  RecordingFile disk = OpenRecording(dir / "rec.avi", fromDisk);
  RecordingFile memory = OpenRecordingBytes(Bytes(file), fromMemory);
  ASSERT_TRUE(disk.IsOpen());
  ASSERT_TRUE(memory.IsOpen());
  EXPECT_EQ(memory.Size(), file.size());
  EXPECT_EQ(fromMemory.secondCount, fromDisk.secondCount);
  ASSERT_EQ(fromMemory.videoCount[1], fromDisk.videoCount[1]);
  EXPECT_EQ(std::memcmp(fromMemory.videoEntries[1].get(), fromDisk.videoEntries[1].get(),
                        sizeof(VideoIndexEntry) * fromDisk.videoCount[1]),
            0);

  // Reads inside the bytes give the file's bytes; any read past the end fails.
  std::vector<uint8_t> a(fromDisk.videoEntries[1][0].size), b(a.size());
  ASSERT_TRUE(disk.ReadAt(fromDisk.videoEntries[1][0].offset, a));
  ASSERT_TRUE(memory.ReadAt(fromMemory.videoEntries[1][0].offset, b));
  EXPECT_EQ(a, b);
  std::vector<uint8_t> four(4);
  EXPECT_TRUE(memory.ReadAt(file.size() - 4, four));
  EXPECT_FALSE(memory.ReadAt(file.size() - 2, four));
  EXPECT_FALSE(memory.ReadAt(file.size() + 1, {}));
  EXPECT_FALSE(memory.ReadAt(UINT64_MAX, four));
  EXPECT_TRUE(memory.ReadAt(file.size(), {}));

  // A move hands the bytes over; a closed one reads nothing.
  RecordingFile moved = std::move(memory);
  EXPECT_FALSE(memory.IsOpen());
  EXPECT_TRUE(moved.ReadAt(0, four));
  EXPECT_FALSE(memory.ReadAt(0, four));

  // Opening bytes that are no recording closes the current one and clears the index.
  const std::string text = "hello, this is not a recording";
  RecordingFile none = OpenRecordingBytes(Bytes(text), fromMemory, &moved);
  EXPECT_FALSE(moved.IsOpen());
  EXPECT_FALSE(none.IsOpen());
  EXPECT_EQ(fromMemory.secondCount, 0);
  EXPECT_FALSE(none.ReadAt(0, four));
}

}  // namespace
}  // namespace orvia
