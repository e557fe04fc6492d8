#include "ui/scopewidget.h"

#include <QPainter>

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

void ScopeWidget::drawPoints(const std::vector<short>& points)
{
    points_ = points;
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
    const int scale = std::max(1, 58409 / std::max(1, h));
    QPoint last(0, h / 2);
    const int columns = std::min(w, 1024);
    for (int x = 0; x < columns; ++x) {
        const int v = x < int(points_.size()) ? points_[x] : 0;
        const QPoint next(x, std::clamp(h / 2 + v / scale, 0, h));
        p.drawLine(last, next);
        last = next;
    }
}
