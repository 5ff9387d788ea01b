#pragma once
/**
 * @file Volumes.h
 * Mounted volumes: what a Windows drive (letter, label, serial) is on Linux.
 */
#include <string>
#include <vector>

namespace tl {

/** One mounted file system. */
struct MountedVolume {
    std::string mountPoint; ///< absolute, without a trailing "/" except for "/" itself
    std::string fsType;     ///< e.g. "ext4", "vfat", "nfs4"
    std::string device;     ///< mount source, e.g. "/dev/sr0"
    std::string label;      ///< the file system's LABEL, empty when none
    std::string serial;     ///< 8 upper-case hex digits; empty on a network file system
    bool network = false;   ///< nfs, cifs, sshfs and the like
};

/** Where the platform facts are read from; tests point these at fixture files. */
struct PlatformPaths {
    std::string mountInfo = "/proc/self/mountinfo";
    std::string diskByLabel = "/dev/disk/by-label";
    std::string diskByUuid = "/dev/disk/by-uuid";
    bool useBlkid = true; ///< ask libblkid first (tests turn it off)
};

} // namespace tl
