// Formatting through the disk service (UDisks2), so that an ordinary user can
// format a card: the card is unmounted, formatted and mounted again by the
// service, and prepared (folders, settings file) through its mount. As root,
// or for a card the service does not know, the direct way (format::RunFormat)
// is taken and the card is then mounted through the service when it answers.
//
// RunCardFormat blocks (polkit may ask the user for the right) and runs on
// the format worker thread; FindFormatCards runs on the UI thread.
#pragma once

#include <vector>

#include "disk/format_logic.h"

namespace orvia {

// The cards the format page offers: the service's formattable blocks when
// it answers, else the removable disks of sysfs.
std::vector<format::CardCandidate> FindFormatCards(const format::SystemPaths& system);

// The mount point of a card the service lists, mounting it through the
// service (Filesystem.Mount) when it carries a file system but is not
// mounted; empty when it cannot be mounted. Blocks; UI thread.
std::string MountedCardRoot(const format::CardCandidate& card);

// The way an ordinary user formats a card the service lists (its object in
// request.objectPath): the card's settings file is read from its mount (the
// card is mounted for it when it is not), the card is unmounted, formatted
// through the service (Block.Format with mkfs-args from udisks 2.10 on,
// else a FAT32 file system written into the descriptor of
// Block.OpenDevice), mounted again, and given its folders and settings file.
format::FormatResult RunServiceFormat(const format::FormatRequest& request,
                                      const format::ProgressFn& progress);

// The format page's line before Start (format::RightNote) for the right the
// service will check to write `card`: asked of the system's policy without
// any dialog. Empty for root, for a card the service does not list, and
// when the right is granted or the policy does not answer.
std::string FormatRightNote(const format::CardCandidate& card);

// The service's way for an ordinary user (or with tools.directAsRoot off),
// the direct way otherwise; see above.
format::FormatResult RunCardFormat(const format::FormatRequest& request, const format::ProgressFn& progress,
                                   const format::FormatTools& tools, const format::SystemPaths& system);

}  // namespace orvia
