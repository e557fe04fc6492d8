#include "app/settings.h"

#include "app/cutil.h"
#include "app/kestrelwaveapp.h"
#include "app/mainwindowport.h"
#include "app/texts.h"
#include "platform/folders.h"
#include "stations/listline.h"

#include <QFile>
#include <QSaveFile>

namespace {

constexpr qsizetype kValueBytes = 4093; // the profile read's 4094-byte buffer
constexpr qsizetype kLineChars = 4095;  // lines are built in 4096 characters

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

QByteArrayView trimmed(QByteArrayView s)
{
    while (!s.isEmpty() && isBlank(s.front()))
        s = s.sliced(1);
    while (!s.isEmpty() && isBlank(s.back()))
        s.chop(1);
    return s;
}

bool sameNoCase(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

const char* const kColorKeysRead[ColorCount] = {"dlg_background", "list_background", "list_header",
                                                "category",       "categBkg",        "modified",
                                                "valid",          "invalid"};
const char* const kColorKeysWritten[ColorCount] = {
    "dlg_background", "list_background", "list_header", "category",
    "categbkg",       "modified",        "valid",       "invalid"};

// sscanf's "%d": optional blanks, an optional sign, digits.
std::optional<long long> scanInt(QByteArrayView& s)
{
    qsizetype i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    const qsizetype digits = i;
    long long value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        value = std::min<long long>(value * 10 + (s[i] - '0'), 1LL << 40);
        ++i;
    }
    if (i == digits)
        return std::nullopt;
    s = s.sliced(i);
    return negative ? -value : value;
}

} // namespace

std::optional<QString> IniText::value(QByteArrayView section, QByteArrayView key) const
{
    bool inSection = false, sectionSeen = false;
    QByteArrayView rest = text_;
    while (!rest.isEmpty()) {
        const qsizetype lf = rest.indexOf('\n');
        QByteArrayView line = trimmed(lf < 0 ? rest : rest.first(lf));
        rest = lf < 0 ? QByteArrayView() : rest.sliced(lf + 1);
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            const QByteArrayView name =
                trimmed(close < 0 ? line.sliced(1) : line.sliced(1, close - 1));
            if (sectionSeen && inSection)
                return std::nullopt; // only the first section of that name is looked at
            inSection = sameNoCase(name, section);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0 || !sameNoCase(trimmed(line.first(eq)), key))
            continue;
        QByteArrayView v = trimmed(line.sliced(eq + 1));
        if (v.size() > kValueBytes)
            v = v.first(kValueBytes);
        if (v.isEmpty())
            return std::nullopt;
        return QString::fromUtf8(v);
    }
    return std::nullopt;
}

std::optional<unsigned> parseColor(QByteArrayView text)
{
    QByteArrayView s = text;
    long long rgbValues[3];
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (s.isEmpty() || s.front() != ',')
                return std::nullopt;
            s = s.sliced(1);
        }
        const std::optional<long long> v = scanInt(s);
        if (!v)
            return std::nullopt;
        rgbValues[i] = *v;
    }
    return rgb(unsigned(rgbValues[0] & 0xFF), unsigned(rgbValues[1] & 0xFF),
               unsigned(rgbValues[2] & 0xFF));
}

