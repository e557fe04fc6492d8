#include "tests/support/fakewindow.h"

#include "app/messages.h"
#include "stream/playbackcontrol.h"

void FakeWindow::appendPaneText(const QString& text)
{
    std::lock_guard lock(mutex_);
    pane_ << text;
    history_ += text;
}

QString FakeWindow::everShown() const
{
    std::lock_guard lock(mutex_);
    return history_;
}

void FakeWindow::clearInfoPane()
{
    std::lock_guard lock(mutex_);
    pane_.clear();
}

void FakeWindow::sendMessage(int message, qint64 lParam)
{
    {
        std::lock_guard lock(mutex_);
        messages_.emplace_back(message, lParam);
    }
    std::lock_guard gui(gui_);
    if (onMessage)
        onMessage(message, lParam);
}

void FakeWindow::postMessage(int message, qint64 lParam)
{
    sendMessage(message, lParam);
}

void FakeWindow::invokeOnGui(const std::function<void()>& f)
{
    std::lock_guard gui(gui_);
    f();
}

QStringList FakeWindow::paneTexts() const
{
    std::lock_guard lock(mutex_);
    return pane_;
}

std::vector<std::pair<int, qint64>> FakeWindow::messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

void FakeWindow::handleAsTheDialog(PlaybackControl& control)
{
    onMessage = [&control](int message, qint64 lParam) {
        if (message == msg::WM_APP_TRANSFER_END)
            control.onTransferEnd();
        else if (message == msg::WM_APP_BIT_RATE)
            control.onBitRate(int(lParam));
    };
}
