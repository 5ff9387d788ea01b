#pragma once

namespace tl {

/** Results of the catalogue files' operations; the numbers are part of the file-level
 *  contract and are shown to users through the callers' messages. */
enum class RecordResult : int {
    Ok = 0,
    EndOfFile = 1,
    CannotOpen = 2, ///< file not open, or it cannot be opened or created
    ReadError = 3,
    WriteError = 4,
    NoFields = 5,
    BadFormat = 6, ///< wrong format or incompatible version
    OutOfMemory = 7,
    Interrupted = 8, ///< the caller asked a table load to stop
};

/** A short English description of @p result, for messages that name the cause. */
const char* describe(RecordResult result);

} // namespace tl
