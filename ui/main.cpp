#include "app/kestrelwaveapp.h"
#include "platform/registrystore.h"
#include "stream/streamengine.h"
#include "ui/filedialogs.h"
#include "ui/kestrelwavedlg.h"
#include "ui/mprisservice.h"
#include "ui/qtmessageboxes.h"

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setOrganizationName(QStringLiteral("Quorne"));
    QApplication::setApplicationName(QStringLiteral("Kestrelwave"));
    // The desktop matches the window to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(MprisService::kDesktopEntry));

    platform::RegistryStore registry;
    QtMessageBoxes boxes(registry);
    CKestrelwaveApp app(boxes, registry);
    if (!app.InitInstance(StartupEnvironment::fromSystem(argc, argv)))
        return 0;
    boxes.setLanguage(app.language());

    QtFileDialogs fileDialogs(app.language());
    CKestrelwaveDlg dialog(app, fileDialogs);
    boxes.setOwner(&dialog);
    MprisService mpris(dialog, app);
    dialog.exec();
    boxes.setOwner(nullptr);
    // A transfer worker that did not end within the exit's bounded wait would be waited for
    // again by the destructors: the settings and the list are written, so the process ends.
    if (app.engine->curl.threadAlive()) {
        registry.sync();
        std::_Exit(0);
    }
    return 0;
}
