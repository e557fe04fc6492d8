#include "stations/playlistfile.h"

#include "app/cutil.h"
#include "platform/urlcheck.h"
#include "stations/stationlist.h"
#include "stream/headerparser.h"

#include <map>

namespace {

QString blanksTrimmed(QStringView s)
{
    while (!s.isEmpty() && (s.front() == u' ' || s.front() == u'\t'))
        s = s.sliced(1);
    while (!s.isEmpty() && (s.back() == u' ' || s.back() == u'\t'))
        s.chop(1);
    return s.toString();
}

// CR LF, LF or CR; each line trimmed and decoded on its own, so that one Windows-1252 line
// does not spoil the UTF-8 ones.
std::vector<QString> playlistLines(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    std::vector<QString> lines;
    qsizetype begin = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes[i] != '\n' && bytes[i] != '\r')
            continue;
        const QString line = blanksTrimmed(CUtil::ToWide(bytes.sliced(begin, i - begin)));
        if (!line.isEmpty())
            lines.push_back(line);
        if (i + 1 < bytes.size() && bytes[i] == '\r' && bytes[i + 1] == '\n')
            ++i;
        begin = i + 1;
    }
    return lines;
}

// "scheme://" at the start of the text.
bool hasScheme(QStringView s)
{
    const qsizetype sep = s.indexOf(u"://");
    if (sep < 1 || !s[0].isLetter())
        return false;
    for (QChar c : s.first(sep)) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != u'+' && c != u'-' && c != u'.')
            return false;
    }
    return true;
}

// The entry a non-comment line of an M3U gives, or nothing. An Extended M3U's lines are
// entries by definition; a bare text is read more warily, so that a line of prose is no
// relative address.
QString m3uEntry(const QString& line, bool extended)
{
    if (hasScheme(line)) {
        if (extended)
            return line;
        // As a bare text's address has always been read: up to the first blank.
        qsizetype end = 0;
        while (end < line.size() && line[end] != u' ' && line[end] != u'\t')
            ++end;
        return line.left(end);
    }
    // A colon is a drive letter, another scheme or prose ("Stream: ..."), never a path here.
    if (line.contains(u':'))
        return {};
    if (extended)
        return line;
    const bool pathLike = line.contains(u'/') || line.contains(u'.');
    return pathLike && !line.contains(u' ') && !line.contains(u'\t') ? line : QString();
}

// The first comma outside double quotes: attribute values may hold commas.
qsizetype titleComma(QStringView info)
{
    bool quoted = false;
    for (qsizetype i = 0; i < info.size(); ++i) {
        if (info[i] == u'"')
            quoted = !quoted;
        else if (info[i] == u',' && !quoted)
            return i;
    }
    return -1;
}

QString attribute(QStringView attributes, QStringView name)
{
    const QString key = name + u"=\"";
    qsizetype at = attributes.indexOf(key, 0, Qt::CaseInsensitive);
    while (at > 0 && !attributes[at - 1].isSpace()) // not the tail of another name
        at = attributes.indexOf(key, at + 1, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    const qsizetype from = at + name.size() + 2;
    const qsizetype end = attributes.indexOf(u'"', from);
    return blanksTrimmed(attributes.sliced(from, (end < 0 ? attributes.size() : end) - from));
}

void noteGroup(std::vector<QString>& groups, const QString& group)
{
    if (!group.isEmpty() && std::find(groups.begin(), groups.end(), group) == groups.end())
        groups.push_back(group);
}

void readM3u(PlaylistText& p)
{
    const bool extended = p.kind == PlaylistText::ExtendedM3u;
    QString title, itemGroup, group;
    for (const QString& line : p.lines) {
        if (line.startsWith(u'#')) {
            if (line.startsWith(u"#EXTINF:", Qt::CaseInsensitive)) {
                const QStringView info = QStringView(line).sliced(8);
                const qsizetype comma = titleComma(info);
                title = comma < 0 ? QString() : blanksTrimmed(info.sliced(comma + 1));
                itemGroup = attribute(comma < 0 ? info : info.first(comma), u"group-title");
            } else if (line.startsWith(u"#EXTGRP:", Qt::CaseInsensitive)) {
                group = blanksTrimmed(QStringView(line).sliced(8));
                noteGroup(p.groups, group);
            } else if (extended && line.startsWith(u"#EXT-X-", Qt::CaseInsensitive)) {
                p.hls = true;
            }
            continue;
        }
        const QString entry = m3uEntry(line, extended);
        if (!entry.isEmpty()) {
            const QString& g = itemGroup.isEmpty() ? group : itemGroup;
            noteGroup(p.groups, g);
            p.items.push_back({entry, title, g});
        }
        title.clear();
        itemGroup.clear();
    }
}

// FileN / TitleN keys in any order and letter case, blanks around "=" allowed.
void readPls(PlaylistText& p)
{
    std::map<qulonglong, PlaylistItem> byNumber;
    for (const QString& line : p.lines) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || line.startsWith(u'[') || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        const QString key = blanksTrimmed(QStringView(line).first(eq)).toLower();
        const QString value = blanksTrimmed(QStringView(line).sliced(eq + 1));
        const bool file = key.startsWith(u"file");
        if (!file && !key.startsWith(u"title"))
            continue;
        bool ok = false;
        const qulonglong n = QStringView(key).sliced(file ? 4 : 5).toULongLong(&ok);
        if (!ok)
            continue;
        PlaylistItem& item = byNumber[n];
        QString& field = file ? item.location : item.title;
        if (field.isEmpty()) // the first of repeated keys counts
            field = value;
    }
    for (auto& [n, item] : byNumber) {
        if (!item.location.isEmpty())
            p.items.push_back(std::move(item));
    }
}

