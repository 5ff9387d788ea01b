#include "report/ui/FilterDialog.h"

#include "frontend/ui/LocaleText.h"
#include "locale/Profile.h"
#include "shell/Application.h"
#include "support/Accessibility.h"
#include "support/ScriptedDesktop.h"
#include "support/TestApp.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tl;
using namespace tl::test;

namespace {

class FilterDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<Application>(dir.path(), desktop);
        app->show();
        dialog = app->windows().filter;
        ASSERT_NE(dialog, nullptr);
    }

    template <typename T> T* child(const char* name) {
        T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString lcl(const char* section, const char* key) {
        return localeQText(*app->context().locale, section, key);
    }
    /** Opens the dialog on @p condition and presses OK, as a user does. */
    void pressOk(const FilterCondition& condition) {
        desktop.shown.clear();
        dialog->load(condition, true);
        dialog->setResult(QDialog::Rejected);
        dialog->show();
        child<QPushButton>("cmdOk")->click();
    }
    QStringList entries(const char* list) {
        QStringList texts;
        auto* box = child<QComboBox>(list);
        for (int i = 0; i < box->count(); ++i)
            texts += box->itemText(i);
        return texts;
    }

    TestAppDir dir;
    ScriptedDesktop desktop;
    std::unique_ptr<Application> app;
    FilterDialog* dialog = nullptr;
};

} // namespace

TEST_F(FilterDialogTest, ListsHoldTheConnectivesTheTwentyOneFieldsAndTheSixOperators) {
    const QStringList connectives = entries("lstCondition");
    EXPECT_EQ(connectives, QStringList({QStringLiteral("  ") + lcl("DialogFilter", "AND"),
                                        lcl("DialogFilter", "OR")}));

    const QStringList fields = entries("lstField");
    ASSERT_EQ(fields.size(), 21);
    EXPECT_EQ(fields.at(0), lcl("Fields", "Field0") + QStringLiteral(" (VolDescription)"));
    EXPECT_EQ(fields.at(1), lcl("Fields", "Field1") + QStringLiteral(" (Artist)"));
    EXPECT_EQ(fields.at(2), lcl("Fields", "Field3") + QStringLiteral(" (Album)"));
    EXPECT_EQ(fields.at(20), lcl("Fields", "Field23") + QStringLiteral(" (ScanDate)"));
    for (const QString& name :
         {QStringLiteral("(Title)"), QStringLiteral("(FName)"), QStringLiteral("(Binary)")})
        EXPECT_FALSE(fields.join(QLatin1Char('|')).contains(name)) << name.toStdString();

    QStringList operators;
    for (const char* key : {"opBegins", "opContains", "opEqual", "opNotEqual", "opGE", "opLE"})
        operators += lcl("DialogFilter", key);
    EXPECT_EQ(entries("lstOperator"), operators);
    for (const char* list : {"lstCondition", "lstField", "lstOperator"})
        EXPECT_EQ(child<QComboBox>(list)->currentIndex(), 0) << list;
    expectEveryControlNamed(dialog);
}

TEST_F(FilterDialogTest, ShowsAConditionAndGivesBackWhatTheControlsHold) {
    FilterCondition year{Year, FilterOperator::GreaterEqual, FilterConnective::Or, "1990"};
    dialog->load(year, false);
    EXPECT_EQ(child<QComboBox>("lstField")->currentIndex(), 3); // Title is not in the list
    EXPECT_EQ(child<QComboBox>("lstOperator")->currentIndex(), 4);
    EXPECT_EQ(child<QComboBox>("lstCondition")->currentIndex(), 1);
    EXPECT_FALSE(child<QComboBox>("lstCondition")->isEnabled());
    EXPECT_EQ(child<QLineEdit>("edtValue")->text(), QStringLiteral("1990"));

    child<QComboBox>("lstField")->setCurrentIndex(18); // Track
    child<QComboBox>("lstOperator")->setCurrentIndex(5);
    const FilterCondition edited = dialog->condition();
    EXPECT_EQ(edited.field, Track);
    EXPECT_EQ(edited.op, FilterOperator::LessEqual);
    EXPECT_EQ(edited.connective, FilterConnective::Or);

    dialog->load(FilterCondition{}, true);
    EXPECT_TRUE(child<QComboBox>("lstCondition")->isEnabled());
    EXPECT_EQ(child<QComboBox>("lstField")->currentIndex(), 0);
}

