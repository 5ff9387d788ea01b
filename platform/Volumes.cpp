#include "platform/Volumes.h"

#include "storage/InputFile.h"
#include "storage/Text.h"
#include "storage/Utf8.h"

#include <blkid/blkid.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tl {
namespace {

constexpr std::size_t MaxVolumeText = 255;

bool isHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string hex8(std::uint32_t value) {
    char buffer[9];
    std::snprintf(buffer, sizeof buffer, "%08X", value);
    return buffer;
}

std::vector<std::string_view> splitSpaces(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t end = std::min(line.find(' ', pos), line.size());
        if (end > pos)
            fields.push_back(line.substr(pos, end - pos));
        pos = end + 1;
    }
    return fields;
}

// udev writes unsafe bytes of a label into its link name as "\xHH".
std::string unescapeUdevName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            isHex(name.substr(i + 2, 2))) {
            out.push_back(
                static_cast<char>(std::stoi(std::string(name.substr(i + 2, 2)), nullptr, 16)));
            i += 3;
        } else {
            out.push_back(name[i]);
        }
    }
    return out;
}

// The name under which a device appears as the target of the udev links: the last
// component of its canonical path (/dev/mapper/vg-root is a link to /dev/dm-0).
std::string deviceKey(const std::string& device) {
    char resolved[PATH_MAX];
    if (::realpath(device.c_str(), resolved))
        return std::string(fileNameOf(resolved));
    return std::string(fileNameOf(device));
}

// Finds the link of @p dir whose target is @p device; its name, unescaped, or empty.
std::string linkNameFor(const std::string& dir, const std::string& key) {
    std::string found;
    DIR* listing = ::opendir(dir.c_str());
    if (!listing)
        return found;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(listing);
    // Directory order is arbitrary; byte order makes the choice among duplicates stable.
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink((dir + "/" + name).c_str(), target, sizeof target - 1);
        if (n <= 0)
            continue;
        if (fileNameOf(std::string_view(target, static_cast<std::size_t>(n))) == key) {
            found = unescapeUdevName(name);
            break;
        }
    }
    return found;
}

bool probeWithBlkid(const std::string& device, std::string& label, std::string& uuid) {
    if (device.empty() || device[0] != '/')
        return false;
    blkid_probe probe = ::blkid_new_probe_from_filename(device.c_str());
    if (!probe)
        return false;
    ::blkid_probe_enable_superblocks(probe, 1);
    ::blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID);
    bool ok = false;
    if (::blkid_do_safeprobe(probe) == 0) {
        ok = true;
        const char* value = nullptr;
        std::size_t length = 0;
        if (::blkid_probe_lookup_value(probe, "LABEL", &value, &length) == 0 && value)
            label.assign(value, strnlen(value, length));
        if (::blkid_probe_lookup_value(probe, "UUID", &value, &length) == 0 && value)
            uuid.assign(value, strnlen(value, length));
    }
    ::blkid_free_probe(probe);
    return ok;
}

void fillLabelAndSerial(MountedVolume& volume, const std::string& deviceNumber,
                        const PlatformPaths& paths) {
    if (volume.network)
        return;
    std::string label, uuid;
    if (!paths.useBlkid || !probeWithBlkid(volume.device, label, uuid)) {
        const std::string key = deviceKey(volume.device);
        label = linkNameFor(paths.diskByLabel, key);
        uuid = linkNameFor(paths.diskByUuid, key);
    }
    volume.label = std::string(utf8Cut(label, MaxVolumeText));
    volume.serial = volumeSerial(uuid, deviceNumber);
}

bool isPathPrefix(std::string_view mountPoint, std::string_view path) {
    if (mountPoint == "/")
        return !path.empty() && path[0] == '/';
    return path.substr(0, mountPoint.size()) == mountPoint &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

} // namespace

