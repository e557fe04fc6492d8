#include "stream/songrecorder.h"

#include "app/texts.h"
#include "stream/songtags.h"
#include "stream/streaminfo.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>

namespace {

bool pathTaken(const QString& path)
{
    return QFileInfo::exists(path);
}

} // namespace

// The writer thread: does, in order, what the recorder posts. Owns the open song file, the
// cue sheet's contents and the list of files produced.
class SongWriter {
public:
    enum class Kind { Begin, Open, Data, Track, Close, Finish };
    struct Command {
        Kind kind;
        QString song;
        bool partial = false;
        double seconds = 0;
        QByteArray bytes;
        SongRecording recording;
    };

    SongWriter() : thread_([this] { run(); }) {}
    ~SongWriter()
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    void post(Command command)
    {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(command));
        }
        wake_.notify_all();
    }
    bool waitIdle(int ms)
    {
        std::unique_lock lock(mutex_);
        return idle_.wait_for(lock, std::chrono::milliseconds(ms),
                              [this] { return queue_.empty() && !busy_; });
    }
    QStringList produced() const
    {
        std::lock_guard lock(mutex_);
        return produced_;
    }
    QString failed() const
    {
        std::lock_guard lock(mutex_);
        return failed_;
    }

private:
    void run()
    {
        std::unique_lock lock(mutex_);
        while (true) {
            wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            if (queue_.empty())
                return; // stopped, and everything asked is done
            Command command = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
            lock.unlock();
            handle(command);
            lock.lock();
            busy_ = false;
            if (queue_.empty())
                idle_.notify_all();
        }
    }

    void handle(const Command& c)
    {
        switch (c.kind) {
        case Kind::Begin:
            begin(c.recording);
            break;
        case Kind::Open:
            openSong(c.song, c.partial);
            break;
        case Kind::Data:
            if (file_.isOpen() && file_.write(c.bytes) != c.bytes.size())
                setFailed(file_.fileName());
            break;
        case Kind::Track:
            if (!files_.empty()) {
                files_.back().tracks.push_back(
                    {c.song, std::llround(c.seconds * kCueSectorsPerSecond)});
                writeSheet();
            }
            break;
        case Kind::Close:
            closeSong(c.song, c.partial);
            break;
        case Kind::Finish:
            finish(c.seconds);
            break;
        }
    }

    void begin(const SongRecording& r)
    {
        rec_ = r;
        const QFileInfo stem(r.stem);
        folder_ = stem.path();
        title_ = stem.fileName();
        cuePath_ = r.stem + QStringLiteral(".cue");
        date_ = QDate::currentDate().toString(Qt::ISODate);
        mp3_ = r.formatCode == FormatMp3;
        files_.clear();
        paths_.clear();
        if (!r.settings.split || (r.formatCode != FormatMp3 && r.formatCode != FormatAac))
            files_.push_back({title_ + u'.' + r.extension, mp3_, {}});
        std::lock_guard lock(mutex_);
        produced_.clear();
        failed_.clear();
    }

    void setFailed(const QString& path)
    {
        std::lock_guard lock(mutex_);
        if (failed_.isEmpty())
            failed_ = path;
    }

    void replaceProduced(const QString& from, const QString& to)
    {
        std::lock_guard lock(mutex_);
        produced_.removeAll(from);
        if (!to.isEmpty())
            produced_ << to;
    }

    QString songName(const QString& song, bool partial) const
    {
        return songFileName(song.trimmed().isEmpty() ? rec_.station : song, partial);
    }

    void openSong(const QString& song, bool partial)
    {
        openedName_ = songName(song, partial);
        const QString path = freeSongPath(folder_, openedName_, rec_.extension, pathTaken);
        file_.setFileName(path);
        // NewOnly: a file that appeared meanwhile is never written over.
        if (path.isEmpty() || !file_.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            setFailed(path.isEmpty() ? folder_ : path);
            return;
        }
        files_.push_back({QFileInfo(path).fileName(), mp3_, {}});
        paths_.push_back(path);
        replaceProduced({}, path);
    }

    void closeSong(const QString& song, bool partial)
    {
        if (!file_.isOpen())
            return;
        const qint64 size = file_.size();
        file_.close();
        QString path = paths_.back();
        if (size == 0) {
            QFile::remove(path);
            replaceProduced(path, {});
            files_.pop_back();
            paths_.pop_back();
            writeSheet();
            return;
        }
        const QString wanted = songName(song, partial);
        if (wanted != openedName_) {
            const QString renamed = freeSongPath(folder_, wanted, rec_.extension, pathTaken);
            if (!renamed.isEmpty() && QFile::rename(path, renamed)) {
                replaceProduced(path, renamed);
                path = renamed;
                files_.back().name = QFileInfo(path).fileName();
            }
        }
        const SongTitle t = splitSongTitle(song);
        tagSongFile(path, rec_.formatCode == FormatAac,
                    {t.title, t.performer, rec_.station, date_, rec_.stationUrl});
        infoLine(texts::choose(rec_.language,
                               {u"Song file: %s", u"Fichier du titre : %s", u"Titeldatei: %s"},
                               files_.back().name));
        writeSheet();
    }

    void finish(double seconds)
    {
        // A continuous recording's indexes past its end hold no audio.
        const std::int64_t end = std::llround(seconds * kCueSectorsPerSecond);
        if (files_.size() == 1 && paths_.empty()) {
            auto& tracks = files_.front().tracks;
            while (tracks.size() > 1 && tracks.back().sectors >= end)
                tracks.pop_back();
        }
        if (seconds <= 0 && paths_.empty()) {
            QFile::remove(cuePath_);
            replaceProduced(cuePath_, {});
            return;
        }
        writeSheet();
    }

    // The whole sheet each time, renamed over the last: a crash leaves a valid sheet.
    void writeSheet()
    {
        QSaveFile sheet(cuePath_);
        const QByteArray text = cueSheetText(rec_.station, title_, files_).toUtf8();
        if (sheet.open(QIODevice::WriteOnly) && sheet.write(text) == text.size() &&
            sheet.commit()) {
            std::lock_guard lock(mutex_);
            if (!produced_.contains(cuePath_))
                produced_ << cuePath_;
        }
    }

    void infoLine(const QString& text)
    {
        QFile info(rec_.infoPath);
        if (!rec_.infoPath.isEmpty() && info.open(QIODevice::WriteOnly | QIODevice::Append))
            info.write((u'\n' + text + u'\n').toUtf8());
    }

    mutable std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::deque<Command> queue_;
    bool stop_ = false;
    bool busy_ = false;
    QStringList produced_;
    QString failed_;

    // Writer thread only.
    SongRecording rec_;
    QString folder_, title_, cuePath_, date_, openedName_;
    bool mp3_ = false;
    QFile file_;
    std::vector<CueFile> files_;
    std::vector<QString> paths_; // of the song files, as files_ (split only)

    std::thread thread_; // last: starts once everything above exists
};

