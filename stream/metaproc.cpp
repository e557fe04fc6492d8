#include "stream/metaproc.h"

#include "app/cutil.h"

namespace {

constexpr int kMaxTitleChars = 4094;
constexpr std::size_t kHistory = 5;

bool isValueLead(char c)
{
    return c == '=' || c == ' ' || c == '\'' || c == '&';
}

// The value that starts at from. A quoted ICY value runs to its closing "';" (so "Simon &
// Garfunkel" stays whole); otherwise leading "= ' &" and blanks are skipped and the value
// ends before ";" or "&", without a trailing quote.
QByteArrayView valueAt(QByteArrayView text, qsizetype from)
{
    from = std::min(from, text.size());
    if (from < text.size() && text[from] == '\'') {
        const qsizetype end = text.indexOf("';", from + 1);
        if (end >= 0) {
            QByteArrayView v = text.sliced(from + 1, end - from - 1);
            while (!v.isEmpty() && isValueLead(v.front()))
                v = v.sliced(1);
            return v;
        }
    }
    while (from < text.size() && isValueLead(text[from]))
        ++from;
    QByteArrayView rest = text.sliced(from);
    qsizetype end = rest.size();
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest[i] == ';' || rest[i] == '&') {
            end = i;
            break;
        }
    }
    QByteArrayView v = rest.first(end);
    if (!v.isEmpty() && v.back() == '\'')
        v.chop(1);
    return v;
}

} // namespace

QString metadataDisplayText(QByteArrayView block)
{
    if (block.size() < 10)
        return {};
    const qsizetype zero = block.indexOf('\0');
    QByteArrayView text = zero >= 0 ? block.first(zero) : block;
    const qsizetype bars = text.indexOf(" || ");
    if (bars >= 11)
        text = text.first(bars);

    QString display;
    const qsizetype key = text.indexOf("StreamTitle=");
    if (key >= 0) {
        const QString title = CUtil::DecodeText(valueAt(text, key + 12)).trimmed();
        if (title.size() >= 4)
            display = QStringLiteral("\n- ") + title;
    }
    if (display.size() < 6) {
        const qsizetype a = text.indexOf("artist=");
        if (a >= 0) {
            const QString artist = CUtil::DecodeText(valueAt(text, a + 7)).trimmed();
            if (artist.size() >= 3)
                display += QStringLiteral("\n- ") + artist;
        }
        qsizetype t = text.indexOf("title=");
        while (t > 0 && QChar::isLetter(uchar(text[t - 1]))) // not the end of "StreamTitle="
            t = text.indexOf("title=", t + 1);
        if (t >= 0) {
            const QString title = CUtil::DecodeText(valueAt(text, t + 6)).trimmed();
            if (title.size() >= 3)
                display += QStringLiteral(" - ") + title;
        }
    }
    return display.size() < 6 ? QString() : display;
}

QString oggCommentValue(QByteArrayView region, QByteArrayView key)
{
    const QByteArray lower = region.toByteArray().toLower();
    const QByteArray wanted = key.toByteArray().toLower();
    qsizetype from = 0;
    while (true) {
        const qsizetype at = QByteArrayView(lower).indexOf(wanted, from);
        if (at < 0)
            return {};
        from = at + 1;
        // A field name starts a comment: no letter right before it.
        if (at > 0 && QChar::isLetter(uchar(region[at - 1])))
            continue;
        qsizetype sep = at + wanted.size();
        while (sep < region.size() && region[sep] == ' ')
            ++sep;
        if (sep >= region.size() || (region[sep] != '=' && region[sep] != ':'))
            continue;
        // Comments carry their length in the 4 bytes before them; else the value runs to
        // the next control byte.
        qsizetype end = -1;
        if (at >= 4) {
            const auto u = [&](qsizetype i) { return quint32(uchar(region[i])); };
            const quint32 length =
                u(at - 4) | (u(at - 3) << 8) | (u(at - 2) << 16) | (u(at - 1) << 24);
            if (length > quint32(sep - at) && length <= quint32(region.size() - at))
                end = at + qsizetype(length);
        }
        if (end < 0) {
            end = sep + 1;
            while (end < region.size() && uchar(region[end]) >= 0x20)
                ++end;
        }
        return CUtil::ToWide(region.sliced(sep + 1, end - sep - 1)).trimmed();
    }
}

