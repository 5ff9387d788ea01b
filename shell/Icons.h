#pragma once
/**
 * @file Icons.h
 * The program's images: the icon of the program and the nine large images of the main
 * window's toolbar. The desktop's icon theme gives them by their freedesktop names where it
 * has them; otherwise the program's own SVG images, shipped in its "icons/" folder, are used.
 */
#include <QIcon>
#include <QString>

#include <array>
#include <span>
#include <vector>

namespace tl {

/** One image: its name in a freedesktop icon theme, and the program's own drawing. */
struct ThemedImage {
    const char* themeName; ///< e.g. "edit-find"
    const char* file;      ///< e.g. "search.svg", in the program's icon folder
};

/** The size of a toolbar image, in device-independent pixels. */
constexpr int ToolbarImageSize = 32;

/** The sizes, in pixels, an icon of any use is drawn at. */
inline constexpr std::array<int, 7> IconSizes = {16, 22, 24, 32, 48, 64, 128};

/** An SVG file drawn as an icon at each of @p sizes (in pixels); a null icon when the file
 *  cannot be read. */
QIcon svgIcon(const QString& file, std::span<const int> sizes = IconSizes);

/**
 * An icon with its three looks at @p size (and at twice that size, for screens with twice
 * the pixel density) made from @p source: normal, hot (QIcon::Active, under the mouse: a
 * little lighter) and disabled (greyed as the style greys images).
 */
QIcon iconWithStates(const QIcon& source, int size);

/**
 * The toolbar's images, in the order of @p images, each with its three looks. They come
 * from the icon theme only when it has every one of them, so the toolbar never mixes two
 * styles of drawing; otherwise from the SVG files of @p iconDir (ending in "/").
 */
std::vector<QIcon> toolbarIcons(std::span<const ThemedImage> images, const QString& iconDir);

/** The program's icon: "tunelister" of the icon theme (the installed program puts it
 *  there), else the program's own SVG in @p iconDir. */
QIcon programIcon(const QString& iconDir);

} // namespace tl
