#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "app/messages.h"
#include "app/texts.h"
#include "ui/kestrelwavedlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

using namespace ids;

void CKestrelwaveDlg::onPreset(int slot)
{
    app_.EndScan(false);
    if (slot < 0 || slot >= kPresetCount)
        return;
    const QString url = app_.presetUrl[slot];
    if (url.isEmpty()) {
        // An empty slot plays nothing; the selected one stays pushed.
        for (int i = 0; i < kPresetCount; ++i)
            presets_[i]->setChecked(i == app_.selectedPreset);
        return;
    }
    const QString name = app_.presetName[slot];
    app_.currentUrl = url;
    app_.currentName = name;
    urlEdit_->setText(url);
    nameEdit_->setText(name);
    for (int i = 0; i < kPresetCount; ++i)
        presets_[i]->setChecked(i == slot);
    app_.selectedPreset = slot;
    app_.WriteSettings();
    endWebSearch();
    urlEdit_->setText(url);
    nameEdit_->setText(name);
    app_.selectedPreset = slot;
    postMessage(msg::WM_APP_PLAY_URL_FIELD);
}

void CKestrelwaveDlg::presetMenu(int slot, const std::optional<ListEntry>& dragged,
                                 bool fromRightClick)
{
    const std::uint32_t lang = app_.language();
    // The station to assign: a dropped row, else the fields, else the selected row.
    std::optional<ListEntry> source = dragged;
    if (!source && !readUrlField().isEmpty())
        source = ListEntry{readNameField(), readUrlField(), 0, {}};
    if (!source && app_.stations.isValidIndex(app_.stations.selectedIndex))
        source = app_.stations.entry(app_.stations.selectedIndex);
    if (source && source->url.isEmpty())
        source.reset();

    QMenu menu(this);
    if (source)
        menu.addAction(texts::choose(lang, {u"Assign", u"Attribuer", u"Zuweisen"}))
            ->setData(ID_MENU_ASSIGN);
    menu.addAction(texts::choose(lang, {u"Delete", u"Effacer", u"Löschen"}))
        ->setData(ID_MENU_DELETE);
    menu.addAction(texts::choose(lang, {u"Abandon", u"Abandonner", u"Aufgeben"}))
        ->setData(ID_MENU_ABANDON);
    const int choice = runMenu(menu, presets_[slot]->mapToGlobal(presets_[slot]->rect().center()));
    if (choice == ID_MENU_DELETE) {
        removePreset(slot);
        return;
    }
    if (choice != ID_MENU_ASSIGN || !source)
        return;
    const QString sourceLabel = source->name.isEmpty() ? source->url : source->name;
    const QString question =
        app_.presetUrl[slot].isEmpty()
            ? texts::choose(lang,
                            {u"Do you want to assign \"%s\" to this button ?",
                             u"Voulez-vous attribuer \"%s\" à ce bouton ?",
                             u"Möchten Sie dieser Schaltfläche \"%s\" zuweisen?"},
                            sourceLabel)
            : texts::choose(lang,
                            {u"Do you want to replace \"%s\" with \"%s\" for this button ?",
                             u"Voulez-vous remplacer \"%s\" par \"%s\" pour ce bouton ?",
                             u"Möchten Sie \"%s\" durch \"%s\" für diese Schaltfläche ersetzen?"},
                            presetLabels_[slot]->text(), sourceLabel);
    if (!app_.boxes().askYesNo(question))
        return;
    app_.presetUrl[slot] = source->url;
    app_.presetName[slot] = source->name;
    SetPresetLabel(slot, sourceLabel);
    app_.selectedPreset = slot;
    app_.WriteSettings();
    for (int i = 0; i < kPresetCount; ++i)
        presets_[i]->setChecked(i == slot);
    update();
    if (fromRightClick) {
        urlEdit_->setText(source->url);
        nameEdit_->setText(source->name);
        postMessage(msg::WM_APP_PLAY_URL_FIELD);
    }
}

void CKestrelwaveDlg::removePreset(int slot)
{
    if (slot < 0 || slot >= kPresetCount || app_.presetUrl[slot].isEmpty())
        return;
    const std::uint32_t lang = app_.language();
    const QString label =
        app_.presetName[slot].isEmpty() ? app_.presetUrl[slot] : app_.presetName[slot];
    if (!app_.boxes().askYesNo(texts::choose(lang,
                                             {u"Remove \"%s\" from the preselections ?",
                                              u"Retirer \"%s\" des présélections ?",
                                              u"%s aus der Vorauswahl entfernen ?"},
                                             label)))
        return;
    app_.presetUrl[slot].clear();
    app_.presetName[slot].clear();
    SetPresetLabel(slot, texts::emptySlotText(lang));
    presets_[slot]->setChecked(false);
    if (app_.selectedPreset == slot)
        app_.selectedPreset = -1;
    update();
    app_.WriteSettings();
}
