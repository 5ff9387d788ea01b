#pragma once
/**
 * @file FileReplacement.h
 * Writing a file that replaces a user's earlier one: the new content goes to a temporary
 * file in the same folder and is renamed over the old file only when complete and on the
 * disk, so a failed or cancelled run, or a crash, leaves the earlier file as it was.
 */
#include <string>

namespace tl {

class FileReplacement {
public:
    /** Prepares to replace @p finalPath; nothing is written yet. */
    explicit FileReplacement(std::string finalPath);
    /** Removes the temporary file unless commit() succeeded. */
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    /** Where to write the new content: a hidden name beside the final path, unique to this
     *  replacement, that fits the folder's name limit whenever the final name does. */
    const std::string& tempPath() const { return m_tempPath; }
    const std::string& finalPath() const { return m_finalPath; }

    /** Brings the temporary file's data to the disk, renames it over the final path and
     *  brings the folder's new entry to the disk; false (and the temporary file removed)
     *  when the data cannot be synced or the rename fails. The caller has closed the file. */
    bool commit();
    /** Removes the temporary file. */
    void discard();

private:
    std::string m_finalPath;
    std::string m_tempPath;
    bool m_done = false;
};

} // namespace tl
