#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <functional>

class CKestrelwaveApp;
class CKestrelwaveDlg;

// The desktop's media-player interface (MPRIS 2) for the main window: media keys, the lock
// screen and the desktop's media widget press the window's own controls through it, so every
// check, box and pane line of a command stays. GUI thread only. Registers
// org.mpris.MediaPlayer2.kestrelwave while it lives; without a session bus it does nothing.
class MprisService : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* kDesktopEntry = "org.quorne.Kestrelwave";

    MprisService(CKestrelwaveDlg& dlg, CKestrelwaveApp& app,
                 QDBusConnection bus = QDBusConnection::sessionBus());
    ~MprisService() override;

    // The bus name held, empty when there is no bus (or it refused every name).
    QString serviceName() const { return serviceName_; }

    // org.mpris.MediaPlayer2
    void raise();
    void quit();
    // org.mpris.MediaPlayer2.Player
    void playPause();
    void play();
    void stop();
    void next();
    void previous();
    QString playbackStatus() const;
    QVariantMap metadata();
    double volume() const;
    void setVolume(double level);
    bool canPlay() const;
    bool canGoNext() const { return stepSlot(+1) >= 0; }
    bool canGoPrevious() const { return stepSlot(-1) >= 0; }

private:
    // Runs a window command unless one is still running (its waits handle D-Bus calls too).
    void pressing(const std::function<void()>& press);
    // The next (+1) or previous (-1) preselection holding a station, -1 when none does.
    int stepSlot(int direction) const;
    QString stationName(const QString& url) const;
    // Sends PropertiesChanged for what differs from the last values sent.
    void publishChanges();

    CKestrelwaveDlg& dlg_;
    CKestrelwaveApp& app_;
    QDBusConnection bus_;
    QString serviceName_;
    QTimer poll_;
    bool pressing_ = false;
    QVariantMap published_;

    // Metadata is rebuilt only when what it is made of changed.
    struct MetaKey {
        bool playing = false;
        bool connected = false;
        QString url, fieldName, announced, song;
        bool operator==(const MetaKey&) const = default;
    };
    MetaKey metaKey_;
    QVariantMap meta_;
    QString artUrl_; // the installed icon as a file URL, or empty
    quint64 track_ = 0;
};

// org.mpris.MediaPlayer2 on the service's object.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool CanSetFullscreen READ canSetFullscreen)
    Q_PROPERTY(bool Fullscreen READ fullscreen)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
public:
    explicit MprisRootAdaptor(MprisService* service);

    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool canSetFullscreen() const { return false; }
    bool fullscreen() const { return false; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Kestrelwave"); }
    QString desktopEntry() const { return QString::fromLatin1(MprisService::kDesktopEntry); }
    // Streams are opened from the window's list, not handed over by URI.
    QStringList supportedUriSchemes() const { return {}; }
    QStringList supportedMimeTypes() const { return {}; }

public Q_SLOTS:
    void Raise() { service_->raise(); }
    void Quit() { service_->quit(); }

private:
    MprisService* service_;
};

// org.mpris.MediaPlayer2.Player on the service's object. A live stream cannot pause: Pause
// stops, as the Play button does while a station plays.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)
public:
    explicit MprisPlayerAdaptor(MprisService* service);

    QString playbackStatus() const { return service_->playbackStatus(); }
    double rate() const { return 1.0; }
    void setRate(double) {}
    QVariantMap metadata() const { return service_->metadata(); }
    double volume() const { return service_->volume(); }
    void setVolume(double level) { service_->setVolume(level); }
    qlonglong position() const { return 0; }
    bool canGoNext() const { return service_->canGoNext(); }
    bool canGoPrevious() const { return service_->canGoPrevious(); }
    bool canPlay() const { return service_->canPlay(); }
    bool canPause() const { return service_->canPlay(); }
    bool canSeek() const { return false; }
    bool canControl() const { return true; }

public Q_SLOTS:
    void Next() { service_->next(); }
    void Previous() { service_->previous(); }
    void Pause() { service_->stop(); }
    void PlayPause() { service_->playPause(); }
    void Stop() { service_->stop(); }
    void Play() { service_->play(); }
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

Q_SIGNALS:
    void Seeked(qlonglong position);

private:
    MprisService* service_;
};
