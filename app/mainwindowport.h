#pragma once

#include "stations/stationlist.h"

#include <QString>
#include <functional>

// What the engine may ask of the main window. The dialog implements it; tests use a fake
// that records texts and messages. showText, sendMessage and postMessage may be called
// from any thread; everything else comes on the GUI thread.
class MainWindowPort : public ListViewPort {
public:
    // Appends text to the information pane; calls from a worker are queued in order.
    virtual void showText(const QString& text) = 0;
    // A WM_APP+n message: "sent" ones block a worker until the GUI thread has handled
    // them, "posted" ones are queued.
    virtual void sendMessage(int message, qint64 lParam = 0) = 0;
    virtual void postMessage(int message, qint64 lParam = 0) = 0;
    // The URL and name fields, cleaned of surrounding junk.
    virtual QString readUrlField() const = 0;
    virtual QString readNameField() const = 0;
};

// Receives a copy of every pane text while a recording's information file is open. Called
// in the thread that showed the text, in call order.
using InfoCopySink = std::function<void(const QString& text)>;
