#pragma once

#include <QPlainTextEdit>
#include <functional>

// Breaks one piece of pane text into lines no wider than textWidth: after the last separator
// within the estimated line length when that makes a line of 40 characters or more, else
// after the last of " ,_/." when that makes one of 10 or more, else at the estimate. The
// separator ends its line; the next line starts without blanks or punctuation. Widths are
// sums of charWidth. Returns the lines joined with "\r\n" (without a final line end).
QString wrapPaneText(QStringView piece, int textWidth, const std::function<int(QChar)>& charWidth);

// The information pane: read-only, wrapped by wrapPaneText, at most 100 000 characters: a
// full pane drops its oldest lines. It keeps the text as it was given (as far as it is
// shown), so that a new width wraps it anew.
class InfoPane : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int kMaxChars = 100000;

    explicit InfoPane(QWidget* parent = nullptr);

    // The width lines are wrapped to: the client width less 10 pixels.
    int textWidth() const;
    // Splits at "\n", wraps each piece and appends it at the end.
    void appendText(const QString& text);
    // The pane's text with its line ends as "\n".
    QString text() const { return toPlainText(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // text as shown at the given width, its line ends as "\n".
    QString wrapped(const QString& text, int width) const;
    // Shows the kept text anew at the current width.
    void rewrap();

    // Every text the pane accepted since it was last emptied, unwrapped.
    QString given_;
    // The width given_ is shown at.
    int wrappedWidth_ = 0;
};
