// The play list: every recording of a card, filtered by mode, sorted by date
// and time, numbered.
#pragma once

#include <string>
#include <vector>

namespace orvia {

struct PlayListEntry {
  std::string type;     // type text of the recording's mode folder
  std::string sortKey;  // "YYYY-MM-DD HH:MM:SS"
  std::string path;     // full path of the file
};

// One row of a recording list: number, date, time, type, full path.
struct PlayListRow {
  std::string number;  // "%03d", counted from 1
  std::string date;
  std::string time;
  std::string type;
  std::string path;
};

// Entries of the card's mode folders in folder order (Normal, Event,
// Parking, ParkingEvent), keeping those of `modeIndex` (0 = all, 1..4 = one
// folder). Type texts come from the string file.
std::vector<PlayListEntry> CollectPlayListEntries(const std::string& cardRoot, int modeIndex);

// Sorts by sort key (16-bit code units, ascending) and numbers the rows.
std::vector<PlayListRow> BuildPlayListRows(std::vector<PlayListEntry> entries);

// The rows the play list shows for a card and a mode filter. Empty when the
// card root is empty.
std::vector<PlayListRow> ScanPlayList(const std::string& cardRoot, int modeIndex);

}  // namespace orvia
