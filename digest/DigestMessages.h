#pragma once
/**
 * @file DigestMessages.h
 * What the front ends of the digest share: the digest's file name for a song database,
 * and the message that reports each outcome of a run.
 */
#include "digest/Smartdigest.h"
#include "locale/Message.h"

#include <string>
#include <string_view>

namespace tl {

/** True when @p path ends in ".sds", compared without regard to the case of A-Z. */
bool isSongDatabaseName(std::string_view path);

/** The digest beside a song database: @p songPath with its last character replaced by
 *  "d" (".sds" becomes ".sdd", ".SDS" becomes ".SDd"). Empty for an empty path. */
std::string digestPathFor(std::string_view songPath);

/** Who ran the digest: the re-create command, or the end of a completed scan. */
enum class DigestCaller { ReCreate, Scan };

/** Logged by a scan before its digest is built. */
Message digestBuildingMessage();

/** The message that reports @p result to @p caller: success is "Digest"/"ReDigest" for the
 *  re-create command and "Scan"/"Done" in the scan log, a cancelled run "Digest"/"Cancelled"
 *  (information); 2 is "Digest"/"SDBOpenErr", 6 is "Scan"/"SDBInFormatErr" and every other
 *  failure "Digest"/"DigestErr" (errors). */
Message digestResultMessage(DigestResult result, DigestCaller caller);

} // namespace tl
