#include "disk/format_targets.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace orvia::format {
namespace {

constexpr const char* kLabelRule =
    "The volume label can hold up to 11 bytes: letters A-Z, digits, spaces, ! # $ % & ' ( ) - @ ^ _ ` { } ~ "
    "and Korean or other code page 949 characters (two bytes each) only.";

}  // namespace

std::vector<CardCandidate> CandidatesFromSnapshot(const udisks::Snapshot& snapshot) {
  std::vector<CardCandidate> cards;
  for (const udisks::Block& block : snapshot.blocks) {
    if (!udisks::IsFormattable(block, snapshot)) continue;
    CardCandidate card;
    card.mountPoint = block.mountPoints.empty() ? std::string() : block.mountPoints.front();
    card.devicePath = block.device;
    card.totalBytes = block.sizeBytes;
    card.fileSystem = udisks::FileSystemName(block);
    card.label = block.idLabel;
    card.objectPath = block.path;
    card.partitionOffset = block.partitionOffset;
    // The allocation unit is read from the volume where this user may read
    // it (root); the service does not tell it.
    const VolumeInfo info = ReadVolumeInfo(block.device);
    if (info.valid && info.fileSystem == card.fileSystem) card.clusterBytes = info.clusterBytes;
    cards.push_back(std::move(card));
  }
  return cards;
}

FormatError ServiceErrorKind(const std::string& name) {
  auto has = [&name](const char* part) { return name.find(part) != std::string::npos; };
  if (has("NotAuthorized")) return FormatError::kNotAuthorized;
  if (has("DeviceBusy")) return FormatError::kBusy;
  if (has("UnknownObject") || has("UnknownMethod") || has("NotFound")) return FormatError::kRemoved;
  if (has("ServiceUnknown") || has("NoReply") || has("NoServer") || has("Disconnected"))
    return FormatError::kNoService;
  return FormatError::kServiceFailed;
}

std::string ReasonLine(const FormatResult& result) {
  std::string line;
  switch (result.error) {
    case FormatError::kNone:
      return {};
    case FormatError::kNotAuthorized:
      line = result.refusedRight.empty()
                 ? std::string("Not authorised to format this card.")
                 : "The system did not give you the right to " + RightPurpose(result.refusedRight) + " (" +
                       result.refusedRight + "): ask an administrator to grant it, or format as root.";
      break;
    case FormatError::kBusy:
    case FormatError::kUnmountFailed:
      line = "The card is in use: close the programs that use it and try again.";
      break;
    case FormatError::kRemoved:
      line = "The card was removed.";
      break;
    case FormatError::kNoService:
      line = "The disk service does not answer: formatting needs it (the udisks2 package) or root.";
      break;
    case FormatError::kTooSmall:
      line = "The card is too small for FAT32 with 32 KB allocation units (at least 2.1 GB).";
      break;
    case FormatError::kTooLarge:
      line = "The card is too large for FAT32 (2 TiB or more).";
      break;
    case FormatError::kBadLabel:
      line = kLabelRule;
      break;
    case FormatError::kNotRemovable:
    case FormatError::kSystemDevice:
    case FormatError::kImageInUse:
    case FormatError::kNotDeviceOrFile:
    case FormatError::kNoCard:
      line = std::string("This is no card that may be formatted (") + FormatErrorName(result.error) + ").";
      break;
    case FormatError::kPrepareFailed:
      line = "The folders or the settings file could not be written to the card.";
      break;
    default:
      break;
  }
  std::string detail = result.detail;
  while (!detail.empty() && (detail.back() == '\n' || detail.back() == ' ')) detail.pop_back();
  if (const size_t nl = detail.find('\n'); nl != std::string::npos) detail.resize(nl);
  if (!detail.empty() && result.error != FormatError::kBadLabel)
    line += line.empty() ? detail : " (" + detail + ")";
  if (!result.settingsCopy.empty()) {
    if (!line.empty()) line += " ";
    line += "The card's settings file was saved as " + result.settingsCopy + ".";
  }
  return line;
}

std::string RightPurpose(const std::string& action) {
  const auto is = [&action](const char* base) {
    const std::string id = std::string("org.freedesktop.udisks2.") + base;
    return action.rfind(id, 0) == 0 && (action.size() == id.size() || action[id.size()] == '-');
  };
  if (is("open-device")) return "open the card for writing";
  if (is("modify-device")) return "format the card";
  if (is("filesystem-mount")) return "mount the card";
  if (is("filesystem-unmount-others")) return "unmount the card mounted by another user";
  return action;
}

std::string RightNote(udisks::RightAnswer answer, const std::string& action) {
  if (answer == udisks::RightAnswer::kPassword)
    return "The system will ask for an administrator's password: its policy wants one to " +
           RightPurpose(action) + " (" + action + ").";
  if (answer == udisks::RightAnswer::kNo)
    return "The system does not give you the right to " + RightPurpose(action) + " (" + action +
           "): formatting will be refused.";
  return {};
}

std::string LabelProblem(const std::string& label) {
  return IsWritableLabel(label) ? std::string() : kLabelRule;
}

std::string FindSbinProgram(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  std::stringstream folders(std::string(path ? path : "") + ":/usr/local/sbin:/usr/sbin:/sbin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return name;
}

}  // namespace orvia::format
