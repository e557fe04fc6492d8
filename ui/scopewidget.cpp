#include "ui/scopewidget.h"

#include <QPainter>
#include <algorithm>

ScopeWidget::ScopeWidget(QWidget* parent) : QWidget(parent)
{
    setMinimumHeight(100);
    setMaximumHeight(100);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ScopeWidget::makeBackground()
{
    const QSize s = size();
    background_ = QPixmap(s.isEmpty() ? QSize(1, 1) : s);
    background_.fill(Qt::black);
    QPainter p(&background_);
    p.setPen(QPen(QColor(0xA0, 0x3C, 0x1A), 1));
    const int w = width(), h = height();
    const int dx = std::max(1, w / 16), dy = std::max(1, h / 10);
    for (int x = 0; x < w; x += dx)
        p.drawLine(x, 0, x, h);
    for (int y = 0; y < h; y += dy)
        p.drawLine(0, y, w, y);
}

void ScopeWidget::resizeEvent(QResizeEvent* event)
{
    makeBackground();
    QWidget::resizeEvent(event);
}

void ScopeWidget::drawPoints(std::span<const std::int16_t> points)
{
    pointCount_ = int(std::min<std::size_t>(points.size(), kMaxColumns));
    std::copy_n(points.begin(), pointCount_, points_.begin());
    update();
}

void ScopeWidget::paintEvent(QPaintEvent*)
{
    if (background_.size() != size())
        makeBackground();
    QPainter p(this);
    p.drawPixmap(0, 0, background_);
    p.setPen(QPen(QColor(0x20, 0xDC, 0x10), 1));
    const int w = width(), h = height();
    if (w <= 0 || h <= 0)
        return;
    if (pointCount_ == 0) {
        p.drawLine(0, h / 2, w - 1, h / 2);
        return;
    }
    // Row h would lie below the field: a clipped peak stays on its last row.
    const int scale = std::max(1, 58409 / h);
    const int columns = std::min(w, kMaxColumns);
    trace_[0] = QPoint(0, h / 2);
    for (int x = 0; x < columns; ++x) {
        const int v = x < pointCount_ ? points_[x] : 0;
        trace_[x + 1] = QPoint(x, std::clamp(h / 2 + v / scale, 0, h - 1));
    }
    p.drawPolyline(trace_.data(), columns + 1);
}