std::uint32_t crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : bytes)
        crc = table[(crc ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// FAT and exFAT carry a 32-bit volume serial, shown as "XXXX-XXXX"; NTFS a 64-bit one
// (16 digits) whose low half is what Windows shows. Other UUIDs are longer than 8 digits,
// so their CRC-32 stands in. A file system without UUID is told apart by its device
// number ("major:minor" of the mount table), which is stable for a block device.
std::string volumeSerial(std::string_view uuid, std::string_view deviceNumber) {
    if (uuid.size() == 9 && uuid[4] == '-' && isHex(uuid.substr(0, 4)) && isHex(uuid.substr(5)))
        return upper(std::string(uuid.substr(0, 4)) + std::string(uuid.substr(5)));
    if (uuid.size() == 16 && isHex(uuid))
        return upper(uuid.substr(8));
    if (!uuid.empty())
        return hex8(crc32(uuid));
    return hex8(crc32(deviceNumber));
}

bool isNetworkFileSystem(std::string_view fsType) {
    static constexpr std::string_view network[] = {
        "nfs",         "nfs4",        "cifs",       "smb3",      "smbfs",
        "ncpfs",       "afs",         "coda",       "ceph",      "glusterfs",
        "lustre",      "9p",          "fuse.sshfs", "sshfs",     "fuse.glusterfs",
        "fuse.rclone", "fuse.davfs2", "davfs",      "fuse.s3fs",
    };
    return std::find(std::begin(network), std::end(network), fsType) != std::end(network);
}

std::string unescapeMountField(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
            field[i + 3] >= '0' && field[i + 3] <= '7') {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

// A mountinfo line: id parent major:minor root mount-point options [optional...] - type
// source super-options.
std::vector<MountEntry> parseMountInfo(std::string_view text) {
    std::vector<MountEntry> entries;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const std::vector<std::string_view> f = splitSpaces(text.substr(pos, end - pos));
        pos = end + 1;
        const auto dash = std::find(f.begin(), f.end(), "-");
        if (f.size() < 6 || dash == f.end() || dash - f.begin() < 6 || f.end() - dash < 3)
            continue;
        MountEntry entry;
        entry.deviceNumber = std::string(f[2]);
        MountedVolume& volume = entry.volume;
        volume.mountPoint = unescapeMountField(f[4]);
        if (volume.mountPoint.empty() || volume.mountPoint[0] != '/')
            continue;
        volume.fsType = unescapeMountField(dash[1]);
        volume.device = unescapeMountField(dash[2]);
        volume.network = isNetworkFileSystem(volume.fsType);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<MountEntry> readMountTable(const PlatformPaths& paths) {
    // Even a machine with thousands of mounts has a table of a few MiB.
    constexpr std::size_t MaxMountTableBytes = 64u << 20;
    std::string text;
    if (readWholeFile(paths.mountInfo, MaxMountTableBytes, text) != ReadFailure::None)
        return {};
    return parseMountInfo(text);
}

std::vector<MountedVolume> mountedVolumes(const PlatformPaths& paths) {
    std::vector<MountedVolume> volumes;
    for (MountEntry& entry : readMountTable(paths)) {
        fillLabelAndSerial(entry.volume, entry.deviceNumber, paths);
        volumes.push_back(std::move(entry.volume));
    }
    return volumes;
}

std::vector<std::string> volumeMountPoints(const PlatformPaths& paths) {
    std::vector<std::string> points{"/"};
    for (const MountEntry& entry : readMountTable(paths)) {
        const MountedVolume& v = entry.volume;
        const bool device = v.device.starts_with("/dev/") && v.fsType != "squashfs";
        if (!device && !v.network)
            continue;
        // Containers bind single files (/etc/hosts) from the host's disk.
        std::error_code ec;
        const std::filesystem::file_status st = std::filesystem::status(v.mountPoint, ec);
        if (std::filesystem::exists(st) && !std::filesystem::is_directory(st))
            continue;
        points.push_back(v.mountPoint);
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

std::string volumeRelativePath(std::string_view mountPoint, std::string_view dir, bool network) {
    if (network)
        return std::string(dir);
    std::string_view rest = isPathPrefix(mountPoint, dir) ? dir.substr(mountPoint.size()) : dir;
    while (!rest.empty() && rest.front() == '/')
        rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    return std::string(rest);
}

bool identifyVolume(const std::string& folder, std::string_view description, VolumeInfo& info,
                    const PlatformPaths& paths) {
    info = VolumeInfo{};
    char resolved[PATH_MAX];
    struct stat st;
    if (folder.empty() || !::realpath(folder.c_str(), resolved) || ::stat(resolved, &st) != 0)
        return false;
    const std::string canonical = resolved;
    const std::vector<MountEntry> entries = readMountTable(paths);
    // The longest matching mount point wins; among equal ones the later mount, which
    // covers the earlier.
    const MountEntry* best = nullptr;
    for (const MountEntry& entry : entries)
        if (isPathPrefix(entry.volume.mountPoint, canonical) &&
            (!best || entry.volume.mountPoint.size() >= best->volume.mountPoint.size()))
            best = &entry;
    if (!best)
        return false;
    MountedVolume volume = best->volume;
    fillLabelAndSerial(volume, best->deviceNumber, paths);
    info.description = std::string(utf8Cut(description, MaxVolumeText));
    info.label = volume.label;
    info.serial = volume.serial;
    info.folder = canonical;
    info.mountPoint = volume.mountPoint;
    info.network = volume.network;
    info.directory = volumeRelativePath(volume.mountPoint, canonical, volume.network);
    return true;
}

} // namespace tl
