#pragma once
/**
 * @file FilterList.h
 * The wizard's list of search conditions: a model of four columns (connective, field,
 * operator, value) over the conditions in the order they are joined, and its view, in
 * which an entry is dragged onto another to move it just before that one.
 *
 * The first condition's connective plays no part in a search, so the list shows none for
 * it, whichever condition is first.
 */
#include "report/Filter.h"
#include "report/ui/FilterTexts.h"

#include <QAbstractTableModel>
#include <QTreeView>

#include <vector>

namespace tl {

class FilterListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ConnectiveColumn = 0, FieldColumn, OperatorColumn, ValueColumn, ColumnCount };

    explicit FilterListModel(QObject* parent = nullptr);

    /** The words the entries are shown with. */
    void setTexts(FilterTexts texts);
    /** The column headers (the operator column has none). */
    void setHeaders(const QString& condition, const QString& field, const QString& value);

    const std::vector<FilterCondition>& conditions() const { return m_conditions; }
    const FilterCondition& at(int row) const {
        return m_conditions.at(static_cast<std::size_t>(row));
    }
    int size() const { return static_cast<int>(m_conditions.size()); }

    void clear();
    void append(const FilterCondition& condition);
    void replace(int row, const FilterCondition& condition);
    void remove(int row);
    /** Moves entry @p from to just before entry @p before; false when nothing moves
     *  (either row is outside the list, or the entry already stands there). */
    bool moveBefore(int from, int before);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    /** The entry carried by a drag of this model, or -1 for anything else. */
    int draggedRow(const QMimeData* data) const;

private:
    void connectivesChanged();

    std::vector<FilterCondition> m_conditions;
    FilterTexts m_texts;
    QString m_headers[ColumnCount];
};

/** The view of the conditions: Enter asks for the selected entry to be edited, and an
 *  entry dropped on another moves just before it. */
class FilterListView : public QTreeView {
    Q_OBJECT
public:
    explicit FilterListView(QWidget* parent = nullptr);

    FilterListModel* filterModel() const;
    /** The selected entry, or -1. */
    int selectedRow() const;
    void selectRow(int row);

Q_SIGNALS:
    /** Enter or Return on an entry. */
    void editRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace tl
