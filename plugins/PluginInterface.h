/**
 * @file PluginInterface.h
 * The binary interface between Tunelister and its input plug-ins.
 *
 * A plug-in is a shared library (`*.so`) in the application's `plugins/` folder that
 * exports three plain C functions under exactly these names:
 *
 *  - `_GetPluginInfo(PluginInfo*)`: fills the record; 0 means the plug-in is usable.
 *  - `_GetAudioFileInfo(int32_t fd, AudioFileInfo*, int32_t options)`: analyses one open
 *    file and returns one of the `TL_AFI_*` result codes.
 *  - `_ConfigurePugin(PluginConfigRequest*)` (optional; the name is spelled so): shows the
 *    plug-in's settings, owned by the given window; the host ignores its result.
 *
 * No function lets an exception out, whatever the plug-in is written in: a failure inside,
 * such as memory that cannot be had, is a result.
 *
 * Every record has a fixed size and layout, checked below, so a plug-in built on its own
 * loads into any host. All integers are little-endian. Text is NUL-terminated UTF-8.
 * The caller owns every record and clears it to zero before a call; a plug-in only
 * writes into it and never keeps the pointer.
 *
 * This header is plain C and depends on nothing else of Tunelister.
 */
#ifndef TUNELISTER_PLUGIN_INTERFACE_H
#define TUNELISTER_PLUGIN_INTERFACE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/** The host's interface version. */
#define TL_HOST_INTERFACE_VERSION 1u

/** Filled by `_GetPluginInfo` (304 bytes). */
typedef struct PluginInfo {
    char name[128];         /**< display name */
    char about[128];        /**< one line about the plug-in */
    char extension[16];     /**< the one extension handled, without the dot; case-insensitive */
    uint32_t compatibility; /**< lowest host interface version the plug-in works with */
    uint32_t version;       /**< interface version the plug-in implements */
    char versionText[24];   /**< the plug-in's own version as text */
} PluginInfo;

/**
 * Filled by `_GetAudioFileInfo` (3952 bytes).
 *
 * Every text field is a span whose first byte is reserved and stays 0; the text starts at
 * the span's second byte, so a span of N bytes carries at most N-2 bytes of text. After
 * the call the host treats a field whose reserved byte is not 0 as empty.
 */
typedef struct AudioFileInfo {
    uint64_t fileSize; /**< in: size of the file in bytes, filled by the host */
    char Artist[256];
    char Title[256];
    char Album[256];
    char Year[6];
    char Genre[256];
    char reserved1[2];
    int32_t Length;     /**< playing time in milliseconds; at least 1 when a stream was found */
    char Type[16];      /**< "MPG%d/%d" */
    int32_t Bitrate;    /**< kbit/s; the average for a variable rate; -1 when only estimated */
    uint32_t Frequency; /**< sample rate in Hz */
    char Mode[16];      /**< channel mode name */
    char Binary[12];    /**< first frame header, 8 upper-case hex digits */
    char Tag[32];       /**< tag formats found, e.g. "ID3-2.3, ID3-1.1" */
    char Comment[2048];
    char OArtist[256];
    char Composer[256];
    char Track[8];
    char reserved2[256];
} AudioFileInfo;

/** Passed to `_ConfigurePugin` (20 bytes). */
typedef struct PluginConfigRequest {
    uint32_t ownerWindow; /**< native id of the owning window when it fits 32 bits, else 0 */
    uint32_t reserved[4];
} PluginConfigRequest;

/** Results of `_GetAudioFileInfo`. When several hold, 4 wins over 5 and 5 over 6. */
enum {
    TL_AFI_OK = 0,         /**< analysed */
    TL_AFI_NO_HANDLE = 1,  /**< no file descriptor was given (a negative one) */
    TL_AFI_READ_ERROR = 3, /**< reading or seeking failed (other than end of file), or the
                                memory to read the file could not be had */
    TL_AFI_NO_STREAM = 4,  /**< no audio stream found; tag fields may be filled */
    TL_AFI_TAG_ERROR = 5,  /**< a tag at the start is present but unreadable */
    TL_AFI_INTERRUPTED = 6 /**< the first frames are interrupted by other data */
};

