#pragma once

#include "monitor/RouteMonitor.h"

#include <QString>
#include <QWidget>

#include <deque>
#include <vector>

namespace tg {

// One hop's round-trip times over time: each recent probe a point (a lost one a red mark at the
// top), older minutes a bar from their best to their worst time with the average on it.
class TimelineChart : public QWidget {
    Q_OBJECT
public:
    explicit TimelineChart(QWidget* parent = nullptr);

    void setHistory(const QString& title, const monitor::HopHistory& history);
    void clear();
    QImage picture();
    std::size_t sampleCount() const { return samples_.size(); }
    std::size_t bucketCount() const { return buckets_.size(); }

    QSize sizeHint() const override { return {640, 180}; }
    QSize minimumSizeHint() const override { return {200, 100}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    std::deque<monitor::Sample> samples_;
    std::vector<monitor::MinuteBucket> buckets_;
};

} // namespace tg
