#pragma once
/**
 * @file DriveTable.h
 * The table of mounted drives that tells a report where a catalogued volume is now: the
 * volumes mounted when the report starts, each with its mount point, label and serial.
 */
#include "platform/Volumes.h"

#include <string>
#include <string_view>
#include <vector>

namespace tl {

/** One mounted volume as reports see it. */
struct DriveEntry {
    std::string root;   ///< the mount point, ending in "/"
    std::string label;  ///< volume label, at most MaxLabelBytes bytes
    std::string serial; ///< 8 upper-case hex digits
};

/** The mounted volumes at the start of a report, in the order the platform lists them. */
using DriveTable = std::vector<DriveEntry>;

/** Longest volume label kept in a drive entry. */
inline constexpr std::size_t MaxLabelBytes = 254;

/** The drive table of @p volumes. Network volumes and volumes without a serial number
 *  have nothing to be recognised by, so they are left out, as drives without a readable
 *  volume are. */
DriveTable takeDriveTable(const std::vector<MountedVolume>& volumes);

/** The first entry whose serial and label equal @p serial and @p label, compared ignoring
 *  the case of a-z; nullptr when the volume is not mounted. */
const DriveEntry* findVolumeDrive(const DriveTable& table, std::string_view serial,
                                  std::string_view label);

} // namespace tl
