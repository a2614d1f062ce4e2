#include "library/play_list.h"

#include <algorithm>
#include <cstdio>

#include "base/localized_text.h"
#include "base/utf.h"
#include "library/recording_names.h"

namespace orvia {

std::vector<PlayListEntry> CollectPlayListEntries(const std::string& cardRoot, int modeIndex) {
  std::vector<PlayListEntry> entries;
  for (int m = 0; m < kModeCount; ++m) {
    const ModeFolder& folder = kModeFolders[m];
    if (modeIndex != 0 && modeIndex != folder.filterIndex) continue;
    std::vector<FoundRecording> found = FindModeRecordings(cardRoot, static_cast<RecordingMode>(m));
    if (found.empty()) continue;
    std::string type = GetLocalizedText(folder.typeKey);
    for (FoundRecording& f : found)
      entries.push_back({type, RecordingSortKey(f.date, f.time), std::move(f.path)});
  }
  return entries;
}

std::vector<PlayListRow> BuildPlayListRows(std::vector<PlayListEntry> entries) {
  // Keys compare by their 16-bit code units, as the recorder's platform did.
  std::vector<std::pair<std::u16string, size_t>> order;
  order.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) order.emplace_back(Utf8ToUtf16(entries[i].sortKey), i);
  std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

  std::vector<PlayListRow> rows;
  rows.reserve(entries.size());
  for (const auto& [key, i] : order) {
    PlayListEntry& e = entries[i];
    char number[16];
    std::snprintf(number, sizeof number, "%03d", static_cast<int>(rows.size()) + 1);
    std::u16string date = key.substr(0, 10);
    std::u16string time = key.size() > 11 ? key.substr(11, 8) : std::u16string();
    rows.push_back({number, Utf16ToUtf8(date), Utf16ToUtf8(time), std::move(e.type), std::move(e.path)});
  }
  return rows;
}

std::vector<PlayListRow> ScanPlayList(const std::string& cardRoot, int modeIndex) {
  if (cardRoot.empty()) return {};
  return BuildPlayListRows(CollectPlayListEntries(cardRoot, modeIndex));
}

}  // namespace orvia
