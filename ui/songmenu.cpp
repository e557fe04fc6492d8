#include "ui/songmenu.h"

#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "app/texts.h"

#include <QAction>
#include <QMenu>

QAction* addSongSplitItem(QMenu& menu, CKestrelwaveApp& app)
{
    auto* item = new QAction(texts::choose(app.language(), {u"Record songs as separate files",
                                                            u"Enregistrer chaque titre à part",
                                                            u"Jeder Titel als eigene Datei"}),
                             &menu);
    item->setCheckable(true);
    item->setChecked(app.splitSongs != 0);
    item->setData(ids::ID_MENU_SPLIT_SONGS);
    QObject::connect(item, &QAction::toggled, &menu, [&app](bool on) {
        app.splitSongs = on ? 1 : 0;
        app.WriteSettings();
    });
    QAction* first = menu.actions().value(0);
    menu.insertAction(first, item);
    if (first)
        menu.insertSeparator(first);
    return item;
}
