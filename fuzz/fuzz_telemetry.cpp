// The motion and GPS record parsers on any record: they never read outside
// it, and the values they give stay inside what the record can express.
#include <cstdint>
#include <cstdlib>

#include "playback/recording_index.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> record(data, size);
  orvia::MotionSample m{};
  if (orvia::ParseMotionRecord(record, m) && size < 11) std::abort();
  const orvia::GpsFix fix = orvia::ParseGpsRecord(record);
  (void)fix;
  return 0;
}
