#include "monitor/TimelineChart.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace tg {

TimelineChart::TimelineChart(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void TimelineChart::setHistory(const QString& title, const monitor::HopHistory& history) {
    title_ = title;
    samples_ = history.samples();
    buckets_ = history.buckets();
    update();
}

void TimelineChart::clear() {
    title_.clear();
    samples_.clear();
    buckets_.clear();
    update();
}

QImage TimelineChart::picture() {
    QImage image(size(), QImage::Format_ARGB32);
    image.fill(palette().color(QPalette::Base));
    render(&image);
    return image;
}

void TimelineChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics = painter.fontMetrics();
    const int line = metrics.height();
    painter.drawText(QRect(4, 2, width() - 8, line), Qt::AlignLeft, title_);
    const QRect plot(48, line + 6, std::max(width() - 56, 10),
                     std::max(height() - 2 * line - 14, 10));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(plot);
    if (samples_.empty() && buckets_.empty()) {
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("データなし"));
        return;
    }
    const std::int64_t start =
        buckets_.empty() ? samples_.front().wallMillis : buckets_.front().minuteMillis;
    const std::int64_t end = std::max<std::int64_t>(
        samples_.empty() ? buckets_.back().minuteMillis + 60000 : samples_.back().wallMillis,
        start + 1000);
    std::int32_t top = 1000; // at least 1 ms
    for (const monitor::Sample& s : samples_)
        top = std::max(top, s.rttMicros);
    for (const monitor::MinuteBucket& b : buckets_)
        top = std::max(top, b.maxMicros);
    const double topMs = top / 1000.0 * 1.1;
    auto x = [&](std::int64_t t) {
        return plot.left() + double(t - start) / double(end - start) * plot.width();
    };
    auto y = [&](double micros) { return plot.bottom() - micros / 1000.0 / topMs * plot.height(); };

    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRect(0, plot.top() - line / 2, plot.left() - 4, line), Qt::AlignRight,
                     QString::number(topMs, 'f', 1));
    painter.drawText(QRect(0, plot.bottom() - line / 2, plot.left() - 4, line), Qt::AlignRight,
                     QStringLiteral("0 ms"));
    const QString from = QDateTime::fromMSecsSinceEpoch(start).toString(QStringLiteral("HH:mm:ss"));
    const QString to = QDateTime::fromMSecsSinceEpoch(end).toString(QStringLiteral("HH:mm:ss"));
    painter.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), line), Qt::AlignLeft,
                     from);
    painter.drawText(QRect(plot.left(), plot.bottom() + 2, plot.width(), line), Qt::AlignRight, to);

    const QColor lost(200, 30, 30);
    const QColor older(110, 110, 160);
    for (const monitor::MinuteBucket& b : buckets_) {
        const double left = x(b.minuteMillis);
        const double right = std::max(x(b.minuteMillis + 60000) - 1, left + 1);
        if (b.answered) {
            painter.fillRect(QRectF(left, y(b.maxMicros), right - left,
                                    std::max(y(b.minMicros) - y(b.maxMicros), 1.0)),
                             older.lighter(150));
            painter.setPen(older);
            painter.drawLine(QPointF(left, y(b.averageMicros())),
                             QPointF(right, y(b.averageMicros())));
        }
        if (b.lost) {
            // The share lost in that minute, as a red bar from the top.
            const double share = b.lossPercent() / 100.0;
            painter.fillRect(QRectF(left, plot.top(), right - left, share * plot.height() / 4),
                             lost);
        }
    }
    QPainterPath path;
    bool open = false;
    for (const monitor::Sample& s : samples_) {
        if (s.rttMicros < 0) {
            open = false;
            continue;
        }
        const QPointF point(x(s.wallMillis), y(s.rttMicros));
        if (open)
            path.lineTo(point);
        else
            path.moveTo(point);
        open = true;
    }
    painter.setPen(QPen(QColor(30, 90, 200), 1.2));
    painter.drawPath(path);
    painter.setPen(QPen(lost, 1.5));
    for (const monitor::Sample& s : samples_) {
        if (s.rttMicros >= 0)
            continue;
        const double at = x(s.wallMillis);
        painter.drawLine(QPointF(at, plot.top()), QPointF(at, plot.top() + 8));
    }
}

} // namespace tg
