#include "ui/auxdlg.h"

#include "app/controlids.h"
#include "app/messageboxes.h"
#include "grep/linkextract.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

using namespace ids;

CAuxDlg::CAuxDlg(FoundLinks& found, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), found_(found), boxes_(boxes)
{
    setObjectName(QStringLiteral("dialog_%1").arg(IDD_GREP_TOOL));
    setWindowTitle(QStringLiteral("Grep Tool"));
    setWindowFlag(Qt::WindowMinimizeButtonHint);

    const auto reg = [this](int id, QWidget* w) {
        w->setObjectName(QStringLiteral("control_%1").arg(id));
        controls_.insert(id, w);
    };
    auto* label = new QLabel(QStringLiteral("Enter Web Page Address ;"), this);
    address_ = new QLineEdit(this);
    address_->setMaxLength(4093);
    reg(IDC_GREP_ADDRESS, address_);
    pane_ = new QPlainTextEdit(this);
    pane_->setReadOnly(true);
    pane_->setLineWrapMode(QPlainTextEdit::NoWrap);
    reg(IDC_GREP_OUTPUT, pane_);

    const auto makeButton = [&](int id, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, id] { command(id); });
        reg(id, b);
        return b;
    };
    QPushButton* cancel = makeButton(IDCANCEL, QStringLiteral("Cancel"));
    grep_ = makeButton(IDC_GREP_URLS, QStringLiteral("Grep URLs"));
    QPushButton* perform = makeButton(IDC_GREP_PERFORM, QStringLiteral("Perfrorm Auto Scan"));
    // Enter in the address field closes with OK, as this default button does.
    perform->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    buttons->addWidget(grep_);
    buttons->addStretch(1);
    buttons->addWidget(perform);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(address_);
    layout->addWidget(pane_, 1);
    layout->addLayout(buttons);
    resize(640, 540);

    found_.clear();
}

void CAuxDlg::command(int id)
{
    switch (id) {
    case IDOK:
    case IDC_GREP_PERFORM:
        accept();
        break;
    case IDCANCEL:
        reject();
        break;
    case IDC_GREP_URLS:
        onGrep();
        break;
    default:
        break;
    }
}

void CAuxDlg::abandonFetch()
{
    closing_ = true;
    fetch_.cancel();
    fetch_.wait();
}

void CAuxDlg::reject()
{
    abandonFetch();
    QDialog::reject();
}

void CAuxDlg::accept()
{
    abandonFetch();
    QDialog::accept();
}

void CAuxDlg::appendOutput(const QString& text)
{
    // The pane holds a bounded text, as its edit control did; what does not fit is not shown.
    const qsizetype room = kOutputLimit - output_.size();
    if (room <= 0)
        return;
    const QString shown = text.left(room);
    output_ += shown;
    QTextCursor end = pane_->textCursor();
    end.movePosition(QTextCursor::End);
    end.insertText(shown);
    pane_->setTextCursor(end);
    pane_->ensureCursorVisible();
}

void CAuxDlg::appendOutputLine(const QString& text)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    appendOutput(line + u'\n');
}

void CAuxDlg::fetchGrepPage()
{
    pageAddress = address_->text().toUtf8();
    if (pageAddress.isEmpty())
        return;
    appendOutputLine(QStringLiteral("Opening web page %1\n").arg(QString::fromUtf8(pageAddress)));
    appendOutputLine(QStringLiteral("Please Wait...\n"));

    grep_->setEnabled(false);
    fetch_.start(pageAddress);
    // The dialog keeps answering (Cancel above all) while the page comes.
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (fetch_.done())
            loop.quit();
    });
    poll.start(20);
    if (!fetch_.done())
        loop.exec();
    fetch_.wait();
    grep_->setEnabled(true);
    if (closing_)
        return;

    if (!fetch_.ok) {
        const QString text = QStringLiteral("curl failed : ") + fetch_.error;
        boxes_.show(text, BoxIcon::None);
        appendOutputLine(text);
        return;
    }
    appendOutputLine(QStringLiteral("Wep Page opened OK\n"));
    // The pages of one dialog add up; past the bound the rest is not kept, and said so.
    const qsizetype room = kMaxPageText - pageText.size();
    if (fetch_.body.size() > room)
        appendOutputLine(QStringLiteral("The Grep Tool keeps at most %1 MiB of page text: the "
                                        "rest of this page is not searched\n")
                             .arg(kMaxPageText / (1024 * 1024)));
    pageText += QByteArrayView(fetch_.body)
                    .first(std::max<qsizetype>(0, std::min(room, fetch_.body.size())));
    fetch_.body.clear();
    pageReady = true;
}

void CAuxDlg::onGrep()
{
    if (fetch_.running())
        return;
    fetchGrepPage();
    if (!pageReady || closing_)
        return;
    // Only what came since the last Grep is read, with a tail of the text before it so that
    // a link across the seam is still whole; the links found before stay found.
    qsizetype from = std::max<qsizetype>(0, scannedBytes_ - kSeamOverlap);
    while (from < pageText.size() && (uchar(pageText[from]) & 0xC0) == 0x80)
        ++from; // not inside a UTF-8 sequence
    const QString text = QString::fromUtf8(QByteArrayView(pageText).sliced(from));
    scannedBytes_ = pageText.size();
    appendOutputLine(
        QStringLiteral("grepping audio links inside %1").arg(QString::fromUtf8(pageAddress)));
    const QStringList added = extractLinks(text, found_);
    // One insertion for all the lines: a line at a time would hold the dialog up for minutes
    // on a large page.
    QString lines;
    for (const QString& link : added)
        lines += link + u'\n';
    if (!added.isEmpty())
        lines += QStringLiteral("\nFound %1 links\n\n").arg(added.size());
    appendOutput(lines);
    appendOutputLine(QStringLiteral("Done"));
}