/** Bit 0 of the options argument: estimate a variable-rate length from the first frames. */
#define TL_AFI_OPTION_QUICK 1
/** Bit 1 of the options argument: read tags the modern way (ID3v2.4, UTF-16 and UTF-8
 *  text for the mp3 plug-in). A plug-in ignores the bits it does not know. */
#define TL_AFI_OPTION_MODERN_TAGS 2

/** Export names. */
#define TL_EXPORT_GET_PLUGIN_INFO "_GetPluginInfo"
#define TL_EXPORT_GET_AUDIO_FILE_INFO "_GetAudioFileInfo"
#define TL_EXPORT_CONFIGURE_PLUGIN "_ConfigurePugin"

typedef int32_t (*GetPluginInfoFn)(PluginInfo* info);
typedef int32_t (*GetAudioFileInfoFn)(int32_t fd, AudioFileInfo* info, int32_t options);
typedef int32_t (*ConfigurePluginFn)(PluginConfigRequest* request);

#ifdef __cplusplus
}
#define TL_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define TL_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

TL_STATIC_ASSERT(sizeof(PluginInfo) == 304, "PluginInfo size");
TL_STATIC_ASSERT(offsetof(PluginInfo, name) == 0, "PluginInfo.name");
TL_STATIC_ASSERT(offsetof(PluginInfo, about) == 128, "PluginInfo.about");
TL_STATIC_ASSERT(offsetof(PluginInfo, extension) == 256, "PluginInfo.extension");
TL_STATIC_ASSERT(offsetof(PluginInfo, compatibility) == 272, "PluginInfo.compatibility");
TL_STATIC_ASSERT(offsetof(PluginInfo, version) == 276, "PluginInfo.version");
TL_STATIC_ASSERT(offsetof(PluginInfo, versionText) == 280, "PluginInfo.versionText");

TL_STATIC_ASSERT(sizeof(AudioFileInfo) == 3952, "AudioFileInfo size");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, fileSize) == 0, "AudioFileInfo.fileSize");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Artist) == 8, "AudioFileInfo.Artist");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Title) == 264, "AudioFileInfo.Title");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Album) == 520, "AudioFileInfo.Album");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Year) == 776, "AudioFileInfo.Year");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Genre) == 782, "AudioFileInfo.Genre");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, reserved1) == 1038, "AudioFileInfo.reserved1");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Length) == 1040, "AudioFileInfo.Length");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Type) == 1044, "AudioFileInfo.Type");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Bitrate) == 1060, "AudioFileInfo.Bitrate");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Frequency) == 1064, "AudioFileInfo.Frequency");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Mode) == 1068, "AudioFileInfo.Mode");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Binary) == 1084, "AudioFileInfo.Binary");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Tag) == 1096, "AudioFileInfo.Tag");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Comment) == 1128, "AudioFileInfo.Comment");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, OArtist) == 3176, "AudioFileInfo.OArtist");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Composer) == 3432, "AudioFileInfo.Composer");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, Track) == 3688, "AudioFileInfo.Track");
TL_STATIC_ASSERT(offsetof(AudioFileInfo, reserved2) == 3696, "AudioFileInfo.reserved2");

TL_STATIC_ASSERT(sizeof(PluginConfigRequest) == 20, "PluginConfigRequest size");
TL_STATIC_ASSERT(offsetof(PluginConfigRequest, ownerWindow) == 0, "PluginConfigRequest.owner");
TL_STATIC_ASSERT(offsetof(PluginConfigRequest, reserved) == 4, "PluginConfigRequest.reserved");

#undef TL_STATIC_ASSERT

#endif
