#include "platform/desktopopen.h"
#include "platform/folders.h"

#include <gtest/gtest.h>

// xdg-open on a machine without a desktop session falls back on $BROWSER: what that program
// answers is what the program must hear.
TEST(DesktopOpen, TellsWhetherTheDesktopTookTheAddress)
{
    if (platform::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        GTEST_SKIP() << "xdg-open is not installed";
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                             "GNOME_DESKTOP_SESSION_ID", "DISPLAY", "WAYLAND_DISPLAY"})
        qunsetenv(name);
    const QByteArray saved = qgetenv("BROWSER");
    int steps = 0;
    const auto step = [&steps] { ++steps; };

    qputenv("BROWSER", "/bin/true");
    EXPECT_EQ(platform::openWithDesktop(QStringLiteral("https://127.0.0.1:9/"), step), true);
    qputenv("BROWSER", "/bin/false");
    EXPECT_EQ(platform::openWithDesktop(QStringLiteral("https://127.0.0.1:9/"), step), false);
    EXPECT_EQ(platform::openWithDesktop(QStringLiteral("/nonexistent/help.html"), step), false);
    qputenv("BROWSER", saved);
}