int CKestrelwaveApp::ReadSettings()
{
    iniPath = platform::canonicalPath(dataFolder + QStringLiteral("/Kestrelwave.ini"));
    QString probe = iniPath;
    if (CUtil::FileSize(probe) < 1)
        return 0;
    QFile file(iniPath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const IniText ini(file.readAll());

    if (const auto list = ini.value("LIST_FILE", "list")) {
        const qsizetype lastSep = std::max(list->lastIndexOf(u'/'), list->lastIndexOf(u'\\'));
        stations.listPath = lastSep > 0 ? *list : dataFolder + u'/' + *list;
    }
    if (const auto url = ini.value("WEBSERVER", "url"))
        webSearchUrl = *url;
    if (const auto current = ini.value("CURRENT_URL", "url")) {
        if (const std::optional<ListEntry> e = ParseListLine(*current)) {
            currentUrl = e->url;
            currentName = e->name;
        }
    }
    for (QString& url : presetUrl)
        url.clear();
    for (int n = 1; n <= kPresetSlots; ++n) {
        const QByteArray key = "sel_" + QByteArray::number(n);
        if (const auto value = ini.value("PRESELECTIONS", key)) {
            if (const std::optional<ListEntry> e = ParseListLine(*value)) {
                presetUrl[n - 1] = e->url;
                presetName[n - 1] = e->name;
            }
        }
    }
    selectedPreset = -1;
    if (const auto selected = ini.value("PRESELECTIONS", "selected")) {
        if (const std::optional<double> number = CUtil::ReadNumber(*selected);
            number && *number > 0) {
            const double n = std::min(*number, 1e6);
            const int slot = int(n);
            if (slot >= 1 && slot <= kPresetSlots && !presetUrl[slot - 1].isEmpty())
                selectedPreset = slot - 1;
        }
    }
    for (int c = 0; c < ColorCount; ++c) {
        if (const auto value = ini.value("COLORS", kColorKeysRead[c])) {
            // Fewer than three numbers: the colour keeps the value it had.
            if (const std::optional<unsigned> color = parseColor(value->toUtf8()))
                colors[c] = *color;
        }
    }
    const auto number = [&ini](const char* key, int low, int high) -> std::optional<int> {
        const auto value = ini.value("SONGS", key);
        bool ok = false;
        const int n = value ? value->toInt(&ok) : 0;
        return ok ? std::optional<int>(std::clamp(n, low, high)) : std::nullopt;
    };
    if (const auto split = number("split", 0, 1))
        splitSongs = *split;
    if (const auto offset = number("offset_ms", -10000, 10000))
        titleOffsetMs = *offset;
    if (const auto shortest = number("shortest_s", 0, 3600))
        shortestSongSeconds = *shortest;
    return 1;
}

int CKestrelwaveApp::WriteSettings()
{
    if (iniPath.isEmpty())
        return 0;
    QByteArray out;
    const auto line = [&out](const QString& text) {
        out += QStringView(text).left(kLineChars).toUtf8();
        out += "\r\n";
    };
    line(QStringLiteral("[LIST_FILE]"));
    if (stations.listPath.isEmpty())
        stations.listPath = dataFolder + QStringLiteral("/Kestrelwave_example.txt");
    line(QStringLiteral("list=") + stations.listPath);
    line(QStringLiteral("[WEBSERVER]"));
    line(QStringLiteral("url=") + webSearchUrl);
    if (window_)
        currentUrl = window_->readUrlField();
    if (!currentUrl.isEmpty()) {
        line(QStringLiteral("[CURRENT_URL]"));
        line(QStringLiteral("url=") + currentUrl);
    }
    if (std::any_of(presetUrl.begin(), presetUrl.end(),
                    [](const QString& u) { return !u.isEmpty(); })) {
        line(QStringLiteral("[PRESELECTIONS]"));
        for (int n = 1; n <= kPresetSlots; ++n) {
            const QString& url = presetUrl[n - 1];
            if (url.isEmpty())
                continue;
            const QString name = listSafeName(presetName[n - 1]);
            line(name.isEmpty() ? QStringLiteral("sel_%1 = %2").arg(n).arg(url)
                                : QStringLiteral("sel_%1 = %2 \t%3").arg(n).arg(name, url));
        }
        if (selectedPreset >= 0)
            line(QStringLiteral("selected = %1").arg(selectedPreset + 1));
    }
    line(QStringLiteral("[COLORS]"));
    for (int c = 0; c < ColorCount; ++c) {
        const std::uint32_t v = colors[c];
        line(QStringLiteral("%1=%2,%3,%4")
                 .arg(QLatin1String(kColorKeysWritten[c]))
                 .arg(v & 0xFF)
                 .arg((v >> 8) & 0xFF)
                 .arg((v >> 16) & 0xFF));
    }
    line(QStringLiteral("[SONGS]"));
    line(QStringLiteral("split=%1").arg(splitSongs.load()));
    line(QStringLiteral("offset_ms=%1").arg(titleOffsetMs.load()));
    line(QStringLiteral("shortest_s=%1").arg(shortestSongSeconds.load()));

    // Written beside the old file and renamed over it: a crash or a full disk keeps the
    // previous settings whole.
    QSaveFile file(iniPath);
    // flush() first: commit() renames even when writing out its buffer failed.
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.flush() ||
        !file.commit()) {
        boxes_.show(texts::choose(language_,
                                  {u"Could not open or create the \"Kestrelwave.ini\" file",
                                   u"Impossible d'ouvrir ou créer le fichier \"Kestrelwave.ini\"",
                                   u"Die Datei \"Kestrelwave.ini\" konnte nicht geöffnet oder "
                                   u"erstellt werden"}),
                    BoxIcon::Error);
        return 0;
    }
    return 1;
}

void CKestrelwaveApp::ApplyFirstStartDefaults()
{
    stations.listPath =
        dataFolder.isEmpty() ? QString() : dataFolder + QStringLiteral("/Kestrelwave_example.txt");
    webSearchUrl = QString::fromUtf16(kDefaultWebSearchUrl);
    WriteSettings();
}
