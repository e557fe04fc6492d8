#include "app/kestrelwaveapp.h"
#include "app/timerids.h"
#include "ui/kestrelwavedlg.h"

#include <algorithm>
#include <limits>

void CKestrelwaveDlg::startProgrammeRefresh()
{
    timer6_.start(timers::TIMER_PROGRAMME_REFRESH_MS);
}

void CKestrelwaveDlg::armNextProgramme(qint64 ms)
{
    timer7_.start(int(std::clamp<qint64>(ms, 0, std::numeric_limits<int>::max())));
}

void CKestrelwaveDlg::stopNextProgramme()
{
    timer7_.stop();
}

// Timer 6: the page is fetched again when its tag changed; ticks while a check is still on
// its way are let go.
void CKestrelwaveDlg::onTimer6()
{
    if (active_)
        app_.programme.refreshTick();
}

// Timer 7, one shot: the next programme has started.
void CKestrelwaveDlg::onTimer7()
{
    timer7_.stop();
    if (active_)
        app_.programme.announceNext();
}

// Button "D": the page saved as LastLoadedPage.txt in the current folder is read at the
// time its first number gives, as if it had just been downloaded.
void CKestrelwaveDlg::testSavedPage()
{
    app_.programme.testSavedPage();
}
