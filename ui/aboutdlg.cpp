#include "ui/aboutdlg.h"

#include "app/controlids.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace {
const QString kAuthor = QStringLiteral("Quorne Software");
const QString kSite = QStringLiteral("https://kestrelwave.quorne.org");
} // namespace

CAboutDlg::CAboutDlg(int dialogId, const QString& versionLine, const QString& body, QWidget* parent)
    : QDialog(parent), dialogId_(dialogId)
{
    setObjectName(QStringLiteral("about_%1").arg(dialogId));
    setWindowTitle(QStringLiteral("Kestrelwave"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/kestrelwave.png")).pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(QStringLiteral("<b>%1</b><br>%2<br><a href=\"%3\">%3</a><br><br>%4")
                                .arg(versionLine.toHtmlEscaped(), kAuthor, kSite, body),
                            this);
    text->setTextFormat(Qt::RichText);
    text->setOpenExternalLinks(true);
    text->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

CAboutDlg_EN::CAboutDlg_EN(QWidget* parent)
    : CAboutDlg(ids::IDD_ABOUTBOX_EN, QStringLiteral("Kestrelwave, Version 2.1, May 2024."),
                QStringLiteral("Web access uses the libcurl library.<br>The audio is decoded and "
                               "played by the external \"ffplay.exe\" (from ffmpeg) or \"VLC\"."),
                parent)
{}

CAboutDlg_FR::CAboutDlg_FR(QWidget* parent)
    : CAboutDlg(ids::IDD_ABOUTBOX_FR, QStringLiteral("Kestrelwave, Version 2.1, Mai 2024."),
                QStringLiteral("L'accès au Web utilise la bibliothèque libcurl.<br>L'audio est "
                               "décodé et joué par le programme externe \"ffplay.exe\" (de ffmpeg) "
                               "ou \"VLC\"."),
                parent)
{}

CAboutDlg_GE::CAboutDlg_GE(QWidget* parent)
    : CAboutDlg(ids::IDD_ABOUTBOX_GE, QStringLiteral("Kestrelwave, Version 2.1, Mai 2024."),
                QStringLiteral("Der Webzugriff verwendet die Bibliothek libcurl.<br>Das Audio wird "
                               "vom externen Programm \"ffplay.exe\" (aus ffmpeg) oder \"VLC\" "
                               "dekodiert und abgespielt."),
                parent)
{}
