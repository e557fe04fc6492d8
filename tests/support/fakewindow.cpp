#include "tests/support/fakewindow.h"

void FakeWindow::showText(const QString& text)
{
    std::lock_guard lock(mutex_);
    pane_ << text;
}

QStringList FakeWindow::paneTexts() const
{
    std::lock_guard lock(mutex_);
    return pane_;
}
