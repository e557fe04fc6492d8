#include "platform/loopbackcapture.h"

#include "platform/clock.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace platform {
namespace {

constexpr int kConnectMs = 2000;
// The device check asks from the GUI thread: a server that does not answer soon is none.
constexpr int kProbeMs = 300;
constexpr int kQueryMs = 1000;
constexpr int kTurnSliceMs = 50;
constexpr std::uint32_t kAskEveryMs = 2000;
// What the server hands over at a time: short enough for a lively trace, long enough not
// to make an idle output wake up often for us.
constexpr pa_usec_t kFragmentUsec = 40000;
constexpr unsigned kFrameBytes = 4; // 16-bit stereo

// A connection to the sound server on a main loop that its user turns: the GUI thread while
// it opens and starts, the capture thread afterwards. Every turn is bounded.
struct Connection {
    pa_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    const std::atomic<bool>* cancelled = nullptr; // the owner's: give up every wait now

    explicit Connection(const std::atomic<bool>* cancel) : cancelled(cancel) {}

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { close(); }

    void close()
    {
        if (context) {
            pa_context_disconnect(context);
            pa_context_unref(context);
            context = nullptr;
        }
        if (loop) {
            pa_mainloop_free(loop);
            loop = nullptr;
        }
    }

    bool good() const { return context && PA_CONTEXT_IS_GOOD(pa_context_get_state(context)); }

    // One poll of at most ms, then the callbacks that became due.
    bool turn(int ms)
    {
        return pa_mainloop_prepare(loop, pa_usec_t(ms) * 1000) >= 0 &&
               pa_mainloop_poll(loop) >= 0 && pa_mainloop_dispatch(loop) >= 0;
    }

    // Turns the loop until done() holds; false when ms passed, the connection failed or the
    // owner cancelled. Turns are short so that a cancel is seen soon.
    template <class Done> bool turnUntil(Done done, int ms)
    {
        const std::uint32_t begin = tickCount();
        while (!done()) {
            const std::uint32_t spent = tickCount() - begin;
            if (!good() || spent >= std::uint32_t(ms) || (cancelled && *cancelled) ||
                !turn(std::min(kTurnSliceMs, int(std::uint32_t(ms) - spent))))
                return false;
        }
        return true;
    }

    bool connect(int ms)
    {
        close();
        loop = pa_mainloop_new();
        if (!loop)
            return false;
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Kestrelwave");
        context = pa_context_new_with_proplist(pa_mainloop_get_api(loop), "Kestrelwave", props);
        pa_proplist_free(props);
        if (!context || pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        return turnUntil([this] { return pa_context_get_state(context) == PA_CONTEXT_READY; }, ms);
    }

    // Waits for op to report through done; an answer that comes too late is cancelled, so
    // its callback never sees the caller's dead locals.
    bool await(pa_operation* op, const bool& done)
    {
        if (!op)
            return false;
        const bool ok = turnUntil([&done] { return done; }, kQueryMs);
        if (!ok)
            pa_operation_cancel(op);
        pa_operation_unref(op);
        return ok;
    }

    // The default sink's name; empty when there is none or the server does not answer.
    std::string defaultSink()
    {
        struct Answer {
            bool done = false;
            std::string name;
        } answer;
        pa_operation* op = pa_context_get_server_info(
            context,
            [](pa_context*, const pa_server_info* info, void* userdata) {
                auto* a = static_cast<Answer*>(userdata);
                if (info && info->default_sink_name)
                    a->name = info->default_sink_name;
                a->done = true;
            },
            &answer);
        await(op, answer.done);
        return answer.name;
    }
};

class PulseLoopbackCapture : public LoopbackCapture {
public:
    ~PulseLoopbackCapture() override { close(); }

    int open() override
    {
        close();
        device_.clear();
        deviceRate_ = 0;
        if (!conn_.connect(kConnectMs)) {
            close();
            return 1;
        }
        device_ = conn_.defaultSink();
        if (device_.empty()) {
            close();
            return 2;
        }
        setTracked(device_);
        // The sink tells the rate; its monitor must exist to be recorded. The monitor is named
        // by appending ".monitor", which PipeWire's pulse server knows as well.
        struct Answer {
            bool done = false;
            bool found = false;
            unsigned rate = 0;
        } sink, monitor;
        pa_operation* op = pa_context_get_sink_info_by_name(
            conn_.context, device_.c_str(),
            [](pa_context*, const pa_sink_info* info, int eol, void* userdata) {
                auto* a = static_cast<Answer*>(userdata);
                if (eol)
                    a->done = true;
                else if (info) {
                    a->found = true;
                    a->rate = info->sample_spec.rate;
                }
            },
            &sink);
        conn_.await(op, sink.done);
        op = pa_context_get_source_info_by_name(
            conn_.context, monitorName().c_str(),
            [](pa_context*, const pa_source_info* info, int eol, void* userdata) {
                auto* a = static_cast<Answer*>(userdata);
                if (eol)
                    a->done = true;
                else if (info)
                    a->found = true;
            },
            &monitor);
        conn_.await(op, monitor.done);
        if (!sink.found || !monitor.found) {
            close();
            return 3;
        }
        deviceRate_ = sink.rate;
        return 0;
    }

    int prepare() override
    {
        spec_ = {PA_SAMPLE_S16NE, deviceRate_, 2};
        return conn_.good() && pa_sample_spec_valid(&spec_) ? 0 : 4;
    }

