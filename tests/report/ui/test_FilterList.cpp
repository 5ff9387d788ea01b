#include "report/ui/FilterList.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace tl;

namespace {

FilterTexts texts() {
    FilterTexts t;
    t.connectives = {QStringLiteral("  and"), QStringLiteral("or")};
    for (int i = 0; i < FieldChoiceCount; ++i)
        t.fields += QStringLiteral("field %1").arg(fieldFromChoice(i));
    for (int i = 0; i < 6; ++i)
        t.operators += QStringLiteral("op %1").arg(i);
    return t;
}

FilterCondition condition(const char* value, FilterConnective connective = FilterConnective::And) {
    return {Artist, FilterOperator::Contains, connective, value};
}

QString values(const FilterListModel& model) {
    QStringList list;
    for (const FilterCondition& c : model.conditions())
        list += QString::fromStdString(c.value);
    return list.join(QLatin1Char(' '));
}

QString connectiveShown(const FilterListModel& model, int row) {
    return model.data(model.index(row, FilterListModel::ConnectiveColumn), Qt::DisplayRole)
        .toString();
}

// A list of P, Q (or), R (and) in a view of its own.
class FilterListTest : public ::testing::Test {
protected:
    void SetUp() override {
        model.setTexts(texts());
        model.setHeaders(QStringLiteral("Condition"), QStringLiteral("Field"),
                         QStringLiteral("Value"));
        model.append(condition("P"));
        model.append(condition("Q", FilterConnective::Or));
        model.append(condition("R"));
        view.setModel(&model);
        view.resize(400, 300);
        view.show();
    }

    // What the view does with an entry of this list dropped at the middle of @p row (or
    // below the last entry for -1).
    void drop(int draggedRow, int row) {
        std::unique_ptr<QMimeData> data(model.mimeData({model.index(draggedRow, 0)}));
        ASSERT_NE(data, nullptr);
        QPoint at;
        if (row >= 0) {
            at = view.visualRect(model.index(row, 1)).center();
        } else {
            const QRect last = view.visualRect(model.index(model.size() - 1, 1));
            at = QPoint(last.center().x(), last.bottom() + 20);
        }
        QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &enter);
        QDragMoveEvent move(at, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &move);
        QDropEvent dropped(at, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &dropped);
    }

    FilterListModel model;
    FilterListView view;
};

} // namespace

TEST_F(FilterListTest, ShowsFourColumnsAndNoConnectiveForTheFirstEntry) {
    ASSERT_EQ(model.columnCount(), 4);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Condition"));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Field"));
    EXPECT_EQ(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), QString());
    EXPECT_EQ(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Value"));
    EXPECT_EQ(connectiveShown(model, 0), QString());
    EXPECT_EQ(connectiveShown(model, 1), QStringLiteral("or"));
    EXPECT_EQ(connectiveShown(model, 2), QStringLiteral("  and"));
    EXPECT_EQ(model.data(model.index(1, 1), Qt::DisplayRole).toString(), QStringLiteral("field 1"));
    EXPECT_EQ(model.data(model.index(1, 2), Qt::DisplayRole).toString(), QStringLiteral("op 1"));
    EXPECT_EQ(model.data(model.index(1, 3), Qt::DisplayRole).toString(), QStringLiteral("Q"));
}

// An entry moves to just before the one it is dropped on; on itself, or just before where
// it already is, nothing changes.
TEST_F(FilterListTest, MoveBeforePutsAnEntryJustBeforeAnother) {
    struct Case {
        int from, before;
        bool moves;
        const char* order;
    };
    const Case cases[] = {
        {1, 0, true, "Q P R"},   {0, 2, true, "Q P R"},  {2, 0, true, "R P Q"},
        {0, 1, false, "P Q R"},  {1, 1, false, "P Q R"}, {0, 3, false, "P Q R"},
        {-1, 0, false, "P Q R"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " before " << c.before);
        FilterListModel m;
        m.setTexts(texts());
        for (const char* v : {"P", "Q", "R"})
            m.append(condition(v));
        EXPECT_EQ(m.moveBefore(c.from, c.before), c.moves);
        EXPECT_EQ(values(m), QString::fromLatin1(c.order));
    }
}

TEST_F(FilterListTest, DraggingTheOrConditionToTheTopShowsItWithoutConnective) {
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    drop(1, 0);
    EXPECT_EQ(values(model), QStringLiteral("Q P R"));
    EXPECT_EQ(model.at(0).connective, FilterConnective::Or); // kept, but plays no part
    EXPECT_EQ(connectiveShown(model, 0), QString());
    EXPECT_EQ(connectiveShown(model, 1), QStringLiteral("  and"));
    EXPECT_EQ(view.selectedRow(), 0);
    // The connective column is drawn anew for every entry.
    ASSERT_FALSE(changed.isEmpty());
    const auto last = changed.takeLast();
    EXPECT_EQ(last.at(0).toModelIndex().row(), 0);
    EXPECT_EQ(last.at(1).toModelIndex().row(), 2);
}

TEST_F(FilterListTest, DroppingOnItselfOrOnNoEntryChangesNothing) {
    drop(1, 1);
    EXPECT_EQ(values(model), QStringLiteral("P Q R"));
    drop(0, -1);
    EXPECT_EQ(values(model), QStringLiteral("P Q R"));
    drop(2, 0);
    EXPECT_EQ(values(model), QStringLiteral("R P Q"));
}

TEST_F(FilterListTest, DropsFromAnotherListAreRefused) {
    FilterListModel other;
    other.append(condition("X"));
    std::unique_ptr<QMimeData> data(other.mimeData({other.index(0, 0)}));
    EXPECT_EQ(model.draggedRow(data.get()), -1);
    EXPECT_EQ(other.draggedRow(data.get()), 0);
    QMimeData text;
    text.setText(QStringLiteral("0"));
    EXPECT_EQ(model.draggedRow(&text), -1);
}

TEST_F(FilterListTest, RemovingTheFirstEntryShowsTheNewFirstWithoutConnective) {
    model.remove(0);
    EXPECT_EQ(values(model), QStringLiteral("Q R"));
    EXPECT_EQ(connectiveShown(model, 0), QString());
}

TEST_F(FilterListTest, EnterOnASelectedEntryAsksForItToBeEdited) {
    QSignalSpy edit(&view, &FilterListView::editRequested);
    view.setFocus();
    view.clearSelection();
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(edit.count(), 0);
    view.selectRow(2);
    QTest::keyClick(&view, Qt::Key_Return);
    QTest::keyClick(&view, Qt::Key_Enter);
    EXPECT_EQ(edit.count(), 2);
}
