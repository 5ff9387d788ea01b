// _ConfigurePugin of mp3.so inside a running Qt application: a modal message box owned
// by the window whose id the host passes.
#include "plugins/Pluginmanager.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>

namespace tl {
namespace {

struct Seen {
    QString text;
    QString caption;
    QWidget* parent = nullptr;
    bool modal = false;
    bool shown = false;
};

/** Calls configure while a timer watches for the modal box, records it and closes it. */
Seen configureAndClose(PluginManager& plugins, int index, std::uint32_t owner) {
    Seen seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = {box->text(), box->windowTitle(), box->parentWidget(), box->isModal(), true};
        box->accept();
    });
    watch.start(10);
    PluginConfigRequest request{};
    request.ownerWindow = owner;
    EXPECT_EQ(plugins.configure(index, request), 0);
    return seen;
}

TEST(Mp3PluginConfigure, ShowsAModalBoxOwnedByTheGivenWindow) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "test_mp3configure";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    PluginManager plugins(std::string(std::getenv("TL_APP_DIR")) + "/plugins/");
    ASSERT_TRUE(plugins.load());
    const int index = plugins.findByExtension("MP3");
    ASSERT_GE(index, 0);

    QWidget owner;
    owner.show();
    const Seen owned = configureAndClose(plugins, index, static_cast<std::uint32_t>(owner.winId()));
    ASSERT_TRUE(owned.shown);
    // It says what it reads, and where modern reading is switched.
    EXPECT_TRUE(owned.text.startsWith(QStringLiteral("MP3 Plugin\n"))) << owned.text.toStdString();
    EXPECT_TRUE(owned.text.contains(QStringLiteral("ID3v2.4")));
    EXPECT_TRUE(owned.text.contains(QStringLiteral("UTF-16")));
    EXPECT_TRUE(owned.text.contains(QStringLiteral("modernTags")));
    EXPECT_EQ(owned.caption, QStringLiteral("Tunelister MP3 Plugin"));
    EXPECT_EQ(owned.parent, &owner);
    EXPECT_TRUE(owned.modal);

    // A window id that names no window: the box still shows, without an owner.
    const Seen unowned = configureAndClose(plugins, index, 0x7FFFFFF0u);
    ASSERT_TRUE(unowned.shown);
    EXPECT_EQ(unowned.parent, nullptr);
}

} // namespace
} // namespace tl
