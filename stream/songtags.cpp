#include "stream/songtags.h"

#include <QFile>
#include <QSaveFile>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <tpropertymap.h>

namespace {

TagLib::String toTag(const QString& text)
{
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

TagLib::PropertyMap properties(const SongTags& tags)
{
    TagLib::PropertyMap map;
    const auto put = [&map](const char* key, const QString& value) {
        if (!value.isEmpty())
            map.replace(key, TagLib::StringList(toTag(value)));
    };
    put("TITLE", tags.title);
    put("ARTIST", tags.artist);
    put("ALBUM", tags.album);
    put("DATE", tags.date);
    put("COMMENT", tags.comment);
    return map;
}

} // namespace

bool tagSongFile(const QString& path, bool aac, const SongTags& tags)
{
    const QByteArray name = QFile::encodeName(path);
    if (!aac) {
        TagLib::MPEG::File file(name.constData(), false);
        if (!file.isValid())
            return false;
        file.ID3v2Tag(true)->setProperties(properties(tags));
        return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4);
    }
    TagLib::ID3v2::Tag tag;
    tag.setProperties(properties(tags));
    const TagLib::ByteVector head = tag.render(TagLib::ID3v2::v4);
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    // Beside the song and renamed over it: a failure leaves the untagged file whole.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(head.data(), head.size()) != head.size())
        return false;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 16);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size())
            return false;
    }
    in.close();
    return out.commit();
}
