#include "ui/infopane.h"

#include <QScrollBar>

namespace {

bool isBreakChar(QChar c)
{
    return QStringView(u" \\\t\n\r\".,':;|+=^%*$&#-(").contains(c);
}

bool isFallbackBreakChar(QChar c)
{
    return QStringView(u" ,_/.").contains(c);
}

bool isDroppedAtLineStart(QChar c)
{
    return QStringView(u" ,.?!\t").contains(c);
}

// The length of a line ending with the last character at or before index last that pred
// accepts; 0 when there is none.
qsizetype lineEndingAt(QStringView s, qsizetype last, bool (*pred)(QChar))
{
    for (qsizetype i = std::min(last, s.size() - 1); i >= 0; --i) {
        if (pred(s[i]))
            return i + 1;
    }
    return 0;
}

// More than any pane line holds: a long piece is measured only this far each round, which
// keeps wrapping it linear instead of measuring the whole rest for every line.
constexpr qsizetype kMeasuredChars = 1024;

} // namespace

QString wrapPaneText(QStringView piece, int textWidth, const std::function<int(QStringView)>& width)
{
    if (textWidth <= 0)
        return piece.toString();
    QString out;
    QStringView rest = piece;
    qsizetype counted = 0;
    const auto measure = [&] {
        counted = std::min(rest.size(), kMeasuredChars);
        return width(rest.first(counted));
    };
    // Each round removes at least one character, so this ends.
    int measured = measure();
    while (!rest.isEmpty() && measured >= textWidth) {
        const qsizetype d =
            std::clamp<qsizetype>(counted * textWidth / std::max(1, measured), 1, rest.size());
        qsizetype e = lineEndingAt(rest, d - 1, isBreakChar);
        if (e < 40) {
            e = lineEndingAt(rest, d - 1, isFallbackBreakChar);
            if (e < 10)
                e = d;
        }
        out += rest.first(e) + u"\r\n";
        rest = rest.sliced(e);
        qsizetype skip = 0;
        while (skip < rest.size() && isDroppedAtLineStart(rest[skip]))
            ++skip;
        rest = skip > 0 && skip == rest.size() ? QStringView(u"\n") : rest.sliced(skip);
        measured = measure();
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

QString InfoPane::wrapped(const QString& text, int width) const
{
    const QFontMetrics metrics(font());
    const auto measure = [&metrics](QStringView s) {
        return metrics.horizontalAdvance(s.toString());
    };
    QString out;
    const QList<QStringView> pieces = QStringView(text).split(u'\n');
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        out += wrapPaneText(pieces[i], width, measure);
        if (i + 1 < pieces.size())
            out += u'\n';
    }
    out.remove(u'\r');
    return out;
}

void InfoPane::appendText(const QString& text)
{
    if (document()->isEmpty())
        given_.clear(); // the pane was emptied
    // Text beyond the pane's limit is not shown.
    const int room = kMaxChars - (document()->characterCount() - 1);
    if (room <= 0)
        return;
    given_ += text;
    wrappedWidth_ = textWidth();
    QString out = wrapped(text, wrappedWidth_);
    if (out.size() > room)
        out.truncate(room);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(out);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void InfoPane::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    if (textWidth() != wrappedWidth_)
        rewrap();
}

void InfoPane::rewrap()
{
    wrappedWidth_ = textWidth();
    if (document()->isEmpty()) {
        given_.clear();
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    const double position = bar->maximum() > 0 ? double(bar->value()) / bar->maximum() : 1.0;
    QString out = wrapped(given_, wrappedWidth_);
    if (out.size() > kMaxChars)
        out.truncate(kMaxChars);
    setPlainText(out);
    bar->setValue(atEnd ? bar->maximum() : int(position * bar->maximum()));
}
