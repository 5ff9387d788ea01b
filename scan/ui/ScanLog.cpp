#include "scan/ui/ScanLog.h"

#include <QApplication>
#include <QStyle>

namespace tl {
namespace {

int indexOf(Severity severity) {
    const int i = static_cast<int>(severity);
    return i >= 0 && i < 3 ? i : 2;
}

} // namespace

QIcon severityIcon(Severity severity) {
    struct Source {
        const char* themeName;
        QStyle::StandardPixmap standard;
    };
    static const Source sources[] = {
        {"dialog-information", QStyle::SP_MessageBoxInformation},
        {"dialog-warning", QStyle::SP_MessageBoxWarning},
        {"dialog-error", QStyle::SP_MessageBoxCritical},
    };
    const Source& source = sources[indexOf(severity)];
    const QString name = QString::fromLatin1(source.themeName);
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return QApplication::style()->standardIcon(source.standard);
}

ScanLogModel::ScanLogModel(QObject* parent) : QAbstractListModel(parent) {
    for (int i = 0; i < 3; ++i)
        m_icons[static_cast<std::size_t>(i)] = severityIcon(static_cast<Severity>(i));
}

void ScanLogModel::setSeverityNames(const std::array<QString, 3>& names) {
    m_severityNames = names;
    if (!m_lines.empty())
        Q_EMIT dataChanged(index(0), index(rowCount() - 1),
                           {Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
}

void ScanLogModel::clear() {
    beginResetModel();
    m_lines.clear();
    endResetModel();
}

void ScanLogModel::append(std::vector<LogLine> lines) {
    if (lines.empty())
        return;
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(lines.size()) - 1);
    m_lines.insert(m_lines.end(), std::make_move_iterator(lines.begin()),
                   std::make_move_iterator(lines.end()));
    endInsertRows();
}

int ScanLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant ScanLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const LogLine& line = m_lines[static_cast<std::size_t>(index.row())];
    const auto severity = static_cast<std::size_t>(indexOf(line.severity));
    switch (role) {
    case Qt::DisplayRole:
        return line.text;
    case Qt::DecorationRole:
        return m_icons[severity];
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return m_severityNames[severity];
    case SeverityRole:
        return static_cast<int>(line.severity);
    default:
        return {};
    }
}

QByteArray logFileContents(const QString& header, const std::vector<LogLine>& lines) {
    QByteArray bytes;
    const auto add = [&bytes](const QString& text) {
        QByteArray line = text.toUtf8();
        line.replace("\n", "\r\n");
        bytes += line;
        bytes += "\r\n";
    };
    add(header);
    add(QString());
    for (const LogLine& line : lines)
        add(line.text);
    return bytes;
}

} // namespace tl
