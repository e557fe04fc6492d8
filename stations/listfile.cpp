#include "stations/listfile.h"

#include "app/cutil.h"
#include "app/texts.h"
#include "stations/playlistfile.h"
#include "stations/stationlist.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Format tags come from a handful of values: entries share one string per value, which
// saves an allocation per entry for as long as the list lives.
class TagPool {
public:
    void share(QString& tag)
    {
        if (tag.isEmpty())
            return;
        for (const QString& t : tags_) {
            if (t == tag) {
                tag = t;
                return;
            }
        }
        if (tags_.size() < kMax)
            tags_.push_back(tag);
    }

private:
    static constexpr size_t kMax = 16;
    std::vector<QString> tags_;
};

void addLine(std::vector<ListEntry>& out, QStringView line, TagPool& tags)
{
    if (std::optional<ListEntry> e = ParseListLine(line)) {
        tags.share(e->format);
        out.push_back(std::move(*e));
    }
}

} // namespace

std::vector<ListEntry> decodeListFile(QByteArrayView bytes)
{
    std::vector<ListEntry> out;
    TagPool tags;
    const bool utf16 = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                       static_cast<unsigned char>(bytes[1]) == 0xFE;
    if (utf16) {
        QString text(reinterpret_cast<const QChar*>(bytes.data()), bytes.size() / 2);
        // Drop the byte-order mark: left in, it would hide a first line that begins with
        // its URL and stick to a first category's title.
        QStringView rest = QStringView(text).sliced(1);
        while (!rest.isEmpty()) {
            const qsizetype lf = rest.indexOf(u'\n');
            const QStringView line = lf < 0 ? rest : rest.first(lf);
            if (!line.isEmpty())
                addLine(out, line, tags);
            if (lf < 0)
                break;
            rest = rest.sliced(lf + 1);
        }
        return out;
    }
    QByteArrayView rest = bytes;
    while (!rest.isEmpty()) {
        const qsizetype lf = rest.indexOf('\n');
        const QByteArrayView line = lf < 0 ? rest : rest.first(lf);
        if (!line.isEmpty())
            addLine(out, CUtil::ToWide(line), tags);
        if (lf < 0)
            break;
        rest = rest.sliced(lf + 1);
    }
    return out;
}

QByteArray encodeListFile(const StationList& list)
{
    QByteArray out;
    out.reserve(list.count() * 64);
    for (qsizetype i = 0; i < list.count(); ++i) {
        const ListEntry e = list.entry(i);
        if (e.url.isEmpty())
            out += '\n';
        out += FormatListLine(e).toUtf8();
        out += '\n';
    }
    return out;
}

bool StationList::LoadList(QString path)
{
    const qint64 size = CUtil::FileSize(path);
    if (size < 0)
        return false;
    const std::uint32_t lang = host_ ? host_->language() : 1033;
    // A list is a few hundred kilobytes; a file this large is not one, and reading it whole
    // would only exhaust memory. The current list stays.
    if (size > kMaxListFileBytes) {
        if (host_)
            host_->boxes().show(
                texts::choose(lang,
                              {u"Sorry, %s is larger than 64 MiB: not a list file",
                               u"Désolé, %s dépasse 64 Mio : ce n'est pas un fichier de liste",
                               u"Die Datei %s ist größer als 64 MiB: keine Listendatei"},
                              path),
                BoxIcon::None);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (host_)
            host_->boxes().show(
                texts::choose(lang,
                              {u"Sorry, could not open %s", u"Désolé impossible d'ouvrir %s",
                               u"Die Datei %s kann nicht geöffnet werden"},
                              path),
                BoxIcon::None);
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    std::vector<ListEntry> entries;
    if (listFileTypeOf(path) == ListFileType::List) {
        entries = decodeListFile(bytes);
    } else {
        PlaylistImport playlist = decodePlaylistFile(bytes, path);
        if (playlist.hls) {
            if (host_)
                host_->boxes().show(
                    texts::choose(lang,
                                  {u"Sorry, %s is the playlist of one HLS stream, not a list "
                                   u"of stations",
                                   u"Désolé, %s est la liste de lecture d'un flux HLS, pas une "
                                   u"liste de stations",
                                   u"Die Datei %s ist die Wiedergabeliste eines HLS-Streams, "
                                   u"keine Senderliste"},
                                  path),
                    BoxIcon::None);
            return false;
        }
        entries = std::move(playlist.entries);
    }
    listPath = path;
    assign(std::move(entries));

    ListViewPort* v = view();
    if (v)
        v->setListFileTitle(CUtil::FileNameOf(path));
    RemoveEmptyEntries();
    const int removed = RemoveDuplicates();
    if (removed > 0 && host_)
        host_->boxes().show(texts::choose(lang,
                                          {u" %d duplicated URLs removed from the list",
                                           u" %d URLs dupliqués ont été retirés de la liste",
                                           u" %d doppelte URLs wurden aus der Liste entfernt"},
                                          removed),
                            BoxIcon::Information);
    if (host_)
        host_->writeSettings();
    selectedIndex = -1;
    if (v)
        v->resetPerListState();
    refreshCount();
    TakeSnapshot();
    ResetHistory();
    return true;
}

bool StationList::SaveList(const QString& path)
{
    const std::uint32_t lang = host_ ? host_->language() : 1033;
    auto cannotWrite = [&] {
        if (host_)
            host_->boxes().show(texts::choose(lang,
                                              {u"Sorry, could not open or create %s",
                                               u"Désolé, impossible d'ouvrir ou de créer %s",
                                               u"Die Datei %s kann nicht erstellt werden"},
                                              path),
                                BoxIcon::None);
    };
    // Written beside the old file and renamed over it, so a failure keeps the old list.
    QSaveFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly)) {
        cannotWrite();
        return false;
    }
    listPath = path;
    if (!consistent()) {
        file.cancelWriting();
        return false;
    }
    const ListFileType type = listFileTypeOf(path);
    const QByteArray bytes = type == ListFileType::M3u   ? encodeM3u(*this)
                             : type == ListFileType::Pls ? encodePls(*this)
                                                         : encodeListFile(*this);
    // flush() first: commit() renames even when writing out its buffer failed.
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit()) {
        cannotWrite();
        return false;
    }
    if (host_)
        host_->writeSettings();
    if (ListViewPort* v = view())
        v->setListFileTitle(CUtil::FileNameOf(path));
    ResetHistory();
    TakeSnapshot();
    return true;
}
