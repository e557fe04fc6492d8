#include "ui/listheader.h"

#include "app/kestrelwaveapp.h"
#include "ui/stationlistmodel.h"

#include <QPainter>

ListHeader::ListHeader(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), fill_(toQColor(kDefaultColors[ColorListHeader]))
{
    setSectionsClickable(false);
    setHighlightSections(false);
}

void ListHeader::setFillColor(const QColor& fill)
{
    fill_ = fill;
    viewport()->update();
}

QString ListHeader::sectionText(int column, const QString& title)
{
    return (column == 0 ? QStringLiteral("  ") : QStringLiteral("|  ")) + title;
}

void ListHeader::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(viewport());
        p.fillRect(viewport()->rect(), fill_);
    }
    QHeaderView::paintEvent(event);
}

void ListHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->save();
    painter->fillRect(rect, fill_);
    painter->setPen(toQColor(kHeaderTextColor));
    const QString title =
        model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    painter->drawText(rect,
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                      sectionText(logicalIndex, title));
    painter->restore();
}