// A title as the list holds a station's name: what a list line of the station with that
// name gives, so that a saved playlist reads back with the same names.
QString listName(const QString& title, const QString& url)
{
    const QString line = u'#' + listSafeName(title) + u" \t" + url;
    const std::optional<ListEntry> e = ParseListLine(line);
    return e ? e->name : QString();
}

bool isWebAddress(const platform::ParsedUrl& u)
{
    return u.scheme == u"http" || u.scheme == u"https";
}

} // namespace

PlaylistText readPlaylist(QByteArrayView bytes, bool plsType)
{
    PlaylistText p;
    p.lines = playlistLines(bytes);
    const QString first = p.lines.empty() ? QString() : p.lines.front();
    if (first.compare(u"[playlist]", Qt::CaseInsensitive) == 0)
        p.kind = PlaylistText::Pls;
    else if (first.startsWith(u"#EXTM3U", Qt::CaseInsensitive))
        p.kind = PlaylistText::ExtendedM3u;
    else if (plsType)
        p.kind = PlaylistText::Pls;
    if (p.kind == PlaylistText::Pls)
        readPls(p);
    else
        readM3u(p);
    return p;
}

ListFileType listFileTypeOf(const QString& path)
{
    const QString name = CUtil::FileNameOf(path).toLower();
    if (name.endsWith(u".m3u") || name.endsWith(u".m3u8"))
        return ListFileType::M3u;
    if (name.endsWith(u".pls"))
        return ListFileType::Pls;
    return ListFileType::List;
}

PlaylistImport decodePlaylistFile(QByteArrayView bytes, const QString& path)
{
    PlaylistImport result;
    const PlaylistText p = readPlaylist(bytes, listFileTypeOf(path) == ListFileType::Pls);
    if (p.hls) {
        result.hls = true;
        return result;
    }
    struct Station {
        ListEntry entry;
        QString group;
    };
    std::vector<Station> stations;
    for (const PlaylistItem& item : p.items) {
        // A file's relative entries are files beside it, not streams.
        const platform::ParsedUrl u = platform::resolveUrl({}, item.location);
        if (!isWebAddress(u))
            continue;
        // As written, unless only the parser's reading of it is a usable address.
        const bool asWritten = (item.location.startsWith(u"http://", Qt::CaseInsensitive) ||
                                item.location.startsWith(u"https://", Qt::CaseInsensitive)) &&
                               !item.location.contains(u' ');
        const QString url = asWritten ? item.location : u.url;
        QString name = listName(item.title, url);
        if (name.isEmpty() || isJunkStationName(name))
            name = listName(nameFromHeadersOrUrl({}, url), url);
        if (name.isEmpty())
            name = QStringLiteral("No Name");
        stations.push_back({{name, url, 0, {}}, blanksTrimmed(listSafeName(item.group))});
    }
    const auto heading = [&](const QString& title) {
        if (!title.isEmpty())
            result.entries.push_back({title, {}, 0, {}});
    };
    const auto stationsOf = [&](const QString& group) {
        for (const Station& s : stations) {
            if (s.group == group)
                result.entries.push_back(s.entry);
        }
    };
    std::vector<QString> groups;
    for (const QString& g : p.groups)
        noteGroup(groups, blanksTrimmed(listSafeName(g)));
    if (groups.empty() && !stations.empty()) {
        QString title = CUtil::FileNameOf(path);
        if (const qsizetype dot = title.lastIndexOf(u'.'); dot > 0)
            title.truncate(dot);
        heading(blanksTrimmed(listSafeName(title)));
    }
    stationsOf({});
    for (const QString& g : groups) {
        heading(g);
        stationsOf(g);
    }
    return result;
}

QByteArray encodeM3u(const StationList& list)
{
    QByteArray out = "#EXTM3U\n";
    for (qsizetype i = 0; i < list.count(); ++i) {
        const QString name = listSafeName(list.name(i));
        if (list.url(i).isEmpty())
            out += "#EXTGRP:" + name.toUtf8() + '\n';
        else
            out += "#EXTINF:-1," + name.toUtf8() + '\n' + list.url(i).toUtf8() + '\n';
    }
    return out;
}

QByteArray encodePls(const StationList& list)
{
    QByteArray out = "[playlist]\n";
    int n = 0;
    for (qsizetype i = 0; i < list.count(); ++i) {
        if (list.url(i).isEmpty())
            continue;
        const QByteArray number = QByteArray::number(++n);
        out += "File" + number + '=' + list.url(i).toUtf8() + '\n';
        out += "Title" + number + '=' + listSafeName(list.name(i)).toUtf8() + '\n';
        out += "Length" + number + "=-1\n";
    }
    out += "NumberOfEntries=" + QByteArray::number(n) + "\nVersion=2\n";
    return out;
}
