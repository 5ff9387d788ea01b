#include "shell/Icons.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

namespace tl {
namespace {

QPixmap drawn(QSvgRenderer& svg, int pixels) {
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    return pixmap;
}

// The hot look: the image a little lighter, as if lit by the pointer.
QPixmap lighter(const QPixmap& normal) {
    QPixmap hot = normal;
    QPainter painter(&hot);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(hot.rect(), QColor(255, 255, 255, 56));
    return hot;
}

QPixmap greyed(const QPixmap& normal) {
    QStyleOption option;
    option.palette = QApplication::palette();
    return QApplication::style()->generatedIconPixmap(QIcon::Disabled, normal, &option);
}

} // namespace

QIcon svgIcon(const QString& file, std::span<const int> sizes) {
    if (!QFile::exists(file))
        return {};
    QSvgRenderer svg(file);
    if (!svg.isValid())
        return {};
    QIcon icon;
    // Drawn at each size from the vector image.
    for (const int pixels : sizes)
        icon.addPixmap(drawn(svg, pixels));
    return icon;
}

QIcon iconWithStates(const QIcon& source, int size) {
    QIcon icon;
    if (source.isNull())
        return icon;
    for (const int scale : {1, 2}) {
        const QPixmap normal = source.pixmap(QSize(size, size), scale, QIcon::Normal);
        if (normal.isNull())
            continue;
        // Each look is added at its true pixel size; QIcon picks the one of the screen.
        QPixmap plain = normal;
        plain.setDevicePixelRatio(1.0);
        icon.addPixmap(plain, QIcon::Normal);
        icon.addPixmap(lighter(plain), QIcon::Active);
        icon.addPixmap(greyed(plain), QIcon::Disabled);
    }
    return icon;
}

std::vector<QIcon> toolbarIcons(std::span<const ThemedImage> images, const QString& iconDir) {
    bool themeHasAll = !images.empty();
    for (const ThemedImage& image : images)
        themeHasAll = themeHasAll && QIcon::hasThemeIcon(QString::fromLatin1(image.themeName));
    // A toolbar image is only ever shown at its size, once or twice the pixels: drawing
    // the drawings at every size cost the program's start about ten milliseconds.
    constexpr std::array<int, 2> toolbarSizes = {ToolbarImageSize, 2 * ToolbarImageSize};
    std::vector<QIcon> icons;
    icons.reserve(images.size());
    for (const ThemedImage& image : images) {
        const QIcon source = themeHasAll
                                 ? QIcon::fromTheme(QString::fromLatin1(image.themeName))
                                 : svgIcon(iconDir + QString::fromLatin1(image.file), toolbarSizes);
        icons.push_back(iconWithStates(source, ToolbarImageSize));
    }
    return icons;
}

QIcon programIcon(const QString& iconDir) {
    const QString name = QStringLiteral("tunelister");
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return svgIcon(iconDir + name + QStringLiteral(".svg"));
}

} // namespace tl
