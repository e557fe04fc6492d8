#pragma once

#include <QString>
#include <cstdint>
#include <functional>

struct StreamEngine;

// The main window's play and record commands and the messages by which the worker reports
// back. GUI thread only; drives the worker, the bridge and the recorder through the
// playback status block and the worker's flags.
class PlaybackControl {
public:
    explicit PlaybackControl(StreamEngine& engine);

    void onPlayButton();   // control 1004
    void onPlayUrlField(); // WM_APP+1: switch to the station in the URL field
    void Play();
    void Stop();
    void onRecordButton();    // control 1005
    void onDeleteRecording(); // control 1017
    void StartRecording();
    void StopRecording();
    void onTransferEnd(); // WM_APP+2
    // The window closes: no play starts from now on, nor one waiting to start.
    void shutdown()
    {
        closing_ = true;
        ++stopCount_;
    }
    void onBitRate(int kbps); // WM_APP+4

    // The volume slider moved to position (0-24).
    void volumeMoved(int position);
    // Timer 4: the slider position the player's volume asks for, or -1 for no change.
    int volumeThumbPosition();

    // Worker thread, once its transfer ended outside the auto-scan: the playback stop
    // without waiting for the worker (it is the caller).
    void workerEnded();

    // Whether a station may be played (the Internet check); tests replace it.
    std::function<bool(const QString& url)> connectionAvailable;

    QString lastPlayedUrl;
    QString lastRecordPath;
    std::uint32_t recordStartTime = 0;
    // How long Record from idle waits for the player, in rounds of about 1 ms.
    int recordStartRounds = 10001;
    int lastVolumePosition = -1;

    // Waits ms while the window keeps handling events other than user input.
    void waitMs(int ms);

private:
    StreamEngine& engine_;
    // Set while Play waits for the previous worker: a second click meanwhile is ignored.
    bool starting_ = false;
    bool closing_ = false;
    std::uint32_t stopCount_ = 0; // Stops so far: a play that waited checks none came
};

// True for addresses on this machine, which need no Internet connection.
bool isLoopbackUrl(const QString& url);
