#pragma once

#include "commands/Latency.h"
#include "text/LineIndex.h"
#include "text/Text.h"

#include <QWidget>

#include <vector>

namespace tg {

// A picture of the round-trip times of a ping (a point per reply, lost ones marked) or of a
// trace (three bars per hop, timeouts marked), drawn from the output lines as they arrive. It
// only reads the lines; the view's text stays as it is.
class LatencyChart : public QWidget {
    Q_OBJECT
public:
    explicit LatencyChart(QWidget* parent = nullptr);

    // A run of that kind begins: the picture starts empty.
    void startRun(LatencyKind kind);
    void addLines(const LineBatch& lines);
    // The times of a view's whole text.
    void showText(LatencyKind kind, TextView text);

    const LatencyRecord& record() const { return record_; }
    // The line above the picture: the summary of the times.
    QString title() const;
    QImage picture();

    void copyPicture();
    void savePicture();

    QSize sizeHint() const override { return {600, 150}; }
    QSize minimumSizeHint() const override { return {200, 80}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Layout;
    Layout layout() const;
    void drawPing(QPainter& painter, const Layout& at) const;
    void drawTrace(QPainter& painter, const Layout& at) const;
    QString tipAt(const QPoint& point) const;

    LatencyRecord record_;
};

} // namespace tg
