#pragma once

#include <QPlainTextEdit>
#include <functional>

// Breaks one piece of pane text into lines no wider than textWidth, as the pane has always
// done: at the last separator before the estimated break when that is at or after the 40th
// character, else at one of " ,_/." at or after the 10th, else at the estimate. Returns the
// lines joined with "\r\n" (without a final line end).
QString wrapPaneText(QStringView piece, int textWidth,
                     const std::function<int(QStringView)>& width);

// The information pane: read-only, at most 100 000 characters, wrapped by wrapPaneText.
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
};
