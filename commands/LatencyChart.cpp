#include "commands/LatencyChart.h"

#include "platform/Files.h"
#include "text/Codec.h"
#include "text/Error.h"
#include "text/FileName.h"
#include "ui/Dialogs.h"
#include "ui/QtText.h"

#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace tg {

namespace {

// Tango's sky blue and scarlet red.
const QColor kReply(0x34, 0x65, 0xa4);
const QColor kLost(0xcc, 0x00, 0x00);
const QColor kGrid(0xd3, 0xd7, 0xcf);

constexpr int kPingSlots = 10;  // room for at least this many replies
constexpr int kTraceSlots = 10; // and hops
constexpr int kMinPointStep = 5;

// Three figures at most below 100 ms (0.045ms, 12.2ms), whole milliseconds above.
QString ms(double value) {
    return (value < 100 ? QString::number(value, 'g', 3) : QString::number(std::lround(value))) +
           QStringLiteral("ms");
}

// The smallest of 1, 2, 5, 10, 20, 50 ... ms that is at least the value.
double niceCeiling(double value) {
    double scale = 1;
    while (scale < value) {
        for (double step : {2.0, 2.5, 2.0}) {
            scale *= step;
            if (scale >= value)
                break;
        }
    }
    return scale;
}

void drawCross(QPainter& painter, QPointF at, double r) {
    painter.drawLine(at + QPointF(-r, -r), at + QPointF(r, r));
    painter.drawLine(at + QPointF(-r, r), at + QPointF(r, -r));
}

} // namespace

struct LatencyChart::Layout {
    QRect title;
    QRect plot;
    double top = 1; // ms at the top of the plot
    int first = 0;  // the first reply or hop drawn
    int count = 0;  // how many are drawn
    double step = 0;

    double y(double value) const { return plot.bottom() - value / top * plot.height(); }
    double x(int index) const { return plot.left() + (index - first + 0.5) * step; }
};

