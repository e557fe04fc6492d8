#include "stream/streamengine.h"

#include "app/kestrelwaveapp.h"
#include "app/mainwindowport.h"

StreamEngine::StreamEngine(CKestrelwaveApp& a)
    : app(a), meta([this](const QString& text) { showText(text); },
                   [this] { return bridge.recordingSeconds(); }),
      bridge(*this), curl(*this), control(*this), scope(*this)
{}

StreamEngine::~StreamEngine() = default;

MainWindowPort* StreamEngine::window() const
{
    return app.window();
}

void StreamEngine::showText(const QString& text) const
{
    if (MainWindowPort* w = window())
        w->showText(text);
}
