#pragma once

#include "monitor/RouteMonitor.h"

#include <QAbstractTableModel>
#include <QString>

#include <map>
#include <string>
#include <vector>

namespace tg {

// The rows of the hop table: a hop's figures on its first row, each further address that
// answered it on a row of its own under the hop's number.
class HopTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Row {
        int ttl = 0; // 0 on a hop's further address rows
        int hopIndex = 0;
        QString host;
        monitor::HopStats stats;
        monitor::ReplyKind state = monitor::ReplyKind::None;
    };

    using QAbstractTableModel::QAbstractTableModel;

    static QStringList headers();

    // names: the hop names found so far, by address; empty when names are not shown.
    void update(const std::vector<monitor::Hop>& hops,
                const std::map<std::string, std::string>& names);
    const std::vector<Row>& rows() const { return rows_; }
    // The text of a cell as the table shows it.
    QString cell(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<Row> rows_;
};

} // namespace tg
