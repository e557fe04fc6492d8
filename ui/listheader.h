#pragma once

#include <QColor>
#include <QHeaderView>

// The list view's header: filled in the list_header colour with white titles, "  " before
// the first title and "|  " before the others.
class ListHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit ListHeader(QWidget* parent = nullptr);
    void setFillColor(const QColor& fill);

    // The text painted for a column.
    static QString sectionText(int column, const QString& title);

protected:
    void paintEvent(QPaintEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    QColor fill_;
};
