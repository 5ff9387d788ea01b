#include "report/DriveTable.h"

#include "storage/Text.h"
#include "storage/Utf8.h"

namespace tl {

DriveTable takeDriveTable(const std::vector<MountedVolume>& volumes) {
    DriveTable table;
    for (const MountedVolume& volume : volumes) {
        if (volume.network || volume.serial.empty() || volume.mountPoint.empty())
            continue;
        DriveEntry entry;
        entry.root = volume.mountPoint;
        if (entry.root.back() != '/')
            entry.root += '/';
        entry.label = std::string(utf8Cut(volume.label, MaxLabelBytes));
        entry.serial = volume.serial;
        table.push_back(std::move(entry));
    }
    return table;
}

const DriveEntry* findVolumeDrive(const DriveTable& table, std::string_view serial,
                                  std::string_view label) {
    for (const DriveEntry& entry : table)
        if (equalsIgnoringAsciiCase(entry.serial, serial) &&
            equalsIgnoringAsciiCase(entry.label, label))
            return &entry;
    return nullptr;
}

} // namespace tl
