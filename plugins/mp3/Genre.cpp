#include "plugins/mp3/Genre.h"

#include <array>
#include <cstddef>
#include <optional>

namespace tl::mp3 {
namespace {

// The ID3v1 genre list with its common extensions (0-147), then the later additions
// (148-191) that taggers know today. Names are kept whole here; genreName() applies the
// 13-character cut of the stored table and stops at 147.
constexpr std::array<std::string_view, 192> GenreNames = {
    "Blues",
    "Classic Rock",
    "Country",
    "Dance",
    "Disco",
    "Funk",
    "Grunge",
    "Hip-Hop",
    "Jazz",
    "Metal",
    "New Age",
    "Oldies",
    "Other",
    "Pop",
    "R&B",
    "Rap",
    "Reggae",
    "Rock",
    "Techno",
    "Industrial",
    "Alternative",
    "Ska",
    "Death Metal",
    "Pranks",
    "Soundtrack",
    "Euro-Techno",
    "Ambient",
    "Trip-Hop",
    "Vocal",
    "Jazz+Funk",
    "Fusion",
    "Trance",
    "Classical",
    "Instrumental",
    "Acid",
    "House",
    "Game",
    "Sound Clip",
    "Gospel",
    "Noise",
    "Alternative Rock",
    "Bass",
    "Soul",
    "Punk",
    "Space",
    "Meditative",
    "Instrumental Pop",
    "Instrumental Rock",
    "Ethnic",
    "Gothic",
    "Darkwave",
    "Techno-Industrial",
    "Electronic",
    "Pop-Folk",
    "Eurodance",
    "Dream",
    "Southern Rock",
    "Comedy",
    "Cult",
    "Gangsta",
    "Top 40",
    "Christian Rap",
    "Pop/Funk",
    "Jungle",
    "Native American",
    "Cabaret",
    "New Wave",
    "Psychadelic",
    "Rave",
    "Showtunes",
    "Trailer",
    "Lo-Fi",
    "Tribal",
    "Acid Punk",
    "Acid Jazz",
    "Polka",
    "Retro",
    "Musical",
    "Rock & Roll",
    "Hard Rock",
    "Folk",
    "Folk-Rock",
    "National Folk",
    "Swing",
    "Fast Fusion",
    "Bebob",
    "Latin",
    "Revival",
    "Celtic",
    "Bluegrass",
    "Avantgarde",
    "Gothic Rock",
    "Progressive Rock",
    "Psychedelic Rock",
    "Symphonic Rock",
    "Slow Rock",
    "Big Band",
    "Chorus",
    "Easy Listening",
    "Acoustic",
    "Humour",
    "Speech",
    "Chanson",
    "Opera",
    "Chamber Music",
    "Sonata",
    "Symphony",
    "Booty Bass",
    "Primus",
    "Porn Groove",
    "Satire",
    "Slow Jam",
    "Club",
    "Tango",
    "Samba",
    "Folklore",
    "Ballad",
    "Power Ballad",
    "Rhythmic Soul",
    "Freestyle",
    "Duet",
    "Punk Rock",
    "Drum Solo",
    "Acapella",
    "Euro-House",
    "Dance Hall",
    "Goa",
    "Drum & Bass",
    "Club-House",
    "Hardcore",
    "Terror",
    "Indie",
    "BritPop",
    "Afro-Punk",
    "Polsk Punk",
    "Beat",
    "Christian Gangsta Rap",
    "Heavy Metal",
    "Black Metal",
    "Crossover",
    "Contemporary Christian",
    "Christian Rock",
    "Merengue",
    "Salsa",
    "Thrash Metal",
    "Anime",
    "Jpop",
    "Synthpop",
    "Abstract",
    "Art Rock",
    "Baroque",
    "Bhangra",
    "Big Beat",
    "Breakbeat",
    "Chillout",
    "Downtempo",
    "Dub",
    "EBM",
    "Eclectic",
    "Electro",
    "Electroclash",
    "Emo",
    "Experimental",
    "Garage",
    "Global",
    "IDM",
    "Illbient",
    "Industro-Goth",
    "Jam Band",
    "Krautrock",
    "Leftfield",
    "Lounge",
    "Math Rock",
    "New Romantic",
    "Nu-Breakz",
    "Post-Punk",
    "Post-Rock",
    "Psytrance",
    "Shoegaze",
    "Space Rock",
    "Trop Rock",
    "World Music",
    "Neoclassical",
    "Audiobook",
    "Audio Theatre",
    "Neue Deutsche Welle",
    "Podcast",
    "Indie Rock",
    "G-Funk",
    "Dubstep",
    "Garage Rock",
    "Psybient",
};

/** Genres of the stored table: the ID3v1 list with its common extensions. */
constexpr int StoredGenres = 148;

/** Longest genre name the table keeps. */
constexpr std::size_t GenreWidth = 13;

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

/** The genre that reference @p ref (a number of up to three digits, "RX" or "CR") names;
 *  nothing when @p ref is no reference. An empty name (255) is a reference to nothing. */
std::optional<std::string_view> reference(std::string_view ref) {
    if (ref == "RX")
        return "Remix";
    if (ref == "CR")
        return "Cover";
    if (ref.empty() || ref.size() > 3)
        return std::nullopt;
    int number = 0;
    for (const char c : ref) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (number > 255)
        return std::nullopt;
    return fullGenreName(number);
}

/** The genres one value names, in order. */
void valueGenres(std::string_view value, std::vector<std::string>& out) {
    value = trimmed(value);
    if (const std::optional<std::string_view> bare = reference(value)) {
        if (!bare->empty())
            out.emplace_back(*bare);
        return;
    }
    bool referred = false;
    std::size_t i = 0;
    while (i + 1 < value.size() && value[i] == '(' && value[i + 1] != '(') {
        const std::size_t close = value.find(')', i);
        if (close == std::string_view::npos)
            break;
        const std::optional<std::string_view> name = reference(value.substr(i + 1, close - i - 1));
        if (!name)
            break;
        if (!name->empty()) {
            out.emplace_back(*name);
            referred = true;
        }
        i = close + 1;
    }
    std::string_view rest = trimmed(value.substr(i));
    if (rest.starts_with("(("))
        rest.remove_prefix(1);
    if (rest.empty())
        return;
    if (referred)
        out.back() = std::string(rest); // the refinement says it more precisely
    else
        out.emplace_back(rest);
}

} // namespace

std::string resolveGenre(std::string_view genre) {
    // Reads "(%d)%s" the way the C scanner does: "(", an optional sign and digits after
    // optional blanks, ")", then one word after optional blanks.
    std::size_t i = 0;
    if (genre.empty() || genre[0] != '(')
        return std::string(genre);
    ++i;
    while (i < genre.size() && isSpace(genre[i]))
        ++i;
    bool negative = false;
    if (i < genre.size() && (genre[i] == '+' || genre[i] == '-'))
        negative = genre[i++] == '-';
    const std::size_t digits = i;
    long number = 0;
    while (i < genre.size() && genre[i] >= '0' && genre[i] <= '9') {
        if (number < 100000)
            number = number * 10 + (genre[i] - '0');
        ++i;
    }
    if (i == digits)
        return std::string(genre);
    if (negative)
        number = -number;
    if (i < genre.size() && genre[i] == ')') {
        ++i;
        while (i < genre.size() && isSpace(genre[i]))
            ++i;
        const std::size_t word = i;
        while (i < genre.size() && !isSpace(genre[i]))
            ++i;
        if (i > word)
            return std::string(genre.substr(word, i - word));
    }
    // Only the number: the table's name. A number the table does not have keeps the text.
    if (number < 0 || number > 255)
        return std::string(genre);
    return std::string(genreName(static_cast<int>(number)));
}

std::string_view genreName(int number) {
    if (number == 255 || number < 0 || number > 255)
        return {};
    if (number >= StoredGenres)
        return "Unknown";
    std::string_view name = GenreNames[static_cast<std::size_t>(number)];
    name = name.substr(0, GenreWidth);
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    return name;
}

std::string_view fullGenreName(int number) {
    if (number < 0 || number >= 255)
        return {};
    if (number >= static_cast<int>(GenreNames.size()))
        return "Unknown";
    return GenreNames[static_cast<std::size_t>(number)];
}

std::string resolveGenres(const std::vector<std::string>& values) {
    std::vector<std::string> genres;
    for (const std::string& value : values)
        valueGenres(value, genres);
    std::string joined;
    for (std::size_t i = 0; i < genres.size(); ++i) {
        bool repeated = false;
        for (std::size_t j = 0; j < i && !repeated; ++j)
            repeated = genres[j] == genres[i];
        if (repeated)
            continue;
        if (!joined.empty())
            joined += "; ";
        joined += genres[i];
    }
    return joined;
}

} // namespace tl::mp3
