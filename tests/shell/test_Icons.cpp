#include "shell/Icons.h"

#include "shell/Application.h"
#include "shell/MainWindow.h"
#include "support/ScriptedDesktop.h"
#include "support/TestApp.h"

#include <QAction>
#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>

using namespace tl;
using namespace tl::test;
namespace fs = std::filesystem;

namespace {

const ThemedImage Images[] = {
    {"drive-optical", "scan.svg"},         {"view-refresh", "digest.svg"},
    {"document-new", "report.svg"},        {"edit-find", "search.svg"},
    {"preferences-system", "options.svg"}, {"accessories-text-editor", "formwright.svg"},
    {"help-contents", "help.svg"},         {"help-about", "about.svg"},
    {"application-exit", "exit.svg"},
};

QRgb centre(const QIcon& icon, QIcon::Mode mode = QIcon::Normal) {
    const QImage image = icon.pixmap(QSize(32, 32), 1.0, mode).toImage();
    return image.pixel(16, 16);
}

// An icon theme in a temporary folder whose images are plain red squares; it has the
// images named in @p names.
class RedTheme {
public:
    explicit RedTheme(std::initializer_list<const char*> names) {
        const fs::path theme = m_dir.path() / "redtest";
        fs::create_directories(theme / "scalable/apps");
        writeFile((theme / "index.theme").string(),
                  "[Icon Theme]\nName=redtest\nDirectories=scalable/apps\n\n"
                  "[scalable/apps]\nSize=32\nMinSize=8\nMaxSize=512\nType=Scalable\n");
        for (const char* name : names)
            writeFile((theme / "scalable/apps" / (std::string(name) + ".svg")).string(),
                      "<svg xmlns='http://www.w3.org/2000/svg' width='32' height='32'>"
                      "<rect width='32' height='32' fill='#ff0000'/></svg>");
        m_paths = QIcon::themeSearchPaths();
        m_name = QIcon::themeName();
        QIcon::setThemeSearchPaths({QString::fromStdString(m_dir.path().string())});
        QIcon::setThemeName(QStringLiteral("redtest"));
    }
    ~RedTheme() {
        QIcon::setThemeSearchPaths(m_paths);
        QIcon::setThemeName(m_name);
    }

private:
    TempDir m_dir;
    QStringList m_paths;
    QString m_name;
};

bool allRed(const std::vector<QIcon>& icons) {
    for (const QIcon& icon : icons)
        if (centre(icon) != qRgb(255, 0, 0))
            return false;
    return !icons.empty();
}

} // namespace

TEST(ToolbarIcons, TheThemeIsUsedOnlyWhenItHasEveryImage) {
    TestAppDir dir;
    const QString iconDir = QString::fromStdString(dir.path() + "icons/");
    {
        RedTheme theme{"drive-optical", "view-refresh",       "document-new",
                       "edit-find",     "preferences-system", "accessories-text-editor",
                       "help-contents", "help-about",         "application-exit"};
        EXPECT_TRUE(allRed(toolbarIcons(Images, iconDir)));
    }
    {
        RedTheme theme{"drive-optical", "view-refresh", "document-new", "edit-find"};
        const std::vector<QIcon> icons = toolbarIcons(Images, iconDir);
        ASSERT_EQ(icons.size(), std::size(Images));
        for (const QIcon& icon : icons) {
            EXPECT_FALSE(icon.isNull());
            EXPECT_NE(centre(icon), qRgb(255, 0, 0)); // the program's own drawing
        }
    }
}

// Every image has its hot and disabled looks, each different from the normal one, and
// the program's own drawings are all there.
TEST(ToolbarIcons, EveryButtonHasItsNormalHotAndDisabledLook) {
    TestAppDir dir;
    ScriptedDesktop desktop;
    Application app(dir.path(), desktop);
    app.show();
    for (const char* name : {"tbScan", "tbDigest", "tbReport", "tbSearch", "tbOptions",
                             "tbGenerator", "tbHelp", "tbAbout", "tbExit"}) {
        SCOPED_TRACE(name);
        const QIcon icon =
            app.windows().main->findChild<QAction*>(QString::fromLatin1(name))->icon();
        ASSERT_FALSE(icon.isNull());
        const QImage normal = icon.pixmap(QSize(32, 32), 1.0, QIcon::Normal).toImage();
        const QImage hot = icon.pixmap(QSize(32, 32), 1.0, QIcon::Active).toImage();
        const QImage disabled = icon.pixmap(QSize(32, 32), 1.0, QIcon::Disabled).toImage();
        EXPECT_EQ(normal.size(), QSize(32, 32));
        EXPECT_NE(normal, hot);
        EXPECT_NE(normal, disabled);
        // Twice the pixels for a screen of twice the density.
        EXPECT_EQ(icon.pixmap(QSize(32, 32), 2.0).size(), QSize(64, 64));
    }
    for (const ThemedImage& image : Images)
        EXPECT_FALSE(svgIcon(QString::fromStdString(dir.path() + "icons/" + image.file)).isNull())
            << image.file;
    EXPECT_FALSE(programIcon(QString::fromStdString(dir.path() + "icons/")).isNull());
}

TEST(ToolbarIcons, AMissingOrBrokenDrawingGivesNoIconAndNoCrash) {
    TempDir dir;
    writeFile(dir.file("broken.svg"), "<svg xmlns='http://www.w3.org/2000/svg'><rect");
    EXPECT_TRUE(svgIcon(QString::fromStdString(dir.file("broken.svg"))).isNull());
    EXPECT_TRUE(svgIcon(QString::fromStdString(dir.file("absent.svg"))).isNull());
    EXPECT_TRUE(iconWithStates(QIcon(), 32).isNull());
}
