// The volume label: what the label field's text becomes on the card, and
// which labels can be written. Plain logic, no Qt.
#pragma once

#include <string>
#include <string_view>

namespace orvia::format {

// The label field takes 10 characters; the label written holds at most 9.
constexpr int kLabelFieldChars = 10;
constexpr int kLabelChars = 9;

// The label written to the card from the text of the label field (UTF-8): its
// first 9 characters; when one of them lies above U+00FF, the characters from
// that one's position plus 5 on are dropped (a wide character takes two bytes
// of the 11 a FAT label holds).
std::string PrepareLabel(std::string_view fieldText);
// True when mkfs.fat can write the label: printable ASCII without the
// characters FAT forbids, at most 11 bytes. Lower case is raised by
// LabelForDisk.
bool IsWritableLabel(std::string_view label);
std::string LabelForDisk(std::string_view label);

}  // namespace orvia::format
