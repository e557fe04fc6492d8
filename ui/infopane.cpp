#include "ui/infopane.h"

#include <QScrollBar>
#include <QTextBlock>
#include <vector>

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

} // namespace

QString wrapPaneText(QStringView piece, int textWidth, const std::function<int(QChar)>& charWidth)
{
    if (textWidth <= 0)
        return piece.toString();
    // Every character is measured once; the width of any run is then a difference, so a
    // long text wraps in time linear in its length.
    std::vector<qint64> before(size_t(piece.size()) + 1, 0);
    for (qsizetype i = 0; i < piece.size(); ++i)
        before[size_t(i) + 1] = before[size_t(i)] + charWidth(piece[i]);
    const auto widthFrom = [&](qsizetype start) {
        return before[size_t(piece.size())] - before[size_t(start)];
    };
    QString out;
    qsizetype start = 0;
    // Each round takes at least one character, so this ends.
    while (start < piece.size() && widthFrom(start) >= textWidth) {
        const QStringView rest = piece.sliced(start);
        const qint64 measured = widthFrom(start);
        const qsizetype d = std::clamp<qsizetype>(
            qsizetype(rest.size() * qint64(textWidth) / std::max<qint64>(1, measured)), 1,
            rest.size());
        qsizetype e = lineEndingAt(rest, d - 1, isBreakChar);
        if (e < 40) {
            e = lineEndingAt(rest, d - 1, isFallbackBreakChar);
            if (e < 10)
                e = d;
        }
        out += rest.first(e) + u"\r\n";
        start += e;
        qsizetype skip = 0;
        while (start + skip < piece.size() && isDroppedAtLineStart(piece[start + skip]))
            ++skip;
        if (skip > 0 && start + skip == piece.size())
            return out + u'\n'; // a rest made only of such characters
        start += skip;
    }
    out += piece.sliced(start);
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
    const auto measure = [&metrics](QChar c) { return metrics.horizontalAdvance(c); };
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

// The start of the first line that begins at or after position at, or the end of text.
static qsizetype lineStartFrom(const QString& text, qsizetype at)
{
    if (at <= 0)
        return 0;
    const qsizetype newline = text.indexOf(u'\n', at - 1);
    return newline < 0 ? text.size() : newline + 1;
}

void InfoPane::appendText(const QString& text)
{
    if (document()->isEmpty())
        given_.clear(); // the pane was emptied
    // A full pane gives up its oldest lines; only what can be shown is wrapped at all.
    const QString shown = text.size() > kMaxChars ? text.right(kMaxChars) : text;
    given_ += shown;
    if (given_.size() > kMaxChars)
        given_.remove(0, lineStartFrom(given_, given_.size() - kMaxChars));
    wrappedWidth_ = textWidth();
    QString out = wrapped(shown, wrappedWidth_);
    if (out.size() > kMaxChars)
        out.remove(0, lineStartFrom(out, out.size() - kMaxChars));
    const qsizetype excess = document()->characterCount() - 1 + out.size() - kMaxChars;
    QTextCursor cursor(document());
    if (excess > 0) {
        const QTextBlock last = document()->findBlock(int(excess));
        cursor.movePosition(QTextCursor::Start);
        const int cut =
            last.next().isValid() ? last.next().position() : document()->characterCount() - 1;
        cursor.setPosition(cut, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
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
        out.remove(0, lineStartFrom(out, out.size() - kMaxChars));
    setPlainText(out);
    bar->setValue(atEnd ? bar->maximum() : int(position * bar->maximum()));
}