CMetaProc::CMetaProc(Output output, RecordingClock recordingSeconds)
    : output_(std::move(output)), recordingSeconds_(std::move(recordingSeconds))
{}

void CMetaProc::reset()
{
    titleHistory.clear();
    currentTitle.clear();
    rawMetadata.clear();
    tagArtist.clear();
    tagAlbum.clear();
    tagTitle.clear();
    tagGenre.clear();
    firstTagReading_ = true;
    setNowPlaying({});
}

QString CMetaProc::nowPlaying() const
{
    std::lock_guard lock(nowPlayingMutex_);
    return nowPlaying_;
}

void CMetaProc::setNowPlaying(const QString& song)
{
    std::lock_guard lock(nowPlayingMutex_);
    nowPlaying_ = song;
}

void CMetaProc::writeTitle(const QString& display)
{
    const QString title = display.left(kMaxTitleChars);
    const std::optional<double> seconds = recordingSeconds_ ? recordingSeconds_() : std::nullopt;
    if (seconds)
        output_(
            QStringLiteral("\n@ %1 sec. Recording Time\n%2\n").arg(*seconds, 0, 'f', 1).arg(title));
    else
        output_(title + u'\n');
}

bool CMetaProc::readMetadata(const char* text, int length)
{
    if (length < 10)
        return false;
    const QByteArrayView block(text, length);
    const qsizetype zero = block.indexOf('\0');
    QByteArrayView raw = zero >= 0 ? block.first(zero) : block;
    const qsizetype bars = raw.indexOf(" || ");
    rawMetadata =
        bars >= 11 ? CUtil::ToWide(raw.first(bars)) + QStringLiteral("\r\n") : CUtil::ToWide(raw);

    const QString display = metadataDisplayText(block);
    if (display.isEmpty())
        return false;
    if (std::find(titleHistory.begin(), titleHistory.end(), display) != titleHistory.end())
        return false;
    if (titleHistory.size() >= kHistory)
        titleHistory.pop_front();
    titleHistory.push_back(display);
    currentTitle = display;
    // Without the pane's "\n- " lead.
    setNowPlaying(display.sliced(std::min<qsizetype>(3, display.size())).left(kMaxTitleChars));
    writeTitle(display);
    return true;
}

void CMetaProc::readTags(const char* buffer, int length)
{
    const QByteArrayView region(buffer, std::max(0, length));
    struct Field {
        const char* key;
        QString* stored;
        const char16_t* label;
        bool title;
    };
    const Field fields[] = {
        {"artist", &tagArtist, u"- Artist : ", false},
        {"album", &tagAlbum, u"- Album  : ", false},
        {"title", &tagTitle, u"- Title  : ", true},
        {"genre", &tagGenre, u"- Genre  : ", false},
    };
    for (const Field& f : fields) {
        if (!f.title && f.stored == &tagGenre && !firstTagReading_)
            continue;
        const QString value = oggCommentValue(region, f.key);
        if (value.isEmpty() || value == *f.stored)
            continue;
        *f.stored = value;
        const QString line = QString::fromUtf16(f.label) + value + u'\n';
        const std::optional<double> seconds =
            f.title && recordingSeconds_ ? recordingSeconds_() : std::nullopt;
        if (seconds)
            output_(QStringLiteral("\n@ %1 sec. Recording Time\n").arg(*seconds, 0, 'f', 1) + line);
        else
            output_(line);
        if (f.title)
            setNowPlaying(tagArtist.isEmpty() ? tagTitle
                                              : tagArtist + QStringLiteral(" - ") + tagTitle);
    }
    firstTagReading_ = false;
}

void CMetaProc::showCurrentTitle()
{
    if (!titleHistory.empty())
        output_(titleHistory.back() + u'\n');
}
