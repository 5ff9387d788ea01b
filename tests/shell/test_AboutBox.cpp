#include "shell/AboutBox.h"

#include "shell/Application.h"
#include "support/Accessibility.h"
#include "support/ScriptedDesktop.h"
#include "support/TestApp.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include <gtest/gtest.h>

using namespace tl;
using namespace tl::test;

namespace {

QString labelText(QWidget* box, const char* name) {
    auto* label = box->findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("(no label)");
}

const std::string Header = "[General]\nLCLVersion=1\nLCLCompatibility=1\n";

} // namespace

// The language pack and the box's own texts come from the language in use, key by key
// from the default language where the user's lacks one.
TEST(AboutBox, TextsComeFromTheLanguageInUse) {
    struct Case {
        const char* what;
        std::string locale, fallback; // "" keeps the shipped file
        const char *caption, *language, *translator, *languageLabel;
    };
    const char* missing = "Missing localization message string";
    const std::vector<Case> cases{
        {"own language",
         Header + "Language=Esperanto\nTranslator=Ana Verda\n[DialogAbout]\nCaption=Pri\n"
                  "Language=Lingvo:\n",
         "", "Pri", "Esperanto", "Ana Verda", "Lingvo:"},
        {"translator taken from the default language", Header + "Language=Esperanto\n", "",
         "About Tunelister", "Esperanto", "The Tunelister team", "Language:"},
        {"translator in neither file", Header + "Language=Esperanto\n", Header, missing,
         "Esperanto", missing, missing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestAppDir dir;
        writeFile(dir.file("locale.lcl"), c.locale);
        if (!c.fallback.empty())
            writeFile(dir.file("default.lcl"), c.fallback);
        ScriptedDesktop desktop;
        Application app(dir.path(), desktop);
        app.show();
        AboutBox* box = app.windows().about;
        EXPECT_EQ(box->windowTitle(), QString::fromUtf8(c.caption));
        EXPECT_EQ(labelText(box, "lblLang"), QString::fromUtf8(c.language));
        EXPECT_EQ(labelText(box, "lblTranslatorName"), QString::fromUtf8(c.translator));
        EXPECT_EQ(labelText(box, "lblLanguage"), QString::fromUtf8(c.languageLabel));
        EXPECT_EQ(labelText(box, "ProductName"), QStringLiteral("Tunelister"));
        EXPECT_FALSE(
            box->findChild<QGroupBox*>(QStringLiteral("grpLanguagePack"))->title().isEmpty());
    }
}

TEST(AboutBox, TheVersionIsSetWhenTheBoxIsShownAndOkClosesIt) {
    TestAppDir dir;
    ScriptedDesktop desktop;
    Application app(dir.path(), desktop);
    app.show();
    AboutBox* box = app.windows().about;
    EXPECT_EQ(labelText(box, "lblVer"), QStringLiteral("1.0 alpha"));
    box->show();
    EXPECT_EQ(labelText(box, "lblVer"), QStringLiteral("1.0"));
    auto* ok = box->findChild<QPushButton*>(QStringLiteral("OKButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->result(), QDialog::Accepted);
}

// Label1 opens the project's web address with the desktop; a build without one links to
// the program's help pages instead.
TEST(AboutBox, TheLinkOpensTheWebAddressOrTheHelpPages) {
    for (const bool withHomepage : {false, true}) {
        SCOPED_TRACE(withHomepage);
        TestAppDir dir;
        ScriptedDesktop desktop;
        Application app(dir.path(), desktop);
        app.show();
        const QString homepage =
            withHomepage ? QStringLiteral("https://example.net/tl") : QString();
        AboutBox box(app.context(), nullptr, homepage);
        box.retranslate();
        auto* link = box.findChild<QLabel*>(QStringLiteral("Label1"));
        ASSERT_NE(link, nullptr);
        Q_EMIT link->linkActivated(box.linkTarget());
        if (withHomepage) {
            EXPECT_EQ(desktop.opened, QStringList{homepage});
            EXPECT_TRUE(desktop.help.empty());
            EXPECT_EQ(link->accessibleName(), homepage);
        } else {
            EXPECT_TRUE(desktop.opened.isEmpty());
            ASSERT_EQ(desktop.help.size(), 1u);
            EXPECT_EQ(desktop.help[0].first, QStringLiteral("introduction.html"));
            EXPECT_EQ(link->accessibleName(), QStringLiteral("Tunelister's help pages"));
            EXPECT_EQ(QUrl(box.linkTarget()).toLocalFile(),
                      QString::fromStdString(dir.path() + "help/introduction.html"));
        }
        EXPECT_NE(link->focusPolicy(), Qt::NoFocus); // reachable from the keyboard
        expectEveryControlNamed(&box);
    }
}
