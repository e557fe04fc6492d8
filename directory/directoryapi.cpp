#include "directory/directoryapi.h"

#include "app/cutil.h"
#include "stations/fieldtext.h"
#include "stations/stationlist.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QUrl>
#include <cmath>
#include <limits>

namespace {

QString text(const QJsonValue& v)
{
    switch (v.type()) {
    case QJsonValue::String:
        return v.toString().trimmed();
    case QJsonValue::Double: {
        const double d = v.toDouble();
        return d == std::floor(d) && std::abs(d) < 1e15 ? QString::number(qint64(d))
                                                        : QString::number(d);
    }
    default:
        return {};
    }
}

int number(const QJsonValue& v)
{
    double d = 0;
    if (v.isDouble())
        d = v.toDouble();
    else if (v.isString())
        d = v.toString().trimmed().toDouble();
    else if (v.isBool())
        d = v.toBool() ? 1 : 0;
    if (!std::isfinite(d))
        return 0;
    constexpr double lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    return int(std::clamp(d, lo, hi));
}

bool checkOk(const QJsonValue& v)
{
    // Unknown counts as working: only a check that failed hides a station.
    if (v.isUndefined() || v.isNull())
        return true;
    if (v.isString()) {
        const QString s = v.toString().trimmed();
        if (s.compare(u"true", Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(u"false", Qt::CaseInsensitive) == 0 || s.isEmpty())
            return false;
    }
    return number(v) != 0;
}

void addParameter(QByteArray& path, const char* key, const QString& value)
{
    if (value.isEmpty())
        return;
    path += '&';
    path += key;
    path += '=';
    path += QUrl::toPercentEncoding(value);
}

// The station as a list entry; nothing when its list line would read back another address.
std::optional<ListEntry> listEntry(const QString& name, const QString& address)
{
    ListEntry entry{name, cleanUrlFieldText(address), 0, QString()};
    if (entry.url.isEmpty() || !CUtil::IsUrl(entry.url))
        return std::nullopt;
    const std::optional<ListEntry> back = ParseListLine(FormatListLine(entry));
    if (!back || back->url != entry.url)
        return std::nullopt;
    return entry;
}

} // namespace

QString DirectoryQuery::summary() const
{
    QStringList words;
    for (const QString* field : {&name, &tag, &country, &language, &codec}) {
        if (!field->trimmed().isEmpty())
            words << field->trimmed();
    }
    if (bitrateMin > 0)
        words << QStringLiteral("%1k").arg(bitrateMin);
    return words.join(QStringLiteral(", "));
}

QByteArray searchPath(const DirectoryQuery& query, int offset)
{
    QByteArray path = "/json/stations/search?order=votes&reverse=true";
    addParameter(path, "name", query.name.trimmed());
    addParameter(path, "tag", query.tag.trimmed());
    const QString country = query.country.trimmed();
    const bool code = country.size() == 2 && country[0].isLetter() && country[1].isLetter();
    addParameter(path, code ? "countrycode" : "country", code ? country.toUpper() : country);
    addParameter(path, "language", query.language.trimmed());
    addParameter(path, "codec", query.codec.trimmed());
    if (query.bitrateMin > 0)
        addParameter(path, "bitrateMin", QString::number(query.bitrateMin));
    path += query.hideBroken ? "&hidebroken=true" : "&hidebroken=false";
    path += "&limit=" + QByteArray::number(kDirectoryPageSize);
    path += "&offset=" + QByteArray::number(std::max(0, offset));
    return path;
}

QByteArray clickPath(const QString& uuid)
{
    return "/json/url/" + QUrl::toPercentEncoding(uuid.trimmed());
}

std::optional<std::vector<DirectoryStation>> parseSearchAnswer(const QByteArray& answer)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(answer, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    const QJsonArray array = doc.array();
    std::vector<DirectoryStation> stations;
    stations.reserve(std::size_t(array.size()));
    for (const QJsonValue& element : array) {
        if (!element.isObject())
            continue;
        // One pass over the record's fields: a lookup by name would walk them for each.
        const QJsonObject o = element.toObject();
        DirectoryStation s;
        for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
            const QString key = it.key();
            const QJsonValue v = it.value();
            if (key == u"stationuuid")
                s.uuid = text(v);
            else if (key == u"name")
                s.name = text(v);
            else if (key == u"url")
                s.url = text(v);
            else if (key == u"url_resolved")
                s.urlResolved = text(v);
            else if (key == u"codec")
                s.codec = text(v);
            else if (key == u"bitrate")
                s.bitrate = std::max(0, number(v));
            else if (key == u"country")
                s.country = text(v);
            else if (key == u"countrycode")
                s.countryCode = text(v);
            else if (key == u"language")
                s.language = text(v);
            else if (key == u"tags")
                s.tags = text(v);
            else if (key == u"votes")
                s.votes = number(v);
            else if (key == u"lastcheckok")
                s.lastCheckOk = checkOk(v);
        }
        stations.push_back(std::move(s));
    }
    return stations;
}

DirectoryAddition directoryListEntries(const QString& heading,
                                       const std::vector<DirectoryStation>& stations,
                                       const StationList& list)
{
    DirectoryAddition added;
    QSet<QString> taken;
    for (const DirectoryStation& s : stations) {
        const QString name = cleanNameFieldText(listSafeName(s.name));
        std::optional<ListEntry> entry = listEntry(name, s.address());
        if (!entry && !s.url.isEmpty())
            entry = listEntry(name, s.urlResolved);
        if (!entry) {
            ++added.unfit;
            continue;
        }
        if (taken.contains(entry->url) || list.FindUrl(entry->url) >= 0)
            continue;
        taken.insert(entry->url);
        if (added.entries.empty())
            added.entries.push_back({listSafeName(heading), QString(), 0, QString()});
        added.entries.push_back(std::move(*entry));
    }
    return added;
}
