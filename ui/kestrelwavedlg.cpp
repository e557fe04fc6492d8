#include "ui/kestrelwavedlg.h"

#include "app/kestrelwaveapp.h"

#include <QLabel>
#include <QVBoxLayout>

CKestrelwaveDlg::CKestrelwaveDlg(CKestrelwaveApp& app, QWidget* parent) : QDialog(parent), app_(app)
{
    setWindowTitle(QStringLiteral("Kestrelwave"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Kestrelwave"), this));
    if (app_.ReadSettings() == 0)
        app_.ApplyFirstStartDefaults();
    app_.stations.LoadList(app_.commandLineList.isEmpty() ? app_.stations.listPath
                                                          : app_.commandLineList);
    app_.WriteSettings();
}
