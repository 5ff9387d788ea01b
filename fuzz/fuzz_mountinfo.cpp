// Mount tables are read from the kernel, but tests and containers hand us any text: the
// parser must stay inside it whatever it holds.
#include "platform/Volumes.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const tl::MountEntry& entry : tl::parseMountInfo(text)) {
        (void)tl::volumeSerial(entry.volume.device, entry.deviceNumber);
        (void)tl::volumeRelativePath(entry.volume.mountPoint, entry.volume.device,
                                     entry.volume.network);
    }
    (void)tl::unescapeMountField(text);
    return 0;
}
