// The format side's view of the disk service: the cards it offers, what its
// refusals mean to the user, and where mkfs.fat lives. Plain logic, no Qt.
#pragma once

#include <string>
#include <vector>

#include "disk/format_logic.h"
#include "library/udisks_model.h"

namespace orvia::format {

// The cards the format page offers: the service's formattable blocks
// (udisks::IsFormattable), in its order, with what it says of them (size,
// file system, label, mount point). The allocation unit comes from the
// volume's boot sector when it can be read, else it is unknown (0).
std::vector<CardCandidate> CandidatesFromSnapshot(const udisks::Snapshot& snapshot);

// The kind of a refusal, from the service's D-Bus error name.
FormatError ServiceErrorKind(const std::string& errorName);

// The second line of a failed format's message: what went wrong and what
// the user can do, and where the card's settings file was saved; empty when
// nothing more is known.
std::string ReasonLine(const FormatResult& result);

// What a right of the disk service is for, in the user's words ("open the
// card for writing"); the action itself for one not known here.
std::string RightPurpose(const std::string& action);

// The format page's line before Start for the right a format needs: that
// the system will ask for an administrator's password (kPassword), or that
// it refuses the right (kNo); empty when it is granted or unknown.
std::string RightNote(udisks::RightAnswer answer, const std::string& action);

// The reason a label is refused before the data-loss confirmation, or
// empty when it can be written (`label` as PrepareLabel gives it).
std::string LabelProblem(const std::string& label);

// `name` when it holds a '/', else the first executable of that name on
// PATH or in /usr/local/sbin, /usr/sbin and /sbin (an ordinary user's PATH
// lacks them); `name` itself when none is found.
std::string FindSbinProgram(const std::string& name);

}  // namespace orvia::format
