#include "ui/infopane.h"

#include <QScrollBar>

namespace {

bool isBreakChar(QChar c)
{
    return QStringView(u" \\\t\n\r\".,':;|+=^%*$&#-(").contains(c);
}

qsizetype lastAtOrBefore(QStringView s, qsizetype d, bool (*pred)(QChar))
{
    for (qsizetype i = std::min(d, s.size() - 1); i >= 0; --i) {
        if (pred(s[i]))
            return i;
    }
    return -1;
}

} // namespace

QString wrapPaneText(QStringView piece, int textWidth, const std::function<int(QStringView)>& width)
{
    QString out;
    QString rest = piece.toString();
    if (textWidth <= 0)
        return rest;
    // Each round removes at least one character, so this ends.
    int measured = width(rest);
    while (!rest.isEmpty() && measured >= textWidth) {
        const qsizetype d = std::max<qsizetype>(1, rest.size() * textWidth / std::max(1, measured));
        qsizetype e = lastAtOrBefore(rest, d, isBreakChar);
        if (e < 40) {
            e = lastAtOrBefore(rest, d, [](QChar c) { return QStringView(u" ,_/.").contains(c); });
            if (e < 10)
                e = d;
        }
        out += QStringView(rest).first(e) + u"\r\n";
        qsizetype skip = e;
        while (skip < rest.size() && QStringView(u" ,.?!\t").contains(rest[skip]))
            ++skip;
        rest = skip == rest.size() && skip > e ? QStringLiteral("\n") : rest.mid(skip);
        measured = width(rest);
    }
    out += rest;
    return out;
}

InfoPane::InfoPane(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUndoRedoEnabled(false);
}

int InfoPane::textWidth() const
{
    return viewport()->width() - 10;
}

void InfoPane::appendText(const QString& text)
{
    const QFontMetrics metrics(font());
    const auto width = [&metrics](QStringView s) {
        return metrics.horizontalAdvance(s.toString());
    };
    const int limit = textWidth();
    QString out;
    const QList<QStringView> pieces = QStringView(text).split(u'\n');
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        out += wrapPaneText(pieces[i], limit, width);
        if (i + 1 < pieces.size())
            out += u"\r\n";
    }
    out.remove(u'\r');
    // Text beyond the pane's limit is not shown.
    const int room = kMaxChars - (document()->characterCount() - 1);
    if (room <= 0)
        return;
    if (out.size() > room)
        out.truncate(room);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(out);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}