SongRecorder::SongRecorder() : writer_(std::make_unique<SongWriter>()) {}

SongRecorder::~SongRecorder() = default;

void SongRecorder::begin(const SongRecording& recording)
{
    if (active_)
        end();
    settings_ = recording.settings;
    frames_ = recording.formatCode == FormatMp3 || recording.formatCode == FormatAac;
    split_ = settings_.split && frames_;
    refused_ = settings_.split && !frames_;
    walker_.reset(recording.formatCode == FormatAac);
    position_ = lastIndex_ = fileStart_ = 0;
    lastSong_ = fileSong_ = recording.firstSong;
    filePartial_ = true;
    held_.clear();
    heldFront_ = 0;
    heldFrames_.clear();
    run_.clear();
    cuts_.clear();
    writer_->post({SongWriter::Kind::Begin, {}, false, 0, {}, recording});
    if (split_)
        writer_->post({SongWriter::Kind::Open, fileSong_, true, 0, {}, {}});
    writer_->post({SongWriter::Kind::Track, fileSong_, false, 0, {}, {}});
    active_ = true;
}

void SongRecorder::title(const QString& song)
{
    if (!active_ || song.isEmpty() || song == lastSong_)
        return;
    lastSong_ = song;
    double at = std::max(0.0, position_ + settings_.offsetMs / 1000.0);
    if (!split_) {
        at = std::max(at, lastIndex_);
        lastIndex_ = at;
        writer_->post({SongWriter::Kind::Track, song, false, at, {}, {}});
        return;
    }
    if (!cuts_.empty())
        at = std::max(at, cuts_.back().at);
    cuts_.push_back({at, song});
    release(false);
}

