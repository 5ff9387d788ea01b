#pragma once
/**
 * @file InputFile.h
 * Every file the program reads is opened here: read-only, close-on-exec, and only when it
 * is a regular file. The open itself never waits, so a FIFO, a terminal or a device that
 * carries the name of a catalogue, a template, an include or a locale file is refused at
 * once instead of holding the program until something writes to it, and an endless source
 * such as /dev/zero is never read.
 */
#include <cstddef>
#include <cstdint>
#include <string>

namespace tl {

/** Why a file could not be read. */
enum class ReadFailure {
    None = 0,
    Missing,        ///< no file of that name
    CannotOpen,     ///< the file exists but cannot be opened (permissions, a bad path...)
    NotRegularFile, ///< a directory, FIFO, socket or device
    TooLarge,       ///< more bytes than the reader takes
    ReadError,      ///< reading failed part way
    NoMemory        ///< the bytes could not be held
};

/** A regular file open for reading; the descriptor is closed with the object. */
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    /** Opens @p path for reading: without waiting (O_NONBLOCK while opening), close-on-exec,
     *  and only when fstat says it is a regular file; the descriptor is then switched back to
     *  blocking mode, so it reads like any other. failure() says why it is not open. */
    static InputFile open(const std::string& path);

    bool isOpen() const { return m_fd >= 0; }
    explicit operator bool() const { return isOpen(); }
    ReadFailure failure() const { return m_failure; }
    /** The descriptor (-1 when not open); it stays owned by this object. */
    int fd() const { return m_fd; }
    /** The file's size when it was opened. */
    std::uint64_t size() const { return m_size; }
    /** Hands the descriptor over: this object no longer closes it. */
    int release();

    /** Reads from the current position to the end into @p data (replaced): TooLarge (and
     *  @p data empty) when there are more than @p maxBytes bytes. The size seen at the open
     *  is only a hint, since files under /proc show 0 and a file may grow while it is read. */
    ReadFailure readAll(std::size_t maxBytes, std::string& data);

private:
    int m_fd = -1;
    ReadFailure m_failure = ReadFailure::CannotOpen;
    std::uint64_t m_size = 0;
};

/** The whole regular file at @p path into @p data (replaced; empty on a failure), refused
 *  with TooLarge when it holds more than @p maxBytes bytes. */
ReadFailure readWholeFile(const std::string& path, std::size_t maxBytes, std::string& data);

} // namespace tl
