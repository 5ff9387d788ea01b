// _ConfigurePugin of a TagLib plug-in inside a running Qt application: a modal box owned
// by the window whose id the host passes, saying what the plug-in reads.
#include "plugins/Pluginmanager.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>

namespace tl {
namespace {

TEST(TaglibPluginConfigure, ShowsAModalBoxOwnedByTheGivenWindow) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "test_taglibconfigure";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    PluginManager plugins(std::string(std::getenv("TL_APP_DIR")) + "/plugins/");
    ASSERT_TRUE(plugins.load());
    QWidget owner;
    owner.show();
    for (const char* extension : {"FLAC", "M4A"}) {
        SCOPED_TRACE(extension);
        const int index = plugins.findByExtension(extension);
        ASSERT_GE(index, 0);
        bool seen = false;
        QString text, caption, details;
        QWidget* parent = nullptr;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen = true;
            text = box->text();
            caption = box->windowTitle();
            details = box->informativeText();
            parent = box->parentWidget();
            box->accept();
        });
        watch.start(10);
        PluginConfigRequest request{};
        request.ownerWindow = static_cast<std::uint32_t>(owner.winId());
        EXPECT_EQ(plugins.configure(index, request), 0);
        ASSERT_TRUE(seen);
        const QString label = extension == std::string("FLAC") ? QStringLiteral("FLAC")
                                                               : QStringLiteral("MPEG-4 audio");
        EXPECT_EQ(text, label + QStringLiteral(" Plugin"));
        EXPECT_EQ(caption, QStringLiteral("Tunelister ") + label + QStringLiteral(" Plugin"));
        EXPECT_TRUE(details.contains(QStringLiteral("TagLib"))) << details.toStdString();
        EXPECT_EQ(parent, &owner);
    }
}

} // namespace
} // namespace tl
