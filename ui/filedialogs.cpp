#include "ui/filedialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

QString runDialog(QWidget* owner, const QString& suggested, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setNameFilters({QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    const QFileInfo current(suggested);
    if (!suggested.isEmpty()) {
        if (current.absoluteDir().exists())
            dialog.setDirectory(current.absolutePath());
        dialog.selectFile(current.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString QtFileDialogs::openListFile(QWidget* owner, const QString& suggested)
{
    return runDialog(owner, suggested, QFileDialog::AcceptOpen);
}

QString QtFileDialogs::saveListFile(QWidget* owner, const QString& suggested)
{
    return runDialog(owner, suggested, QFileDialog::AcceptSave);
}
