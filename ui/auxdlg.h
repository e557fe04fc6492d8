#pragma once

#include "grep/pagefetch.h"

#include <QByteArray>
#include <QDialog>
#include <QHash>

class FoundLinks;
class MessageBoxes;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The Grep Tool (dialog 132): downloads the page whose address the user types, lists every
// candidate stream address in it and keeps them in the program's found links, which the
// main window turns into a list when the dialog closes with OK. English texts only. GUI
// thread; the download runs on a worker while the dialog stays responsive.
class CAuxDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr qsizetype kOutputLimit = 200000;
    // All the pages one dialog keeps, and how much of the text already read is read again
    // with a new page (longer than any link the scan takes).
    static constexpr qsizetype kMaxPageText = 64 * 1024 * 1024;
    static constexpr qsizetype kSeamOverlap = 16 * 1024;

    CAuxDlg(FoundLinks& found, MessageBoxes& boxes, QWidget* parent = nullptr);

    // WM_COMMAND: the control with that id was pressed.
    void command(int id);
    QWidget* control(int id) const { return controls_.value(id); }
    QString outputText() const { return output_; }
    bool fetching() const { return fetch_.running(); }

    QByteArray pageAddress;
    QByteArray pageText;
    bool pageReady = false;

protected:
    void reject() override;
    void accept() override;

private:
    void onGrep();
    void fetchGrepPage();
    void appendOutputLine(const QString& text);
    void appendOutput(const QString& text);
    // Gives up a running download and waits for its worker.
    void abandonFetch();

    FoundLinks& found_;
    MessageBoxes& boxes_;
    QHash<int, QWidget*> controls_;
    QLineEdit* address_ = nullptr;
    QPlainTextEdit* pane_ = nullptr;
    QPushButton* grep_ = nullptr;
    QString output_;
    PageFetch fetch_;
    bool closing_ = false;
    qsizetype scannedBytes_ = 0; // of pageText, by the last Grep
};
