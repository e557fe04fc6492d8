#include "platform/audiosession.h"

#include "platform/clock.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <mutex>

namespace platform {

struct AudioSession::Private {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    std::mutex mutex; // serialises find/setVolume callers
    std::uint32_t lastConnectTry = 0;
    bool everTried = false;
    AudioSession* owner = nullptr;

    // State of one find() round.
    QByteArray tag;
    pid_t pid = 0;
    std::uint32_t found = kNone;
    int foundMillis = -1;
    int foundChannels = 2;
    bool listDone = false;
};

namespace {

int millisOf(const pa_cvolume& v)
{
    return int(double(pa_cvolume_avg(&v)) * 1000.0 / PA_VOLUME_NORM + 0.5);
}

void contextState(pa_context*, void* userdata)
{
    auto* d = static_cast<AudioSession::Private*>(userdata);
    pa_threaded_mainloop_signal(d->loop, 0);
}

} // namespace

AudioSession::AudioSession() : d_(std::make_unique<Private>())
{
    d_->owner = this;
}

AudioSession::~AudioSession()
{
    if (d_->loop) {
        pa_threaded_mainloop_stop(d_->loop);
        if (d_->context) {
            pa_context_disconnect(d_->context);
            pa_context_unref(d_->context);
        }
        pa_threaded_mainloop_free(d_->loop);
    }
}

bool AudioSession::connect()
{
    if (d_->context && pa_context_get_state(d_->context) == PA_CONTEXT_READY)
        return true;
    // A missing sound server is asked again at most every two seconds.
    if (d_->everTried && tickCount() - d_->lastConnectTry < 2000)
        return false;
    d_->everTried = true;
    d_->lastConnectTry = tickCount();
    if (!d_->loop) {
        d_->loop = pa_threaded_mainloop_new();
        if (!d_->loop || pa_threaded_mainloop_start(d_->loop) < 0)
            return false;
    }
    pa_threaded_mainloop_lock(d_->loop);
    if (d_->context) {
        pa_context_disconnect(d_->context);
        pa_context_unref(d_->context);
    }
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Kestrelwave");
    d_->context =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(d_->loop), "Kestrelwave", props);
    pa_proplist_free(props);
    pa_context_set_state_callback(d_->context, contextState, d_.get());
    bool ready = false;
    if (pa_context_connect(d_->context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const std::uint32_t start = tickCount();
        for (;;) {
            const pa_context_state_t s = pa_context_get_state(d_->context);
            if (s == PA_CONTEXT_READY) {
                ready = true;
                break;
            }
            if (!PA_CONTEXT_IS_GOOD(s) || tickCount() - start > 2000)
                break;
            pa_threaded_mainloop_wait(d_->loop);
        }
    }
    if (ready) {
        // Volume changes of our sink input, wherever they come from.
        pa_context_set_subscribe_callback(
            d_->context,
            [](pa_context* c, pa_subscription_event_type_t t, std::uint32_t idx, void* userdata) {
                auto* self = static_cast<AudioSession*>(userdata);
                if ((t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SINK_INPUT ||
                    idx != self->index_)
                    return;
                if ((t & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) {
                    self->index_ = kNone;
                    self->volumeMillis_ = -1;
                    return;
                }
                pa_operation* op = pa_context_get_sink_input_info(
                    c, idx,
                    [](pa_context*, const pa_sink_input_info* info, int eol, void* u) {
                        auto* s = static_cast<AudioSession*>(u);
                        if (!eol && info && info->index == s->index_) {
                            s->volumeMillis_ = millisOf(info->volume);
                            s->channels_ = std::max<int>(1, info->volume.channels);
                        }
                    },
                    self);
                if (op)
                    pa_operation_unref(op);
            },
            this);
        pa_operation* op =
            pa_context_subscribe(d_->context, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr);
        if (op)
            pa_operation_unref(op);
    }
    pa_threaded_mainloop_unlock(d_->loop);
    return ready;
}

bool AudioSession::find(const QString& tag, pid_t pid)
{
    std::lock_guard guard(d_->mutex);
    if (!connect())
        return false;
    pa_threaded_mainloop_lock(d_->loop);
    d_->tag = tag.toUtf8();
    d_->pid = pid;
    d_->found = kNone;
    d_->foundMillis = -1;
    d_->listDone = false;
    pa_operation* op = pa_context_get_sink_input_info_list(
        d_->context,
        [](pa_context*, const pa_sink_input_info* info, int eol, void* userdata) {
            auto* d = static_cast<Private*>(userdata);
            if (eol) {
                d->listDone = true;
                pa_threaded_mainloop_signal(d->loop, 0);
                return;
            }
            if (!info || d->found != kNone)
                return;
            const char* t = pa_proplist_gets(info->proplist, kTagKey);
            const char* p = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
            const bool tagged = t && !d->tag.isEmpty() && d->tag == t;
            const bool byPid = p && d->pid > 0 && QByteArray::number(d->pid) == p;
            if (tagged || byPid) {
                d->found = info->index;
                d->foundMillis = millisOf(info->volume);
                d->foundChannels = std::max<int>(1, info->volume.channels);
            }
        },
        d_.get());
    if (op) {
        const std::uint32_t start = tickCount();
        while (!d_->listDone && tickCount() - start < 500 &&
               pa_operation_get_state(op) == PA_OPERATION_RUNNING)
            pa_threaded_mainloop_wait(d_->loop);
        pa_operation_unref(op);
    }
    if (d_->found != kNone) {
        index_ = d_->found;
        volumeMillis_ = d_->foundMillis;
        channels_ = d_->foundChannels;
    }
    pa_threaded_mainloop_unlock(d_->loop);
    return index_ != kNone;
}

void AudioSession::forget()
{
    index_ = kNone;
    volumeMillis_ = -1;
}

bool AudioSession::setVolume(double level)
{
    std::lock_guard guard(d_->mutex);
    const std::uint32_t idx = index_;
    if (idx == kNone || !d_->context)
        return false;
    level = std::clamp(level, 0.0, 1.0);
    pa_threaded_mainloop_lock(d_->loop);
    pa_cvolume v;
    pa_cvolume_set(&v, unsigned(channels_.load()), pa_volume_t(level * PA_VOLUME_NORM + 0.5));
    pa_operation* op = pa_context_set_sink_input_volume(d_->context, idx, &v, nullptr, nullptr);
    if (op)
        pa_operation_unref(op);
    pa_threaded_mainloop_unlock(d_->loop);
    volumeMillis_ = int(level * 1000 + 0.5);
    return op != nullptr;
}

double AudioSession::volume() const
{
    const int m = volumeMillis_;
    return index_ == kNone || m < 0 ? -1.0 : m / 1000.0;
}

} // namespace platform
