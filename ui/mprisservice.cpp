#include "ui/mprisservice.h"

#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "stream/streamengine.h"
#include "ui/kestrelwavedlg.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QSlider>
#include <QUrl>
#include <algorithm>

using namespace ids;

namespace {

const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kBaseName = QStringLiteral("org.mpris.MediaPlayer2.kestrelwave");
constexpr int kPollMs = 200;

} // namespace

MprisService::MprisService(CKestrelwaveDlg& dlg, CKestrelwaveApp& app, QDBusConnection bus)
    : QObject(&dlg), dlg_(dlg), app_(app), bus_(std::move(bus))
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    // The installed icon, when there is one, as the cover.
    const QFileInfo icon(installedShareFolder(app_.programFolder) +
                         QStringLiteral("/icons/hicolor/256x256/apps/") +
                         QString::fromLatin1(kDesktopEntry) + QStringLiteral(".png"));
    if (icon.isFile())
        artUrl_ = QUrl::fromLocalFile(icon.canonicalFilePath()).toString();
    if (!bus_.isConnected())
        return;
    if (!bus_.registerObject(QString::fromLatin1(kObjectPath), this,
                             QDBusConnection::ExportAdaptors))
        return;
    // A second instance takes the name the interface sets aside for it.
    const QStringList names = {kBaseName, kBaseName + QStringLiteral(".instance") +
                                              QString::number(QCoreApplication::applicationPid())};
    for (const QString& name : names) {
        if (bus_.registerService(name)) {
            serviceName_ = name;
            break;
        }
    }
    if (serviceName_.isEmpty()) {
        bus_.unregisterObject(QString::fromLatin1(kObjectPath));
        return;
    }
    publishChanges();
    // The engine's workers change state without telling the window; like the window's own
    // timers, the service looks every few turns and tells the desktop what changed.
    connect(&poll_, &QTimer::timeout, this, &MprisService::publishChanges);
    poll_.start(kPollMs);
}

MprisService::~MprisService()
{
    poll_.stop();
    if (serviceName_.isEmpty())
        return;
    bus_.unregisterService(serviceName_);
    bus_.unregisterObject(QString::fromLatin1(kObjectPath));
}

// ---- commands ---------------------------------------------------------------------------

void MprisService::pressing(const std::function<void()>& press)
{
    if (pressing_)
        return;
    pressing_ = true;
    press();
    pressing_ = false;
    publishChanges();
}

void MprisService::raise()
{
    dlg_.showNormal();
    dlg_.raise();
    dlg_.activateWindow();
}

void MprisService::quit()
{
    pressing([this] { dlg_.command(IDOK); });
}

void MprisService::playPause()
{
    pressing([this] { dlg_.command(IDC_PLAY); });
}

void MprisService::play()
{
    pressing([this] {
        if (!app_.status.playing)
            dlg_.command(IDC_PLAY);
    });
}

void MprisService::stop()
{
    pressing([this] {
        if (app_.status.playing)
            dlg_.command(IDC_PLAY);
    });
}

void MprisService::next()
{
    pressing([this] {
        const int slot = stepSlot(+1);
        if (slot >= 0)
            dlg_.command(IDC_PRESET_FIRST + slot);
    });
}

void MprisService::previous()
{
    pressing([this] {
        const int slot = stepSlot(-1);
        if (slot >= 0)
            dlg_.command(IDC_PRESET_FIRST + slot);
    });
}

int MprisService::stepSlot(int direction) const
{
    // From the preselection playing, else the one selected; round the bank like a radio's
    // station keys.
    int current = app_.selectedPreset;
    if (app_.status.playing) {
        const QString& url = app_.engine->control.lastPlayedUrl;
        for (int i = 0; i < kPresetSlots; ++i) {
            if (!url.isEmpty() && app_.presetUrl[i] == url) {
                current = i;
                break;
            }
        }
    }
    if (current < 0 || current >= kPresetSlots)
        current = direction > 0 ? -1 : kPresetSlots;
    for (int k = 1; k <= kPresetSlots; ++k) {
        const int slot = ((current + direction * k) % kPresetSlots + kPresetSlots) % kPresetSlots;
        if (slot != current && !app_.presetUrl[slot].isEmpty())
            return slot;
    }
    return -1;
}

// ---- state ------------------------------------------------------------------------------

