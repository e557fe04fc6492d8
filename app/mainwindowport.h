#pragma once

#include "stations/stationlist.h"

#include <QString>
#include <functional>
#include <mutex>

// What the engine may ask of the main window. The dialog implements it; tests use a fake
// that records texts and messages. showText, sendMessage, postMessage and invokeOnGui may
// be called from any thread; everything else comes on the GUI thread.
class MainWindowPort : public ListViewPort {
public:
    // Receives a copy of every pane text while a recording's information file is open.
    using InfoCopySink = std::function<void(const QString& text)>;

    // Appends text to the information pane; calls from a worker are queued in order. The
    // recording's information file gets the same text at once, in call order.
    void showText(const QString& text)
    {
        {
            std::lock_guard lock(sinkMutex_);
            if (infoSink_)
                infoSink_(text);
        }
        appendPaneText(text);
    }
    void setInfoCopySink(InfoCopySink sink)
    {
        std::lock_guard lock(sinkMutex_);
        infoSink_ = std::move(sink);
    }

    // A WM_APP+n message: "sent" ones block a worker until the GUI thread has handled
    // them, "posted" ones are queued.
    virtual void sendMessage(int message, qint64 lParam = 0) = 0;
    virtual void postMessage(int message, qint64 lParam = 0) = 0;
    // Runs f on the GUI thread and waits for it: how a worker touches the list and fields.
    virtual void invokeOnGui(const std::function<void()>& f) = 0;
    // Lets queued events (a worker's blocking calls among them) run while the GUI thread
    // waits for something.
    virtual void processEvents() = 0;

    // The name field, cleaned of surrounding junk (the URL field's reading is the list's).
    virtual QString readNameField() const = 0;
    virtual void setUrlField(const QString& url) = 0;
    virtual void setNameField(const QString& name) = 0;
    virtual void clearInfoPane() = 0;
    // One row's cells changed.
    virtual void rowChanged(qsizetype index) = 0;
    // The playing station's row selected and scrolled into view; -1 clears the selection.
    virtual void markPlayingRow(qsizetype index) = 0;
    // Play and Record buttons: text and pushed state of the playing / recording state.
    virtual void showPlaying(bool playing) = 0;
    virtual void showRecording(bool recording) = 0;
    // A pushed preselection whose URL is not the one now playing is released.
    virtual void syncPresetButtons(const QString& playingUrl) = 0;

protected:
    // The pane itself: any thread, queued in order to the GUI thread.
    virtual void appendPaneText(const QString& text) = 0;

private:
    std::mutex sinkMutex_;
    InfoCopySink infoSink_;
};