    int start() override
    {
        if (!conn_.good() || !pa_sample_spec_valid(&spec_))
            return 5;
        pa_channel_map map;
        pa_channel_map_init_stereo(&map);
        stream_ = pa_stream_new(conn_.context, "Signal scope", &spec_, &map);
        if (!stream_)
            return 5;
        pa_buffer_attr attr;
        attr.maxlength = std::uint32_t(-1);
        attr.tlength = attr.prebuf = attr.minreq = std::uint32_t(-1);
        attr.fragsize = std::uint32_t(pa_usec_to_bytes(kFragmentUsec, &spec_));
        // The scope never keeps an idle output awake and stays on the device it was started
        // on (a vanished device ends the stream; the device check then starts anew).
        const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE |
                                             PA_STREAM_DONT_INHIBIT_AUTO_SUSPEND);
        if (pa_stream_connect_record(stream_, monitorName().c_str(), &attr, flags) < 0)
            return 5;
        const bool ready = conn_.turnUntil(
            [this] {
                const pa_stream_state_t s = pa_stream_get_state(stream_);
                return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
            },
            kConnectMs);
        if (!ready || pa_stream_get_state(stream_) != PA_STREAM_READY)
            return 5;
        if (const pa_buffer_attr* got = pa_stream_get_buffer_attr(stream_))
            bufferFrames_ = got->fragsize / kFrameBytes;

        // A new default output is announced as a server change; its name is kept for the
        // GUI thread's device check.
        pa_context_set_subscribe_callback(
            conn_.context,
            [](pa_context* c, pa_subscription_event_type_t t, std::uint32_t, void* userdata) {
                if ((t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SERVER)
                    return;
                pa_operation* op = pa_context_get_server_info(
                    c,
                    [](pa_context*, const pa_server_info* info, void* u) {
                        static_cast<PulseLoopbackCapture*>(u)->setTracked(
                            info && info->default_sink_name ? info->default_sink_name : "");
                    },
                    userdata);
                if (op)
                    pa_operation_unref(op);
            },
            this);
        if (pa_operation* op =
                pa_context_subscribe(conn_.context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr))
            pa_operation_unref(op);
        live_ = true;
        return 0;
    }

    void close() override
    {
        live_ = false;
        if (stream_) {
            if (peeked_)
                pa_stream_drop(stream_);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        peeked_ = false;
        conn_.close();
        bufferFrames_ = 0;
    }

    std::string deviceName() const override { return device_; }
    unsigned sampleRate() const override { return spec_.rate; }
    unsigned blockAlign() const override { return unsigned(pa_frame_size(&spec_)); }
    std::uint32_t bufferFrames() const override { return bufferFrames_; }

    bool wait(int timeoutMs) override
    {
        if (!streaming()) {
            lost();
            return false;
        }
        if (pa_stream_readable_size(stream_) == 0)
            conn_.turn(timeoutMs);
        if (!streaming()) {
            lost();
            return false;
        }
        return true;
    }

    Packet nextPacket() override
    {
        for (;;) {
            const void* data = nullptr;
            std::size_t bytes = 0;
            if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0)
                return {};
            if (bytes >= kFrameBytes) {
                peeked_ = true;
                return {static_cast<const std::int16_t*>(data), bytes / kFrameBytes};
            }
            pa_stream_drop(stream_); // a stray partial frame
        }
    }

    void releasePacket() override
    {
        if (peeked_)
            pa_stream_drop(stream_);
        peeked_ = false;
    }

    void cancelWaits(bool cancel) override { cancelled_ = cancel; }

    std::string defaultDeviceName() override
    {
        if (live_) {
            std::lock_guard lock(trackedMutex_);
            return tracked_;
        }
        if (asked_ && tickCount() - lastAsk_ < kAskEveryMs)
            return lastAnswer_;
        asked_ = true;
        lastAsk_ = tickCount();
        Connection probe(&cancelled_);
        lastAnswer_ = probe.connect(kProbeMs) ? probe.defaultSink() : std::string();
        return lastAnswer_;
    }

private:
    std::string monitorName() const { return device_ + ".monitor"; }

    bool streaming() const
    {
        return conn_.good() && stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY;
    }

    // The stream or the connection is gone: the device is asked for anew from now on.
    void lost() { live_ = false; }

    void setTracked(const std::string& name)
    {
        std::lock_guard lock(trackedMutex_);
        tracked_ = name;
    }

    std::atomic<bool> cancelled_{false};
    Connection conn_{&cancelled_};
    pa_stream* stream_ = nullptr;
    pa_sample_spec spec_{PA_SAMPLE_S16NE, 0, 2};
    std::string device_;
    unsigned deviceRate_ = 0;
    std::uint32_t bufferFrames_ = 0;
    bool peeked_ = false;

    // Written by whichever thread turns the loop, read by the GUI thread.
    std::atomic<bool> live_{false};
    std::mutex trackedMutex_;
    std::string tracked_;

    // The thread that checks the device.
    bool asked_ = false;
    std::uint32_t lastAsk_ = 0;
    std::string lastAnswer_;
};

} // namespace

std::unique_ptr<LoopbackCapture> makeLoopbackCapture()
{
    return std::make_unique<PulseLoopbackCapture>();
}

} // namespace platform
