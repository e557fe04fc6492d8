#include "stream/streamengine.h"

#include "app/kestrelwaveapp.h"
#include "app/mainwindowport.h"
#include "platform/clock.h"

StreamEngine::StreamEngine(CKestrelwaveApp& a)
    : app(a), meta([this](const QString& text) { showText(text); },
                   [this]() -> std::optional<double> {
                       if (!app.status.recording || control.recordStartTime == 0)
                           return std::nullopt;
                       return (platform::tickCount() - control.recordStartTime) / 1000.0;
                   }),
      bridge(*this), curl(*this), control(*this)
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
