// The volume label: what the label field's text becomes on the card, and
// which labels can be written. Plain logic, no Qt.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvia::format {

// The label field takes 10 characters; the label written holds at most 9.
constexpr int kLabelFieldChars = 10;
constexpr int kLabelChars = 9;
// The bytes a FAT label holds.
constexpr size_t kLabelBytes = 11;

// The label written to the card from the text of the label field (UTF-8): its
// first 9 characters; when one of them lies above U+00FF, the characters from
// that one's position plus 5 on are dropped (a wide character takes two bytes
// of the 11 a FAT label holds).
std::string PrepareLabel(std::string_view fieldText);
// The label as the card stores it: the text (UTF-8, as LabelForDisk gives
// it) in code page 949, the card's OEM code page, at most 11 bytes; nullopt
// when FAT cannot hold it: too long, a character code page 949 has no form
// for, a control character, or one of * ? . , ; : / \ | + = < > [ ] ".
std::optional<std::string> LabelBytes(std::string_view label);
// True when LabelBytes takes the label once LabelForDisk has raised its
// lower case.
bool IsWritableLabel(std::string_view label);
// The label with ASCII lower case raised and trailing blanks removed; other
// characters stay as they are.
std::string LabelForDisk(std::string_view label);
// True when the label is ASCII only (mkfs.fat writes no other labels).
bool IsAsciiLabel(std::string_view label);
// The text (UTF-8) of a label field read from a volume: code page 949 bytes,
// trailing blanks and NULs removed.
std::string LabelText(std::string_view field);

}  // namespace orvia::format
