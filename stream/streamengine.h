#pragma once

#include "stream/curlthread.h"
#include "stream/metaproc.h"
#include "stream/oscillo.h"
#include "stream/playbackcontrol.h"
#include "stream/playstream.h"
#include "stream/streaminfo.h"

class CKestrelwaveApp;
class MainWindowPort;

// The stream-engine objects of the run, created once by the application: the shared stream
// records, the metadata reader, the player bridge, the transfer worker, the play control and
// the signal scope.
struct StreamEngine {
    explicit StreamEngine(CKestrelwaveApp& app);
    ~StreamEngine();

    // The window, or null while there is none.
    MainWindowPort* window() const;
    // Writes to the information pane (dropped while there is no window).
    void showText(const QString& text) const;

    CKestrelwaveApp& app;
    StreamFormat format;
    StationInfo info;
    CMetaProc meta;
    CPlayStream bridge;
    CCurlThread curl;
    PlaybackControl control;
    COscillo scope; // last: its capture thread ends before the rest goes
};
