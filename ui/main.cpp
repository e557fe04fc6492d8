#include "app/kestrelwaveapp.h"
#include "platform/registrystore.h"
#include "ui/filedialogs.h"
#include "ui/kestrelwavedlg.h"
#include "ui/qtmessageboxes.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setOrganizationName(QStringLiteral("Quorne"));
    QApplication::setApplicationName(QStringLiteral("Kestrelwave"));

    platform::RegistryStore registry;
    QtMessageBoxes boxes(registry);
    CKestrelwaveApp app(boxes, registry);
    if (!app.InitInstance(StartupEnvironment::fromSystem(argc, argv)))
        return 0;
    boxes.setLanguage(app.language());

    QtFileDialogs fileDialogs;
    CKestrelwaveDlg dialog(app, fileDialogs);
    boxes.setOwner(&dialog);
    dialog.exec();
    boxes.setOwner(nullptr);
    return 0;
}
