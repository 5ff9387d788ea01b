#pragma once
/**
 * @file ScanLog.h
 * The scan window's log: one line per message of the scan, with the icon of its severity
 * (information, warning, error). A log of 10,000 lines is a model appended in batches,
 * and each line tells its severity to screen readers (accessible description) and to the
 * mouse (tooltip). Saved, the log is text with CR LF line ends.
 */
#include "locale/Message.h"

#include <QAbstractListModel>
#include <QIcon>
#include <QString>

#include <array>
#include <vector>

namespace tl {

/** One line of the log. */
struct LogLine {
    QString text;
    Severity severity = Severity::Information;
};

/** The icon of a log line or message of @p severity: the desktop theme's, else Qt's. */
QIcon severityIcon(Severity severity);

class ScanLogModel : public QAbstractListModel {
    Q_OBJECT
public:
    /** The line's Severity, as an int. */
    static constexpr int SeverityRole = Qt::UserRole;

    explicit ScanLogModel(QObject* parent = nullptr);

    /** The words for information, warning and error, in that order. */
    void setSeverityNames(const std::array<QString, 3>& names);

    void clear();
    /** Appends @p lines at the end, as one insertion. */
    void append(std::vector<LogLine> lines);
    const std::vector<LogLine>& lines() const { return m_lines; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::vector<LogLine> m_lines;
    std::array<QIcon, 3> m_icons;
    std::array<QString, 3> m_severityNames;
};

/** The log as a file: @p header, an empty line, then every line's text; every line end
 *  (also one inside a text) is CR LF. */
QByteArray logFileContents(const QString& header, const std::vector<LogLine>& lines);

} // namespace tl