void SongRecorder::audio(const unsigned char* data, int n, int kbps)
{
    if (!active_ || n <= 0)
        return;
    if (!frames_) {
        if (kbps > 0)
            position_ += n * 8.0 / (kbps * 1000.0);
        return;
    }
    scratch_.clear();
    walker_.feed(data, n, scratch_);
    if (split_)
        held_.append(reinterpret_cast<const char*>(data), n);
    for (const AudioFrame& f : scratch_) {
        if (split_)
            heldFrames_.push_back({f.bytes, position_, f.seconds()});
        position_ += f.seconds();
    }
    if (split_)
        release(false);
}

void SongRecorder::release(bool everything)
{
    // A negative offset cuts before the title's arrival: that much audio stays in memory.
    const double hold = std::max(0.0, -settings_.offsetMs / 1000.0);
    const double limit = everything ? std::numeric_limits<double>::infinity() : position_ - hold;
    while (!heldFrames_.empty()) {
        const HeldFrame f = heldFrames_.front();
        const double middle = f.start + f.seconds / 2;
        if (middle >= limit)
            break;
        while (!cuts_.empty() && cuts_.front().at <= middle) {
            cutAt(f.start, cuts_.front().song);
            cuts_.pop_front();
        }
        run_.append(held_.constData() + heldFront_, f.bytes);
        heldFront_ += f.bytes;
        heldFrames_.pop_front();
    }
    if (everything)
        cuts_.clear(); // titles whose cut lies past the end: their songs were not recorded
    if (heldFront_ > (1 << 16)) {
        held_.remove(0, heldFront_);
        heldFront_ = 0;
    }
    flushRun();
}

void SongRecorder::cutAt(double at, const QString& song)
{
    if (at - fileStart_ < settings_.shortestSeconds) {
        // Too short for a file of its own: the piece goes into the next song's file.
        writer_->post({SongWriter::Kind::Track, song, false, at - fileStart_, {}, {}});
    } else {
        flushRun();
        writer_->post({SongWriter::Kind::Close, fileSong_, filePartial_, 0, {}, {}});
        writer_->post({SongWriter::Kind::Open, song, false, 0, {}, {}});
        writer_->post({SongWriter::Kind::Track, song, false, 0, {}, {}});
        fileStart_ = at;
    }
    fileSong_ = song;
    filePartial_ = false;
}

void SongRecorder::flushRun()
{
    if (run_.isEmpty())
        return;
    writer_->post({SongWriter::Kind::Data, {}, false, 0, run_, {}});
    run_.clear();
}

void SongRecorder::end()
{
    if (!active_)
        return;
    if (frames_) {
        if (const std::optional<AudioFrame> tail = walker_.finish()) {
            // A song file ends on a whole frame: a frame cut short by the stop plays nothing.
            if (split_ && tail->samples > 0)
                heldFrames_.push_back({tail->bytes, position_, tail->seconds()});
            position_ += tail->seconds();
        }
    }
    if (split_) {
        release(true);
        writer_->post({SongWriter::Kind::Close, fileSong_, true, 0, {}, {}});
    }
    writer_->post({SongWriter::Kind::Finish, {}, false, position_, {}, {}});
    active_ = false;
}

bool SongRecorder::waitIdle(int ms)
{
    return writer_->waitIdle(ms);
}

QStringList SongRecorder::producedFiles() const
{
    return writer_->produced();
}

QString SongRecorder::failedPath() const
{
    return writer_->failed();
}
