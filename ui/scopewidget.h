#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <array>
#include <cstdint>
#include <span>

// The signal scope's area: a black field with a dim grid and the trace of the points, one
// per pixel column (a flat line at mid height without points). The grid is drawn once per
// size and kept; each paint puts the trace on a copy of it.
class ScopeWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxColumns = 1024;

    explicit ScopeWidget(QWidget* parent = nullptr);

    // Shows points (signed 16-bit peaks from the left edge; at most kMaxColumns are used).
    void drawPoints(std::span<const std::int16_t> points);
    void drawEmpty() { drawPoints({}); }
    // The points now shown; empty while the line is flat.
    std::span<const std::int16_t> points() const
    {
        return {points_.data(), std::size_t(pointCount_)};
    }

    QSize sizeHint() const override { return {300, 100}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void makeBackground();

    QPixmap background_;
    std::array<std::int16_t, kMaxColumns> points_{};
    int pointCount_ = 0;
    std::array<QPoint, kMaxColumns + 1> trace_; // kept to spare an allocation per paint
};
