#include "app/kestrelwaveapp.h"
#include "stream/streamengine.h"
#include "ui/auxdlg.h"
#include "ui/kestrelwavedlg.h"

// Button 1051: the found links replace the list and are scanned at once; Cancel gives the
// old list back.
void CKestrelwaveDlg::onGrepTool()
{
    StationList& list = app_.stations;
    // A scan walking the list must not see it emptied under it.
    app_.EndScan(false);
    app_.engine->control.Stop();
    list.PushHistory();
    list.AskSaveModified();
    list.clear();
    FillListView();
    update();
    waitMs(100);

    CAuxDlg grep(app_.foundLinks, app_.boxes(), this);
    if (runGrepDialog(grep) != QDialog::Accepted) {
        list.Undo();
        FillListView();
        return;
    }
    for (const QString& link : app_.foundLinks.links())
        list.append({QString(), link, 0, QString()});
    if (!list.consistent())
        return;
    list.RemoveDuplicates();
    list.selectedIndex =
        list.count() > 0 ? std::clamp<qsizetype>(list.selectedIndex, 0, list.count() - 1) : 0;
    FillListView();
    app_.scan->StartScan(false);
}
