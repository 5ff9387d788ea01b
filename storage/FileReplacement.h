#pragma once
/**
 * @file FileReplacement.h
 * Writing a file that replaces a user's earlier one: the new content goes to a temporary
 * file in the same folder and is renamed over the old file only when complete, so a
 * failed or cancelled run leaves the earlier file as it was.
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

    /** Where to write the new content: a hidden name beside the final path. */
    const std::string& tempPath() const { return m_tempPath; }
    const std::string& finalPath() const { return m_finalPath; }

    /** Renames the temporary file over the final path; false (and the temporary file
     *  removed) when that fails. With @p sync, the data reaches the disk first. */
    bool commit(bool sync = false);
    /** Removes the temporary file. */
    void discard();

private:
    std::string m_finalPath;
    std::string m_tempPath;
    bool m_done = false;
};

} // namespace tl
