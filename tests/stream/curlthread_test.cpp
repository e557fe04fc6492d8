#include "stream/streamengine.h"
#include "tests/support/apprig.h"
#include "tests/support/fakewindow.h"
#include <gtest/gtest.h>

// Starting a worker while the previous one still runs (a second Play before the first has
// ended) must end the old one once and start the new one, not join a finished thread again.
TEST(CurlThread, StartWhileTheLastWorkerRunsReplacesIt)
{
    FakeWindow window;
    AppRig rig(window);
    CCurlThread& curl = rig.app.engine->curl;
    const QString refused = QStringLiteral("http://127.0.0.1:1/");
    for (int i = 0; i < 3; ++i) {
        curl.start(refused);
        EXPECT_TRUE(curl.threadAlive());
    }
    EXPECT_TRUE(curl.waitForEnd(15000));
    EXPECT_FALSE(curl.threadAlive());
}
