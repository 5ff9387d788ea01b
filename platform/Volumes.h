#pragma once
/**
 * @file Volumes.h
 * Mounted volumes: what a Windows drive (letter, label, serial) is on Linux.
 *
 * The volume of a folder is the mount whose mount point is the longest prefix of the
 * folder's canonical path. Label and serial come from the file system's LABEL and UUID,
 * read with libblkid or, where the device cannot be read, from the udev links under
 * /dev/disk/by-label and /dev/disk/by-uuid.
 */
#include <cstdint>
#include <string>
#include <string_view>
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

/** The volume part of a song record for one scanned folder. */
struct VolumeInfo {
    std::string description; ///< the catalogue name (VolDescription), at most 255 bytes
    std::string label;       ///< VolName, at most 255 bytes
    std::string serial;      ///< VolSerial: 8 upper-case hex digits, empty on a network volume
    std::string directory;   ///< Path of the folder: relative to the mount point, without
                             ///< leading or trailing "/"; on a network volume the whole path
    std::string folder;      ///< the folder's canonical absolute path
    std::string mountPoint;  ///< mount point of the volume
    bool network = false;
};

/**
 * Every mount of the mount table, in table order, with label and serial filled in.
 * Empty when the table cannot be read.
 */
std::vector<MountedVolume> mountedVolumes(const PlatformPaths& paths = {});

/**
 * The mount points where the user's volumes can be, for a choice of one: those of block
 * devices ("/dev/...") and network shares, and "/" always, each once, in byte order.
 * Pseudo and memory file systems (proc, sysfs, tmpfs, cgroup, ...), read-only system images
 * (squashfs) and mounts of a single file are left out. Labels and serials are not read, so
 * no drive is woken up for the list.
 */
std::vector<std::string> volumeMountPoints(const PlatformPaths& paths = {});

/**
 * Identifies the volume of @p folder: its canonical path, the mount it lies on and that
 * mount's label and serial; @p description (cut to 255 bytes) becomes the description.
 * False (the "not ready" case) only when the folder does not exist or cannot be examined;
 * @p info is then cleared.
 */
bool identifyVolume(const std::string& folder, std::string_view description, VolumeInfo& info,
                    const PlatformPaths& paths = {});

/** The song-record Path of directory @p dir (a canonical absolute path) on a volume
 *  mounted at @p mountPoint: relative to the mount point without leading or trailing "/",
 *  or @p dir whole on a network volume. */
std::string volumeRelativePath(std::string_view mountPoint, std::string_view dir, bool network);

/** The serial text of a file system: from its UUID when it has one, else from the
 *  "major:minor" device number of the mount table (see Volumes.cpp for the rules). */
std::string volumeSerial(std::string_view uuid, std::string_view deviceNumber);

/** True for file-system types that stand for network shares. */
bool isNetworkFileSystem(std::string_view fsType);

/** Decodes the octal escapes (\\040 for a space, \\011, \\012, \\134) of a mount-table
 *  path field. */
std::string unescapeMountField(std::string_view field);

/** One line of the mount table. */
struct MountEntry {
    MountedVolume volume;     ///< label and serial not filled in
    std::string deviceNumber; ///< "major:minor" of the mounted file system
};

/** Parses the text of a mountinfo file. Lines that do not have the mountinfo shape are
 *  skipped. */
std::vector<MountEntry> parseMountInfo(std::string_view text);

/** The mount table at @p paths.mountInfo, parsed; empty when it cannot be read. */
std::vector<MountEntry> readMountTable(const PlatformPaths& paths = {});

/** CRC-32 (IEEE 802.3, as zlib computes it) of @p bytes. */
std::uint32_t crc32(std::string_view bytes);

} // namespace tl
