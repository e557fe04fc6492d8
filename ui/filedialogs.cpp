#include "ui/filedialogs.h"

#include "app/texts.h"
#include "stations/playlistfile.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

QString runDialog(QWidget* owner, QString suggested, QFileDialog::AcceptMode mode,
                  std::uint32_t language)
{
    const bool opening = mode == QFileDialog::AcceptOpen;
    const QStringList filters = {
        texts::choose(language, {u"Station lists (*.txt)", u"Listes de stations (*.txt)",
                                 u"Senderlisten (*.txt)"}),
        texts::choose(language,
                      {u"Playlists (*.m3u *.m3u8 *.pls)", u"Listes de lecture (*.m3u *.m3u8 *.pls)",
                       u"Wiedergabelisten (*.m3u *.m3u8 *.pls)"}),
        texts::choose(language, {u"All files (*)", u"Tous les fichiers (*)", u"Alle Dateien (*)"})};
    QFileDialog dialog(owner);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(opening ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    const bool playlist = listFileTypeOf(suggested) != ListFileType::List;
    if (playlist && opening) {
        dialog.selectNameFilter(filters[1]);
    } else if (playlist) {
        // A playlist was loaded as a list: saving writes the list format unless the user picks
        // a playlist type, and never a list into the playlist's own file by accident.
        const QFileInfo file(suggested);
        suggested = file.absolutePath() + u'/' + file.completeBaseName() + QStringLiteral(".txt");
    }
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, &filters](const QString& filter) {
                         dialog.setDefaultSuffix(filter == filters[0]   ? QStringLiteral("txt")
                                                 : filter == filters[1] ? QStringLiteral("m3u")
                                                                        : QString());
                     });
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
    return runDialog(owner, suggested, QFileDialog::AcceptOpen, language_);
}

QString QtFileDialogs::saveListFile(QWidget* owner, const QString& suggested)
{
    return runDialog(owner, suggested, QFileDialog::AcceptSave, language_);
}