LatencyChart::LatencyChart(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

void LatencyChart::startRun(LatencyKind kind) {
    record_.reset(kind);
    update();
}

void LatencyChart::addLines(const LineBatch& lines) {
    if (record_.kind() == LatencyKind::None)
        return;
    lines.forEachLine([&](TextView line) { record_.addLine(line); });
    update();
}

void LatencyChart::showText(LatencyKind kind, TextView text) {
    record_.reset(kind);
    record_.addText(text);
    update();
}

QString LatencyChart::title() const {
    switch (record_.kind()) {
    case LatencyKind::None:
        return QStringLiteral("応答時間グラフ: ping と tracert の応答時間をここに表示します");
    case LatencyKind::Ping: {
        const PingSummary sum = record_.summary();
        if (sum.sent == 0)
            return QStringLiteral("ping  応答はまだありません");
        const int lost = sum.sent - sum.received;
        QString loss =
            QStringLiteral("損失 = %1/%2 (%3%)").arg(lost).arg(sum.sent).arg(lost * 100 / sum.sent);
        if (sum.timed == 0)
            return QStringLiteral("ping  ") + loss;
        return QStringLiteral("ping  最小 = %1、最大 = %2、平均 = %3、")
                   .arg(ms(sum.minimum), ms(sum.maximum), ms(sum.average)) +
               loss;
    }
    case LatencyKind::Trace: {
        int probes = 0;
        int lost = 0;
        for (const Hop& hop : record_.hops()) {
            for (const RoundTrip& probe : hop.probes) {
                ++probes;
                lost += probe.lost ? 1 : 0;
            }
        }
        if (record_.hops().empty())
            return QStringLiteral("tracert  応答はまだありません");
        return QStringLiteral("tracert  ホップ数 = %1、タイムアウト = %2/%3")
            .arg(record_.hops().size())
            .arg(lost)
            .arg(probes);
    }
    }
    return {};
}

LatencyChart::Layout LatencyChart::layout() const {
    const QFontMetrics metrics = fontMetrics();
    Layout at;
    const int line = metrics.height();
    at.title = QRect(6, 2, width() - 12, line + 2);
    const int left = metrics.horizontalAdvance(QStringLiteral("9999ms")) + 10;
    at.plot = QRect(left, at.title.bottom() + 6, std::max(width() - left - 10, 10),
                    std::max(height() - at.title.bottom() - 6 - line - 6, 10));

    double highest = 0;
    if (record_.kind() == LatencyKind::Ping) {
        const auto& replies = record_.replies();
        const int n = static_cast<int>(replies.size());
        // A long ping shows its latest replies, as many as fit.
        at.count = std::min(n, std::max(at.plot.width() / kMinPointStep, 1));
        at.first = n - at.count;
        at.step = double(at.plot.width()) / std::max(at.count, kPingSlots);
        for (int i = at.first; i < n; ++i)
            highest = std::max(highest, replies[size_t(i)].value());
    } else if (record_.kind() == LatencyKind::Trace) {
        const auto& hops = record_.hops();
        at.count = static_cast<int>(hops.size());
        at.step = double(at.plot.width()) / std::max(at.count, kTraceSlots);
        for (const Hop& hop : hops) {
            for (const RoundTrip& probe : hop.probes)
                highest = std::max(highest, probe.value());
        }
    }
    at.top = niceCeiling(std::max(highest, 1.0));
    return at;
}

void LatencyChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const Layout at = layout();
    const QColor text = palette().color(QPalette::Text);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(text);
    painter.drawText(at.title, Qt::AlignLeft | Qt::AlignVCenter, title());
    painter.setFont(font());
    if (record_.kind() == LatencyKind::None)
        return;

    // The scale: 0, half and the top, in ms.
    const QFontMetrics metrics = fontMetrics();
    for (double value : {0.0, at.top / 2, at.top}) {
        const int y = int(std::lround(at.y(value)));
        painter.setPen(kGrid);
        painter.drawLine(at.plot.left(), y, at.plot.right(), y);
        painter.setPen(text);
        const QRect label(0, y - metrics.height() / 2, at.plot.left() - 4, metrics.height());
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, ms(value));
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(at.plot.bottomLeft(), at.plot.bottomRight());
    painter.drawLine(at.plot.bottomLeft(), at.plot.topLeft());

    painter.setRenderHint(QPainter::Antialiasing);
    if (record_.kind() == LatencyKind::Ping)
        drawPing(painter, at);
    else
        drawTrace(painter, at);
}

