#include "library_test_support.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace orvia::test {

TempFolder::TempFolder() {
  std::string templ = (std::filesystem::temp_directory_path() / "orvia-library-XXXXXX").string();
  path_ = mkdtemp(templ.data()) ? templ : std::string();
}

TempFolder::~TempFolder() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void MakeFolder(const std::string& path) { std::filesystem::create_directories(path); }

void AddRecording(const std::string& card, const std::string& modeFolder, const std::string& name,
                  const std::string& sub) {
  WriteFile(card + "/" + modeFolder + "/" + sub + "/" + name, "RIFF");
}

std::string MountInfoLine(int id, const std::string& mountPoint, const std::string& source,
                          const std::string& fsType) {
  std::string escaped;  // space, tab, newline and backslash as three octal digits
  for (char c : mountPoint) {
    char octal[5];
    std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned char>(c));
    escaped += std::string_view(" \t\n\\").find(c) == std::string_view::npos ? std::string(1, c) : octal;
  }
  return std::to_string(id) + " 1 179:" + std::to_string(id) + " / " + escaped +
         " rw,nosuid,nodev,relatime shared:" + std::to_string(id) + " - " + fsType + " " + source +
         " rw,fmask=0022\n";
}

std::string SystemMountLines() {
  return "1 0 254:1 / / rw,relatime shared:1 - ext4 /dev/vda1 rw\n"
         "2 1 0:5 / /proc rw,nosuid shared:2 - proc proc rw\n"
         "3 1 0:6 / /sys rw,nosuid shared:3 - sysfs sysfs rw\n"
         "4 1 0:7 / /dev rw,nosuid shared:4 - devtmpfs udev rw,size=4k\n"
         "5 1 0:8 / /run rw,nosuid - tmpfs tmpfs rw\n"
         "6 1 254:2 / /boot rw,relatime shared:6 - ext4 /dev/vda2 rw\n";
}

}  // namespace orvia::test
