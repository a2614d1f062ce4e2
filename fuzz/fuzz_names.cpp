// Recording names and play-list rows from names that need not be UTF-8:
// the texts derived from a name are valid UTF-8, rows come out numbered and
// in the order of their entries' sort keys, and nothing faults on a short or
// broken name.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "base/utf.h"
#include "library/play_list.h"
#include "library/recording_names.h"

namespace {

bool ValidUtf8(const std::string& s) { return orvia::Utf16ToUtf8(orvia::Utf8ToUtf16(s)) == s; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<orvia::PlayListEntry> entries;
  // A row's date and time columns are cut from its key at fixed places, so
  // for a short name they need not rebuild the key; the order is checked on
  // the keys themselves, found again by the row's path (a name is its path).
  std::map<std::string, std::u16string> keyOfPath;
  size_t pos = 0;
  while (pos <= text.size() && entries.size() < 64) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view name = text.substr(pos, end - pos);
    pos = end + 1;
    (void)orvia::IsRecordingName(name);
    const std::string date = orvia::RecordingDateText(name);
    const std::string time = orvia::RecordingTimeText(name);
    if (!ValidUtf8(date) || !ValidUtf8(time)) std::abort();
    const std::string key = orvia::RecordingSortKey(date, time);
    keyOfPath[std::string(name)] = orvia::Utf8ToUtf16(key);
    entries.push_back({"Driving", key, std::string(name)});
  }
  const size_t count = entries.size();
  const std::vector<orvia::PlayListRow> rows = orvia::BuildPlayListRows(std::move(entries));
  if (rows.size() != count) std::abort();
  for (size_t i = 0; i < rows.size(); ++i) {
    if (std::stoul(rows[i].number) != i + 1) std::abort();
    if (!ValidUtf8(rows[i].date) || !ValidUtf8(rows[i].time)) std::abort();
    if (i > 0 && keyOfPath.at(rows[i].path) < keyOfPath.at(rows[i - 1].path)) std::abort();
  }
  return 0;
}
