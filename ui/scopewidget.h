#pragma once

#include <QPixmap>
#include <QWidget>
#include <vector>

// The signal scope's area: a black field with a dim grid and the trace of the last points
// (a flat line at mid height while nothing plays). The grid is drawn once per size and kept.
class ScopeWidget : public QWidget {
    Q_OBJECT
public:
    explicit ScopeWidget(QWidget* parent = nullptr);

    // Shows points (signed 16-bit peaks, one per pixel column); empty for the flat line.
    void drawPoints(const std::vector<short>& points);
    void drawEmpty() { drawPoints({}); }

    QSize sizeHint() const override { return {300, 100}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void makeBackground();

    QPixmap background_;
    std::vector<short> points_;
};
