#pragma once
/**
 * @file AudioInfo.h
 * The host's reading of an AudioFileInfo filled by a plug-in.
 */
#include "plugins/PluginInterface.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace tl {

/** One text field of AudioFileInfo and the song field it feeds. */
struct AudioTextField {
    const char* name;   ///< the field's name, as the song field's
    int songField;      ///< index of the song field it feeds
    std::size_t offset; ///< offset of the span in AudioFileInfo
    std::size_t size;   ///< size of the span, its reserved first byte included
};

/** The 13 text fields, in record order. */
extern const std::array<AudioTextField, 13> AudioTextFields;

/** What the host does after every call: a text field whose reserved first byte is not 0
 *  is emptied, and every span is NUL-terminated at its last byte, so that no reader can
 *  run past a span a plug-in filled to the brim. */
void applyReservedByteRule(AudioFileInfo& info);

/** Text of @p field in @p info (bounded by the span). */
std::string_view audioText(const AudioFileInfo& info, const AudioTextField& field);

/** The text field called @p name (as in AudioTextFields), or nullptr. */
const AudioTextField* audioTextField(std::string_view name);

} // namespace tl