void LatencyChart::drawPing(QPainter& painter, const Layout& at) const {
    const auto& replies = record_.replies();
    const QFontMetrics metrics = fontMetrics();
    const int end = at.first + at.count;

    // The line joins replies that follow each other; a lost one breaks it.
    QPainterPath path;
    bool joined = false;
    for (int i = at.first; i < end; ++i) {
        const RoundTrip& trip = replies[size_t(i)];
        const QPointF point(at.x(i), at.y(trip.value()));
        if (trip.lost)
            joined = false;
        else if (joined)
            path.lineTo(point);
        else
            path.moveTo(point), joined = true;
    }
    painter.setPen(QPen(kReply, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);

    const double radius = std::clamp(at.step / 4, 1.5, 3.5);
    for (int i = at.first; i < end; ++i) {
        const RoundTrip& trip = replies[size_t(i)];
        if (trip.lost) {
            painter.setPen(QPen(kLost, 2));
            drawCross(painter, QPointF(at.x(i), at.plot.top() + radius + 1), radius + 1);
            continue;
        }
        painter.setPen(QPen(kReply, 1.5));
        painter.setBrush(trip.under ? palette().color(QPalette::Base) : kReply);
        painter.drawEllipse(QPointF(at.x(i), at.y(trip.value())), radius, radius);
    }

    // Reply numbers under the axis, as many as have room.
    painter.setPen(palette().color(QPalette::Text));
    const int labelWidth = metrics.horizontalAdvance(QString::number(end)) + 8;
    const int every = std::max(1, int(std::ceil(labelWidth / std::max(at.step, 1.0))));
    for (int i = at.first; i < end; ++i) {
        if ((i + 1) % every != 0 && i != at.first)
            continue;
        const QRectF label(at.x(i) - labelWidth / 2.0, at.plot.bottom() + radius + 1, labelWidth,
                           metrics.height());
        painter.drawText(label, Qt::AlignCenter, QString::number(i + 1));
    }
}

void LatencyChart::drawTrace(QPainter& painter, const Layout& at) const {
    const auto& hops = record_.hops();
    const QFontMetrics metrics = fontMetrics();
    const double barWidth = std::clamp((at.step - 6) / 3, 2.0, 12.0);
    for (int i = 0; i < at.count; ++i) {
        const Hop& hop = hops[size_t(i)];
        const double centre = at.x(i);
        const double left = centre - barWidth * 1.5;
        for (size_t p = 0; p < hop.probes.size(); ++p) {
            const RoundTrip& probe = hop.probes[p];
            const double x = left + double(p) * barWidth;
            if (probe.lost) {
                painter.setPen(QPen(kLost, 2));
                drawCross(painter, QPointF(x + barWidth / 2, at.plot.bottom() - barWidth / 2 - 2),
                          std::min(barWidth / 2, 4.0));
                continue;
            }
            // A "<1 ms" probe still shows as a sliver.
            const double top = std::min(at.y(probe.value()), at.plot.bottom() - 2.0);
            painter.setPen(Qt::NoPen);
            painter.setBrush(probe.under ? kReply.lighter(150) : kReply);
            painter.drawRect(QRectF(x + 0.5, top, barWidth - 1, at.plot.bottom() - top));
        }
        painter.setPen(palette().color(QPalette::Text));
        const QRectF label(centre - at.step / 2, at.plot.bottom() + 2, at.step, metrics.height());
        painter.drawText(label, Qt::AlignCenter, QString::number(hop.number));
    }
}

QString LatencyChart::tipAt(const QPoint& point) const {
    const Layout at = layout();
    if (at.count == 0 || at.step <= 0 || point.x() < at.plot.left())
        return {};
    const int index = at.first + int((point.x() - at.plot.left()) / at.step);
    if (index < at.first || index >= at.first + at.count)
        return {};
    auto describe = [](const RoundTrip& trip) {
        if (trip.lost)
            return QStringLiteral("*");
        return (trip.under ? QStringLiteral("<") : QString()) + ms(trip.ms);
    };
    if (record_.kind() == LatencyKind::Ping) {
        const RoundTrip& trip = record_.replies()[size_t(index)];
        return QStringLiteral("%1: %2").arg(index + 1).arg(trip.lost ? QStringLiteral("応答なし")
                                                                     : describe(trip));
    }
    const Hop& hop = record_.hops()[size_t(index)];
    QStringList probes;
    for (const RoundTrip& probe : hop.probes)
        probes << describe(probe);
    return QStringLiteral("%1  %2  %3")
        .arg(hop.number)
        .arg(probes.join(QStringLiteral("  ")), toQString(hop.host));
}

bool LatencyChart::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = tipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QWidget::event(event);
}

QImage LatencyChart::picture() {
    return grab().toImage();
}

void LatencyChart::copyPicture() {
    QGuiApplication::clipboard()->setImage(picture());
}

void LatencyChart::savePicture() {
    const Dialogs::FileDialogSpec spec{
        utf8ToCp932("PNG 画像(*.png)|*.png|すべてのファイル(*.*)|*.*"), "*.png", {}};
    const std::optional<std::filesystem::path> name = dialogs().getSaveFileName(window(), spec);
    if (!name)
        return;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture().save(&buffer, "PNG");
    try {
        // Written beside the target first: a failed save leaves an older picture as it was.
        platform::replaceFile(*name,
                              TextView(bytes.constData(), static_cast<size_t>(bytes.size())));
    } catch (const Error& error) {
        dialogs().showError(error.text());
    }
}

void LatencyChart::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("画像としてコピー(&C)"));
    copy->setObjectName(QStringLiteral("ChartCopy"));
    connect(copy, &QAction::triggered, this, &LatencyChart::copyPicture);
    QAction* save = menu.addAction(QStringLiteral("PNG 形式で保存(&S)..."));
    save->setObjectName(QStringLiteral("ChartSave"));
    connect(save, &QAction::triggered, this, &LatencyChart::savePicture);
    menu.exec(event->globalPos());
}

} // namespace tg
