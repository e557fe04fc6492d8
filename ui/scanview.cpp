#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "app/texts.h"
#include "ui/kestrelwavedlg.h"

#include <QProgressBar>
#include <QPushButton>

void CKestrelwaveDlg::showScanRunning(bool running)
{
    QPushButton* b = button(ids::IDC_AUTO_SCAN);
    const QString stop =
        texts::choose(app_.language(), {u"Stop Auto Scan", u"Arrêter le Scan", u"Scan beenden"});
    // Wide enough for either caption, so that the window does not change size as it flips.
    b->setText(stop);
    b->setMinimumWidth(b->sizeHint().width());
    b->setText(running ? stop : QStringLiteral("Auto Scan"));
    b->setChecked(running);
    if (!running)
        refreshEditButtons();
}

void CKestrelwaveDlg::showScanProgress(int done, int total)
{
    if (total <= 0) {
        scanProgress_->hide();
        return;
    }
    scanProgress_->setRange(0, total);
    scanProgress_->setValue(done);
    scanProgress_->show();
}