// OK checks the value by the kind of the field: a number field asks (No is the default and
// keeps the dialog open), a time or a date that does not read is a stop notice.
TEST_F(FilterDialogTest, OkChecksTheValueByTheKindOfTheField) {
    struct Case {
        const char* what;
        int field;
        const char* value;
        std::deque<bool> answers;
        const char* messageKey; // DialogFilter/<key>, or none
        bool question;
        MessageIcon icon;
        bool accepted;
    };
    const Case cases[] = {
        {"number field, letters, No",
         Year,
         "199x",
         {false},
         "ErrNumberExpected",
         true,
         MessageIcon::Warning,
         false},
        {"number field, letters, Enter takes the default No",
         Year,
         "199x",
         {},
         "ErrNumberExpected",
         true,
         MessageIcon::Warning,
         false},
        {"number field, letters, Yes",
         Size,
         "12k",
         {true},
         "ErrNumberExpected",
         true,
         MessageIcon::Warning,
         true},
        {"number field, digits", Bitrate, "192", {}, nullptr, false, MessageIcon::Warning, true},
        {"number field, empty", Track, "", {}, nullptr, false, MessageIcon::Warning, true},
        {"time that does not read",
         Length,
         "long",
         {},
         "ErrTimeExpected",
         false,
         MessageIcon::Error,
         false},
        {"time", Length, "3:45", {}, nullptr, false, MessageIcon::Error, true},
        {"date that does not exist",
         Date,
         "31.4.2001",
         {},
         "ErrDateExpected",
         false,
         MessageIcon::Error,
         false},
        {"scan date that does not read",
         ScanDate,
         "soon",
         {},
         "ErrDateExpected",
         false,
         MessageIcon::Error,
         false},
        {"date", Date, "1.5.2001", {}, nullptr, false, MessageIcon::Error, true},
        {"text field takes anything",
         Artist,
         "12:xx",
         {},
         nullptr,
         false,
         MessageIcon::Error,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        desktop.answers = c.answers;
        pressOk(FilterCondition{c.field, FilterOperator::Equal, FilterConnective::And, c.value});
        if (c.messageKey) {
            ASSERT_EQ(desktop.shown.size(), 1u);
            // The program reads dates day first until the options say otherwise.
            EXPECT_EQ(desktop.shown[0].text,
                      localeQText(*app->context().locale, "DialogFilter", c.messageKey,
                                  {"dd.mm.yyyy", "31.12.2001"}));
            EXPECT_EQ(desktop.shown[0].question, c.question);
            EXPECT_EQ(desktop.shown[0].icon, c.icon);
        } else {
            EXPECT_TRUE(desktop.shown.empty());
        }
        EXPECT_EQ(dialog->isVisible(), !c.accepted);
        EXPECT_EQ(dialog->result() == QDialog::Accepted, c.accepted);
        dialog->hide();
    }
}

// The date format of the options decides how a date is read, and the refusal names it.
TEST_F(FilterDialogTest, DatesAreReadInTheDateFormatOfTheOptions) {
    struct Case {
        bool usDate;
        const char* value;
        const char* refusalPattern; // named by the refusal, or none when accepted
        const char* refusalExample;
    };
    const Case cases[] = {
        {false, "31.12.2001", nullptr, nullptr},
        {false, "12/31/2001", "dd.mm.yyyy", "31.12.2001"},
        {true, "12/31/2001", nullptr, nullptr},
        {true, "31.12.2001", "mm/dd/yyyy", "12/31/2001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value) + (c.usDate ? " month first" : " day first"));
        app->context().settings->usDate = c.usDate;
        pressOk(FilterCondition{Date, FilterOperator::Equal, FilterConnective::And, c.value});
        if (c.refusalPattern) {
            ASSERT_EQ(desktop.shown.size(), 1u);
            EXPECT_EQ(desktop.shown[0].text,
                      localeQText(*app->context().locale, "DialogFilter", "ErrDateExpected",
                                  {c.refusalPattern, c.refusalExample}));
        } else {
            EXPECT_TRUE(desktop.shown.empty());
        }
        EXPECT_EQ(dialog->result() == QDialog::Accepted, !c.refusalPattern);
        dialog->hide();
    }
}

TEST_F(FilterDialogTest, EditChangesTheConditionOnlyOnOk) {
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok);
        FilterCondition condition{Artist, FilterOperator::Contains, FilterConnective::And, "ab"};
        QTimer::singleShot(0, dialog, [&] {
            child<QComboBox>("lstCondition")->setCurrentIndex(1);
            child<QComboBox>("lstOperator")->setCurrentIndex(2);
            child<QLineEdit>("edtValue")->setText(QStringLiteral("Amber"));
            child<QPushButton>(ok ? "cmdOk" : "cmdCancel")->click();
        });
        EXPECT_EQ(dialog->edit(condition, true), ok);
        EXPECT_EQ(condition.value, ok ? "Amber" : "ab");
        EXPECT_EQ(condition.op, ok ? FilterOperator::Equal : FilterOperator::Contains);
        EXPECT_EQ(condition.connective, ok ? FilterConnective::Or : FilterConnective::And);
        EXPECT_EQ(condition.field, Artist);
    }
}

// The value holds at most 100 bytes of UTF-8, so what the user sees is what is searched.
TEST_F(FilterDialogTest, ValueTakesAtMostAHundredBytes) {
    auto* value = child<QLineEdit>("edtValue");
    dialog->load(FilterCondition{}, true);
    value->clear();
    QTest::keyClicks(value, QString(120, QLatin1Char('a')));
    EXPECT_EQ(value->text().size(), 100);
    value->clear();
    for (int i = 0; i < 80; ++i) { // typed one by one: two bytes each
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString(QChar(0x00E9)));
        QCoreApplication::sendEvent(value, &key);
    }
    EXPECT_EQ(value->text().size(), 50);
    EXPECT_EQ(dialog->condition().value.size(), 100u);
}
