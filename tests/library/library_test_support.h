// Fake cards for the library tests: folders with the recorder's layout and a
// mountinfo file that claims they are mounted volumes.
#pragma once

#include <string>
#include <vector>

#include "library/card_drives.h"

namespace orvia::test {

// A folder under the system's temporary folder, removed with its content.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Writes a file, creating its folders. Empty bytes make a zero-length file.
void WriteFile(const std::string& path, const std::string& bytes);
void MakeFolder(const std::string& path);

// A card's recording: "<card>/<modeFolder>/<sub>/<name>" with a few bytes.
void AddRecording(const std::string& card, const std::string& modeFolder, const std::string& name,
                  const std::string& sub = "100");

// A mountinfo line for a mount point (escaped as the kernel does).
std::string MountInfoLine(int id, const std::string& mountPoint, const std::string& source,
                          const std::string& fsType = "vfat");

// The system's own mounts the kernel lists first.
std::string SystemMountLines();

}  // namespace orvia::test
