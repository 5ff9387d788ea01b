#include "plugins/AudioInfo.h"

#include "storage/Fieldnames.h"

#include <cstring>

namespace tl {

#define TL_TEXT_FIELD(member, song)                                                                \
    AudioTextField {                                                                               \
#member, song, offsetof(AudioFileInfo, member), sizeof(AudioFileInfo::member)              \
    }

const std::array<AudioTextField, 13> AudioTextFields = {
    TL_TEXT_FIELD(Artist, Field::Artist),   TL_TEXT_FIELD(Title, Field::Title),
    TL_TEXT_FIELD(Album, Field::Album),     TL_TEXT_FIELD(Year, Field::Year),
    TL_TEXT_FIELD(Genre, Field::Genre),     TL_TEXT_FIELD(Type, Field::Type),
    TL_TEXT_FIELD(Mode, Field::Mode),       TL_TEXT_FIELD(Binary, Field::Binary),
    TL_TEXT_FIELD(Tag, Field::Tag),         TL_TEXT_FIELD(Comment, Field::Comment),
    TL_TEXT_FIELD(OArtist, Field::OArtist), TL_TEXT_FIELD(Composer, Field::Composer),
    TL_TEXT_FIELD(Track, Field::Track),
};

#undef TL_TEXT_FIELD

void applyReservedByteRule(AudioFileInfo& info) {
    auto* base = reinterpret_cast<char*>(&info);
    for (const AudioTextField& field : AudioTextFields) {
        char* span = base + field.offset;
        if (span[0] != 0)
            span[1] = 0;
        span[field.size - 1] = 0;
    }
}

std::string_view audioText(const AudioFileInfo& info, const AudioTextField& field) {
    const char* text = reinterpret_cast<const char*>(&info) + field.offset + 1;
    return {text, strnlen(text, field.size - 1)};
}

const AudioTextField* audioTextField(std::string_view name) {
    for (const AudioTextField& field : AudioTextFields)
        if (name == field.name)
            return &field;
    return nullptr;
}

} // namespace tl
