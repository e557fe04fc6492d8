#pragma once

#include "stations/stationlist.h"

#include <QString>

// What the engine may ask of the main window. The dialog implements it; tests use a fake
// that records texts. showText may be called from any thread; everything else comes on the
// GUI thread.
class MainWindowPort : public ListViewPort {
public:
    // Appends text to the information pane (queued in order when called from a worker).
    virtual void showText(const QString& text) = 0;
    // The URL and name fields, cleaned of surrounding junk.
    virtual QString readUrlField() const = 0;
    virtual QString readNameField() const = 0;
};