QString MprisService::playbackStatus() const
{
    return app_.status.playing ? QStringLiteral("Playing") : QStringLiteral("Stopped");
}

bool MprisService::canPlay() const
{
    return app_.status.playing || !dlg_.readUrlField().isEmpty();
}

double MprisService::volume() const
{
    const auto* slider = qobject_cast<const QSlider*>(dlg_.control(IDC_VOLUME));
    return slider ? double(slider->value()) / slider->maximum() : 0.0;
}

void MprisService::setVolume(double level)
{
    auto* slider = qobject_cast<QSlider*>(dlg_.control(IDC_VOLUME));
    if (!slider)
        return;
    // The thumb moves as if dragged there, so the player follows through the slider; the
    // position rounds like the window's own volume read-back.
    const double clamped = std::clamp(level, 0.0, 1.0);
    slider->setValue(int(clamped * slider->maximum() + 0.4999));
    publishChanges();
}

QString MprisService::stationName(const QString& url) const
{
    // The name the user knows it by: its list row (renamed after the station's own name once
    // it plays), else its preselection, else the name field showing it.
    const StationList& list = app_.stations;
    const qsizetype row = list.FindUrl(url);
    if (row >= 0 && !list.name(row).isEmpty())
        return list.name(row);
    for (int i = 0; i < kPresetSlots; ++i) {
        if (app_.presetUrl[i] == url && !app_.presetName[i].isEmpty())
            return app_.presetName[i];
    }
    if (dlg_.readUrlField() == url)
        return dlg_.readNameField();
    return {};
}

QVariantMap MprisService::metadata()
{
    StreamEngine& engine = *app_.engine;
    MetaKey key;
    key.playing = app_.status.playing;
    if (key.playing) {
        key.connected = app_.status.streamConnected;
        key.url = engine.control.lastPlayedUrl;
        key.announced = engine.info.get().stationName;
        key.song = engine.meta.nowPlaying();
    } else {
        // Stopped: the station the Play button would start.
        key.url = dlg_.readUrlField();
    }
    key.fieldName = dlg_.readNameField();
    if (key == metaKey_ && !meta_.isEmpty())
        return meta_;
    if (key.url != metaKey_.url || key.song != metaKey_.song || key.playing != metaKey_.playing)
        ++track_;
    metaKey_ = key;

    meta_.clear();
    if (key.url.isEmpty()) {
        meta_.insert(QStringLiteral("mpris:trackid"),
                     QVariant::fromValue(QDBusObjectPath(
                         QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"))));
        return meta_;
    }
    QString station = stationName(key.url);
    if (station.isEmpty() && key.connected)
        station = key.announced;
    if (station.isEmpty())
        station = key.url;
    meta_.insert(QStringLiteral("mpris:trackid"),
                 QVariant::fromValue(QDBusObjectPath(
                     QStringLiteral("/org/quorne/Kestrelwave/Track/%1").arg(track_))));
    // Title the song when one is announced, the artist line the station: what a desktop
    // widget shows in its two lines.
    meta_.insert(QStringLiteral("xesam:title"), key.song.isEmpty() ? station : key.song);
    meta_.insert(QStringLiteral("xesam:artist"), QStringList{station});
    meta_.insert(QStringLiteral("xesam:album"), station);
    meta_.insert(QStringLiteral("xesam:url"), key.url);
    if (!artUrl_.isEmpty())
        meta_.insert(QStringLiteral("mpris:artUrl"), artUrl_);
    return meta_;
}

void MprisService::publishChanges()
{
    if (serviceName_.isEmpty())
        return;
    QVariantMap now;
    now.insert(QStringLiteral("PlaybackStatus"), playbackStatus());
    now.insert(QStringLiteral("Metadata"), metadata());
    now.insert(QStringLiteral("Volume"), volume());
    now.insert(QStringLiteral("CanPlay"), canPlay());
    now.insert(QStringLiteral("CanPause"), canPlay());
    now.insert(QStringLiteral("CanGoNext"), canGoNext());
    now.insert(QStringLiteral("CanGoPrevious"), canGoPrevious());
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (published_.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    const bool first = published_.isEmpty();
    published_ = now;
    if (first || changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    bus_.send(signal);
}

// ---- adaptors ---------------------------------------------------------------------------

MprisRootAdaptor::MprisRootAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), service_(service)
{}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), service_(service)
{}
