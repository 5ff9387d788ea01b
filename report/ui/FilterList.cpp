#include "report/ui/FilterList.h"

#include "platform/ui/WindowText.h"

#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>

namespace tl {
namespace {

const QString DragFormat = QStringLiteral("application/x-tunelister-condition");

} // namespace

FilterListModel::FilterListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FilterListModel::setTexts(FilterTexts texts) {
    m_texts = std::move(texts);
    if (!m_conditions.empty())
        Q_EMIT dataChanged(index(0, 0), index(size() - 1, ColumnCount - 1));
}

void FilterListModel::setHeaders(const QString& condition, const QString& field,
                                 const QString& value) {
    m_headers[ConnectiveColumn] = condition;
    m_headers[FieldColumn] = field;
    m_headers[ValueColumn] = value;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void FilterListModel::clear() {
    beginResetModel();
    m_conditions.clear();
    endResetModel();
}

void FilterListModel::append(const FilterCondition& condition) {
    beginInsertRows({}, size(), size());
    m_conditions.push_back(condition);
    endInsertRows();
}

void FilterListModel::replace(int row, const FilterCondition& condition) {
    if (row < 0 || row >= size())
        return;
    m_conditions[static_cast<std::size_t>(row)] = condition;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void FilterListModel::remove(int row) {
    if (row < 0 || row >= size())
        return;
    beginRemoveRows({}, row, row);
    m_conditions.erase(m_conditions.begin() + row);
    endRemoveRows();
    if (row == 0)
        connectivesChanged();
}

bool FilterListModel::moveBefore(int from, int before) {
    if (from < 0 || from >= size() || before < 0 || before >= size() || before == from ||
        before == from + 1)
        return false;
    beginMoveRows({}, from, from, {}, before);
    const auto first = m_conditions.begin();
    if (from < before)
        std::rotate(first + from, first + from + 1, first + before);
    else
        std::rotate(first + before, first + from, first + from + 1);
    endMoveRows();
    connectivesChanged();
    return true;
}

void FilterListModel::connectivesChanged() {
    if (!m_conditions.empty())
        Q_EMIT dataChanged(index(0, ConnectiveColumn), index(size() - 1, ConnectiveColumn));
}

int FilterListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : size();
}

int FilterListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FilterListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= size() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const FilterCondition& condition = at(index.row());
    switch (index.column()) {
    case ConnectiveColumn:
        return index.row() == 0 ? QString() : m_texts.connective(condition.connective);
    case FieldColumn:
        return m_texts.field(condition.field);
    case OperatorColumn:
        return m_texts.op(condition.op);
    case ValueColumn:
        return qText(condition.value);
    default:
        return {};
    }
}

QVariant FilterListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return {};
    return m_headers[section];
}

Qt::ItemFlags FilterListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags; // a drop on no entry does nothing
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled | Qt::ItemNeverHasChildren;
}

Qt::DropActions FilterListModel::supportedDropActions() const {
    return Qt::MoveAction;
}

QStringList FilterListModel::mimeTypes() const {
    return {DragFormat};
}

QMimeData* FilterListModel::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty() || !indexes.front().isValid())
        return nullptr;
    auto* data = new QMimeData;
    // The model's address keeps a drag from another list out of this one.
    data->setData(DragFormat, QStringLiteral("%1:%2")
                                  .arg(reinterpret_cast<quintptr>(this))
                                  .arg(indexes.front().row())
                                  .toLatin1());
    return data;
}

int FilterListModel::draggedRow(const QMimeData* data) const {
    if (!data || !data->hasFormat(DragFormat))
        return -1;
    const QList<QByteArray> parts = data->data(DragFormat).split(':');
    bool ownOk = false;
    bool rowOk = false;
    if (parts.size() != 2 || parts[0].toULongLong(&ownOk) != reinterpret_cast<quintptr>(this))
        return -1;
    const int row = parts[1].toInt(&rowOk);
    return ownOk && rowOk && row >= 0 && row < size() ? row : -1;
}

FilterListView::FilterListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    // An entry is dropped on another, not between two.
    setDragDropOverwriteMode(true);
    header()->setStretchLastSection(true);
    header()->setSectionsMovable(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

FilterListModel* FilterListView::filterModel() const {
    return qobject_cast<FilterListModel*>(model());
}

int FilterListView::selectedRow() const {
    if (!selectionModel())
        return -1;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void FilterListView::selectRow(int row) {
    if (!model() || row < 0 || row >= model()->rowCount())
        return;
    setCurrentIndex(model()->index(row, 0));
    selectionModel()->select(model()->index(row, 0),
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void FilterListView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        if (selectedRow() >= 0) {
            Q_EMIT editRequested();
            event->accept();
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

void FilterListView::startDrag(Qt::DropActions) {
    FilterListModel* model = filterModel();
    const int row = selectedRow();
    if (!model || row < 0)
        return;
    // The entry is moved by the drop itself, so nothing is removed when the drag ends.
    auto* drag = new QDrag(this);
    drag->setMimeData(model->mimeData({model->index(row, 0)}));
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

void FilterListView::dragMoveEvent(QDragMoveEvent* event) {
    FilterListModel* model = filterModel();
    if (!model || model->draggedRow(event->mimeData()) < 0) {
        event->ignore();
        return;
    }
    QTreeView::dragMoveEvent(event);
}

void FilterListView::dropEvent(QDropEvent* event) {
    FilterListModel* model = filterModel();
    const int from = model ? model->draggedRow(event->mimeData()) : -1;
    if (from < 0) {
        event->ignore();
        return;
    }
    const QModelIndex target = indexAt(event->position().toPoint());
    if (target.isValid() && model->moveBefore(from, target.row()))
        selectRow(from < target.row() ? target.row() - 1 : target.row());
    event->setDropAction(Qt::MoveAction);
    event->accept();
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}

} // namespace tl
