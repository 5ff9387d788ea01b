// The digest prompt: what each way of answering it gives the digest, and what the user
// can type into it.
#include "digest/ui/DigestPrompt.h"

#include "frontend/ui/LocaleText.h"
#include "shell/Application.h"
#include "support/Accessibility.h"
#include "support/ScriptedDesktop.h"
#include "support/TestApp.h"
#include "support/UiSteps.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tl;
using namespace tl::test;

namespace {

Fields derivedAlbum() {
    Fields album = emptyRecord();
    album[Path] = "Music/Blue Lake - Northern Roads";
    album[Artist] = "Blue Lake";
    album[Album] = "Northern Roads";
    album[Genre] = "Rock, Pop";
    album[Year] = "1991";
    album[Track] = "3";
    return album;
}

class DigestPromptTest : public ::testing::Test {
protected:
    void SetUp() override { app.show(); }

    template <typename W = QWidget> W* control(const char* name) {
        W* w = prompt.findChild<W*>(QString::fromLatin1(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    QString text(const char* key) {
        return localeQText(*app.context().locale, "DialogDigestPrompt", key);
    }

    TestAppDir dir;
    ScriptedDesktop desktop;
    Application app{dir.path(), desktop};
    DigestPrompt& prompt = *app.windows().digestPrompt;
};

} // namespace

// OK, Auto and Escape: what the digest gets, and whether the rest of the run asks.
TEST_F(DigestPromptTest, EachAnswerGivesTheDigestItsAlbumAndSaysWhetherToAskAgain) {
    enum class Way { Ok, AutoButton, Escape };
    for (const Way way : {Way::Ok, Way::AutoButton, Way::Escape}) {
        SCOPED_TRACE(static_cast<int>(way));
        prompt.setAutoComplete(false);
        whenVisible(&prompt, [&] {
            EXPECT_EQ(control<QPlainTextEdit>("mmoPath")->toPlainText(),
                      QStringLiteral("Music/Blue Lake - Northern Roads"));
            EXPECT_EQ(control<QLineEdit>("edtArtist")->text(), QStringLiteral("Blue Lake"));
            EXPECT_EQ(control<QLineEdit>("edtYear")->text(), QStringLiteral("1991"));
            QLineEdit* genre = control<QLineEdit>("edtGenre");
            genre->selectAll();
            QTest::keyClicks(genre, QStringLiteral("Folk"));
            switch (way) {
            case Way::Ok:
                QTest::keyClick(control("edtAlbum"), Qt::Key_Return);
                break;
            case Way::AutoButton:
                control<QPushButton>("cmdCancel")->click();
                break;
            case Way::Escape:
                QTest::keyClick(&prompt, Qt::Key_Escape);
                break;
            }
        });
        const AlbumAnswer answer = prompt.confirm(derivedAlbum());
        EXPECT_FALSE(prompt.isVisible());
        if (way == Way::Ok) {
            ASSERT_TRUE(answer.album);
            Fields expected = derivedAlbum();
            expected[Genre] = "Folk"; // changed although only artist and album were derived
            EXPECT_EQ(*answer.album, expected);
            EXPECT_FALSE(answer.completeRest);
            EXPECT_FALSE(prompt.autoComplete());
        } else {
            EXPECT_FALSE(answer.album); // the derived values stay
            EXPECT_TRUE(answer.completeRest);
            EXPECT_TRUE(prompt.autoComplete());
            // From now on nothing is asked: confirm() returns without showing the window.
            bool shown = false;
            QTimer* watch = whenVisible(&prompt, [&] {
                shown = true;
                prompt.abandon();
            });
            const AlbumAnswer next = prompt.confirm(derivedAlbum());
            delete watch;
            EXPECT_FALSE(shown);
            EXPECT_FALSE(next.album);
            EXPECT_TRUE(next.completeRest);
        }
    }
}

TEST_F(DigestPromptTest, EmptiedFieldIsEmptiedAndUntouchedFieldsKeepTheirBytes) {
    Fields album = derivedAlbum();
    album[Album] = "Caf\xE9"; // a tag's Latin-1 byte, not UTF-8: shown, but kept as it was
    whenVisible(&prompt, [&] {
        control<QLineEdit>("edtArtist")->clear();
        control<QLineEdit>("edtArtist")->setModified(true);
        control<QPushButton>("cmdOk")->click();
    });
    const AlbumAnswer answer = prompt.confirm(album);
    ASSERT_TRUE(answer.album);
    EXPECT_EQ((*answer.album)[Artist], "");
    EXPECT_EQ((*answer.album)[Album], "Caf\xE9");
    EXPECT_EQ((*answer.album)[Path], album[Path]);
}

// At most 64 characters can be typed; a longer derived value is shown and kept whole.
TEST_F(DigestPromptTest, TypingStopsAt64CharactersButALongerDerivedValueIsKept) {
    Fields album = derivedAlbum();
    const std::string longName(70, 'n');
    album[Album] = longName;
    whenVisible(&prompt, [&] {
        QLineEdit* artist = control<QLineEdit>("edtArtist");
        artist->clear();
        QTest::keyClicks(artist, QString(70, QLatin1Char('a')));
        EXPECT_EQ(artist->text().size(), 64);
        QLineEdit* albumEdit = control<QLineEdit>("edtAlbum");
        EXPECT_EQ(albumEdit->text().size(), 70);
        albumEdit->end(false);
        QTest::keyClicks(albumEdit, QStringLiteral("xyz"));
        EXPECT_EQ(albumEdit->text().size(), 70);
        control<QPushButton>("cmdOk")->click();
    });
    const AlbumAnswer answer = prompt.confirm(album);
    ASSERT_TRUE(answer.album);
    EXPECT_EQ((*answer.album)[Artist], std::string(64, 'a'));
    EXPECT_EQ((*answer.album)[Album], longName);
}

TEST_F(DigestPromptTest, TextsComeFromTheLocaleAndEveryControlIsNamedAndReachable) {
    EXPECT_EQ(prompt.windowTitle(), text("Caption"));
    EXPECT_EQ(control<QLabel>("lblArtist")->text(), text("Artist"));
    EXPECT_EQ(control<QLabel>("lblYear")->text(), text("Year"));
    EXPECT_EQ(control<QCheckBox>("chkAuto")->text(), text("AutoComplete"));
    EXPECT_EQ(control<QPushButton>("cmdCancel")->text(), text("Auto"));
    EXPECT_TRUE(control<QPushButton>("cmdOk")->isDefault());
    expectEveryControlNamed(&prompt);
    EXPECT_EQ(control("edtGenre")->accessibleName(), QStringLiteral("Genre:"));

    // Tab order: the path is skipped; artist, album, genre, year, then the buttons. The walk
    // starts once the prompt holds the focus, which a loaded machine gives it some time
    // after showing it.
    const auto focused = [&] {
        return prompt.isVisible() && prompt.isAncestorOf(QApplication::focusWidget());
    };
    whenTrue(&prompt, focused, [&] {
        EXPECT_FALSE(control("chkAuto")->isVisible());
        EXPECT_FALSE(control("mmoPath")->focusPolicy() & Qt::TabFocus);
        QStringList order;
        for (int i = 0; i < 6 && QApplication::focusWidget(); ++i) {
            order += QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        EXPECT_EQ(order, (QStringList{QStringLiteral("edtArtist"), QStringLiteral("edtAlbum"),
                                      QStringLiteral("edtGenre"), QStringLiteral("edtYear"),
                                      QStringLiteral("cmdOk"), QStringLiteral("cmdCancel")}));
        control<QPushButton>("cmdOk")->click();
    });
    prompt.confirm(derivedAlbum());
}

// A question whose run was stopped is closed without an answer and without switching
// auto-complete on.
TEST_F(DigestPromptTest, AbandonedQuestionKeepsTheDerivedValuesAndAsksAgainNextTime) {
    whenVisible(&prompt, [&] {
        EXPECT_TRUE(prompt.isAsking());
        prompt.abandon();
    });
    const AlbumAnswer answer = prompt.confirm(derivedAlbum());
    EXPECT_FALSE(answer.album);
    EXPECT_FALSE(answer.completeRest);
    EXPECT_FALSE(prompt.autoComplete());
    EXPECT_FALSE(prompt.isAsking());
}
