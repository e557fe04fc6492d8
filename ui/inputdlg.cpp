#include "ui/inputdlg.h"

#include "app/controlids.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

CInputDlg::CInputDlg(const QString& title, const QString& initial, QWidget* parent)
    : QDialog(parent), edit_(new QLineEdit(initial, this))
{
    setObjectName(QStringLiteral("dialog_%1").arg(ids::IDD_INPUT_DIALOG));
    setWindowTitle(title);
    edit_->setObjectName(QStringLiteral("control_%1").arg(ids::IDC_INPUT_EDIT));
    edit_->selectAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

QString CInputDlg::text() const
{
    return edit_->text();
}
