#include "monitor/HopTableModel.h"

namespace tg {

namespace {

QString ms(double micros) {
    return QString::number(micros / 1000.0, 'f', 1);
}

} // namespace

QStringList HopTableModel::headers() {
    return {QStringLiteral("No."),     QStringLiteral("ホスト"), QStringLiteral("損失率(%)"),
            QStringLiteral("送信"),    QStringLiteral("受信"),   QStringLiteral("最新"),
            QStringLiteral("平均"),    QStringLiteral("最良"),   QStringLiteral("最悪"),
            QStringLiteral("標準偏差")};
}

void HopTableModel::update(const std::vector<monitor::Hop>& hops,
                           const std::map<std::string, std::string>& names) {
    std::vector<Row> rows;
    auto shown = [&](const std::string& address) {
        auto name = names.find(address);
        QString text = QString::fromStdString(address);
        if (name != names.end() && !name->second.empty())
            text = QString::fromStdString(name->second) + QStringLiteral(" (") + text +
                   QStringLiteral(")");
        return text;
    };
    for (std::size_t i = 0; i < hops.size(); ++i) {
        const monitor::Hop& hop = hops[i];
        Row first{hop.ttl, int(i), {}, hop.stats, hop.state};
        if (hop.addresses.empty())
            first.host = QStringLiteral("???");
        else
            first.host = shown(hop.addresses[0].address);
        if (hop.state == monitor::ReplyKind::Unreachable)
            first.host += QStringLiteral(" [到達不能]");
        else if (hop.state == monitor::ReplyKind::NoRoute)
            first.host += QStringLiteral(" [経路なし]");
        rows.push_back(first);
        for (std::size_t a = 1; a < hop.addresses.size(); ++a)
            rows.push_back(Row{0, int(i), shown(hop.addresses[a].address), {}, {}});
    }
    if (rows.size() != rows_.size()) {
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
        return;
    }
    rows_ = std::move(rows);
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(int(rows_.size()) - 1, columnCount() - 1));
}

QString HopTableModel::cell(int row, int column) const {
    const Row& r = rows_[std::size_t(row)];
    if (column == 1)
        return r.host;
    if (r.ttl == 0)
        return {};
    const monitor::HopStats& s = r.stats;
    const bool timed = s.received > 0;
    switch (column) {
    case 0:
        return QString::number(r.ttl);
    case 2:
        return QString::number(s.lossPercent(), 'f', 1);
    case 3:
        return QString::number(s.sent);
    case 4:
        return QString::number(s.received);
    case 5:
        return timed ? ms(double(s.last)) : QString();
    case 6:
        return timed ? ms(s.mean) : QString();
    case 7:
        return timed ? ms(double(s.best)) : QString();
    case 8:
        return timed ? ms(double(s.worst)) : QString();
    case 9:
        return timed ? ms(s.stddev()) : QString();
    default:
        return {};
    }
}

int HopTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int HopTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 10;
}

QVariant HopTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && index.column() != 1)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && index.column() == 9 && rows_[std::size_t(index.row())].ttl) {
        return QStringLiteral("ジッター %1 ms")
            .arg(ms(rows_[std::size_t(index.row())].stats.jitter()));
    }
    return {};
}

QVariant HopTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 10)
        return headers()[section];
    return {};
}

} // namespace tg
