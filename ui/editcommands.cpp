#include "app/controlids.h"
#include "app/cutil.h"
#include "app/kestrelwaveapp.h"
#include "app/messages.h"
#include "app/texts.h"
#include "app/timerids.h"
#include "stations/editing.h"
#include "stations/formats.h"
#include "stream/streamengine.h"
#include "ui/inputdlg.h"
#include "ui/kestrelwavedlg.h"
#include "ui/stationlistmodel.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <functional>

using namespace ids;

namespace {

const texts::Tri kSelectLines{u"PLease select one or several valid lines",
                              u"Sélectionnez une ou plusieurs lignes valides",
                              u"Wählen Sie eine oder mehrere gültige Zeilen aus"};

QClipboard* clipboard()
{
    return QGuiApplication::clipboard();
}

// A preselection's drop target reaches this far right of its button, over the gap.
constexpr int kPresetDropWidening = 50;

// The preselection at p: a point inside a button is that button's, whatever a widened
// neighbour covers; only a point in a gap goes to the widened rectangle around it.
int presetAt(const QPoint& p, int count, const std::function<QRect(int)>& dropRect)
{
    for (int i = 0; i < count; ++i) {
        QRect own = dropRect(i);
        own.setWidth(own.width() - kPresetDropWidening);
        if (own.contains(p))
            return i;
    }
    for (int i = 0; i < count; ++i) {
        if (dropRect(i).contains(p))
            return i;
    }
    return -1;
}

} // namespace

// ---- where things are ---------------------------------------------------------------------

bool CKestrelwaveDlg::mouseOverList() const
{
    const QPoint p = list_->mapFromGlobal(cursorPos());
    return list_->rect().contains(p);
}

QRect CKestrelwaveDlg::presetDropRect(int slot) const
{
    // The button and the gap to its right: room for the label-wide drop.
    QPushButton* b = presets_[slot];
    QRect r(b->mapTo(this, QPoint(0, 0)), b->size());
    r.setWidth(r.width() + kPresetDropWidening);
    return r;
}

int CKestrelwaveDlg::presetUnderMouse() const
{
    return presetAt(mapFromGlobal(cursorPos()), kPresetCount,
                    [this](int slot) { return presetDropRect(slot); });
}

int CKestrelwaveDlg::rowAt(const QPoint& globalPos) const
{
    return list_->rowAt(list_->viewport()->mapFromGlobal(globalPos).y());
}

// ---- keyboard -----------------------------------------------------------------------------

bool CKestrelwaveDlg::handleKey(QKeyEvent* event)
{
    if (app_.status.autoScanRunning)
        return false;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool overList = mouseOverList();
    switch (event->key()) {
    case Qt::Key_Escape:
        return true; // Escape never closes the window
    case Qt::Key_Delete:
        // In a field, Delete deletes characters unless the mouse points at a list row or
        // a preselection, where it removes them.
        if (!overList && presetUnderMouse() < 0 &&
            qobject_cast<QLineEdit*>(QApplication::focusWidget()))
            return false;
        command(IDC_REMOVE);
        return true;
    default:
        break;
    }
    if (!ctrl)
        return false;
    switch (event->key()) {
    case Qt::Key_Z:
        app_.stations.Undo();
        FillListView();
        return true;
    case Qt::Key_Y:
        app_.stations.Redo();
        FillListView();
        return true;
    default:
        break;
    }
    if (!overList)
        return false;
    switch (event->key()) {
    case Qt::Key_A:
        list_->selectAll();
        if (model_->rowCount() > 0)
            list_->selectionModel()->setCurrentIndex(model_->index(0, 0),
                                                     QItemSelectionModel::NoUpdate);
        onCopy();
        return true;
    case Qt::Key_C:
        onCopy();
        return true;
    case Qt::Key_X:
        onCut();
        return true;
    case Qt::Key_V: {
        const int row = rowAt(cursorPos());
        onPaste(row);
        return true;
    }
    case Qt::Key_F:
        onSearch();
        return true;
    default:
        return false;
    }
}

// ---- selection and the clip store ---------------------------------------------------------

bool CKestrelwaveDlg::selectionCheck()
{
    const StationList& list = app_.stations;
    const QModelIndex mark = list_->selectionModel()->currentIndex();
    const qsizetype row = mark.isValid() ? mark.row() : list.selectedIndex;
    const bool ok = list.isValidIndex(row) &&
                    (!list.name(row).isEmpty() || !list.url(row).isEmpty()) &&
                    list_->selectionModel()->isRowSelected(int(row), {});
    if (!ok)
        app_.boxes().show(texts::choose(app_.language(), kSelectLines), BoxIcon::None);
    return ok;
}

std::vector<qsizetype> CKestrelwaveDlg::selectedRows() const
{
    std::vector<qsizetype> rows;
    for (const QModelIndex& i : list_->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CKestrelwaveDlg::copyRows(const std::vector<qsizetype>& rows)
{
    clip_ = {};
    for (qsizetype r : rows) {
        if (!app_.stations.isValidIndex(r))
            continue;
        clip_.entries.push_back(app_.stations.entry(r));
        clip_.indexes.push_back(r);
    }
    clipboard()->setText(clipboardText(clip_.entries));
}

void CKestrelwaveDlg::eraseRows(const std::vector<qsizetype>& rows)
{
    // From the back, so the positions of the rows still to go stay right.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        app_.stations.EraseEntry(*it);
}

void CKestrelwaveDlg::selectRange(qsizetype first, qsizetype last)
{
    if (model_->rowCount() == 0)
        return;
    first = std::clamp<qsizetype>(first, 0, model_->rowCount() - 1);
    last = std::clamp<qsizetype>(last, first, model_->rowCount() - 1);
    QItemSelection selection(model_->index(int(first), 0), model_->index(int(last), 2));
    list_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    list_->selectionModel()->setCurrentIndex(model_->index(int(last), 0),
                                             QItemSelectionModel::NoUpdate);
    app_.stations.selectedIndex = last;
    list_->scrollTo(model_->index(int(last), 0));
}

void CKestrelwaveDlg::onCopy()
{
    if (!app_.stations.consistent() || !selectionCheck())
        return;
    copyRows(selectedRows());
}

void CKestrelwaveDlg::onCut()
{
    if (!app_.stations.consistent() || !selectionCheck())
        return;
    const std::vector<qsizetype> rows = selectedRows();
    copyRows(rows);
    app_.stations.PushHistory();
    clipboard()->setText(clipboardText(clip_.entries));
    eraseRows(clip_.indexes);
    FillListView();
    const qsizetype first = clip_.indexes.empty() ? 0 : clip_.indexes.front();
    clip_ = {};
    if (model_->rowCount() > 0)
        SelectEntry(std::min<qsizetype>(first, model_->rowCount() - 1));
}

void CKestrelwaveDlg::onRemove()
{
    const int slot = presetUnderMouse();
    if (slot >= 0) {
        removePreset(slot);
        return;
    }
    if (!mouseOverList() || !app_.stations.consistent() || !selectionCheck())
        return;
    const std::vector<qsizetype> rows = selectedRows();
    copyRows(rows);
    app_.stations.PushHistory();
    eraseRows(clip_.indexes);
    FillListView();
    const qsizetype first = clip_.indexes.empty() ? 0 : clip_.indexes.front();
    // The rows are gone: a later paste must add them, not "move" other rows in their place.
    clip_ = {};
    if (model_->rowCount() > 0)
        SelectEntry(std::clamp<qsizetype>(first - 1, 0, model_->rowCount() - 1));
}

void CKestrelwaveDlg::onPaste(qsizetype after)
{
    StationList& list = app_.stations;
    if (!list.consistent())
        return;
    if (after < 0 || after >= list.count())
        after = list.count() - 1;
    const std::vector<ListEntry> parsed = parseClipboardText(clipboard()->text());
    if (parsed.empty())
        return;
    list.PushHistory();
    const std::uint32_t lang = app_.language();

    // The rows copied in this window are moved, as long as they are still where they were
    // and the clipboard still holds them (not rows copied in another window since).
    bool move = parsed.size() == clip_.entries.size() && !clip_.entries.empty();
    for (size_t k = 0; move && k < clip_.indexes.size(); ++k) {
        const qsizetype i = clip_.indexes[k];
        move = list.isValidIndex(i) && list.url(i) == clip_.entries[k].url &&
               list.name(i) == clip_.entries[k].name && parsed[k].url == clip_.entries[k].url;
    }
    qsizetype first = after + 1;
    qsizetype inserted = 0;
    if (move) {
        eraseRows(clip_.indexes);
        for (qsizetype i : clip_.indexes) {
            if (i <= after)
                --first;
        }
        first = std::max<qsizetype>(first, 0);
        for (const ListEntry& e : clip_.entries)
            list.insert(first + inserted++, e);
        app_.boxes().show(texts::choose(lang,
                                        {u" %d URLs have been moved within the list",
                                         u" %d URLs ont été déplacés dans la liste",
                                         u" %d URLs wurden innerhalb der Liste verschoben"},
                                        int(inserted)),
                          BoxIcon::Information);
    } else {
        for (const ListEntry& e : parsed)
            list.insert(first + inserted++, e);
        const int removed = list.RemoveDuplicates();
        if (removed > 0) {
            app_.boxes().show(texts::choose(lang,
                                            {u" %d duplicated URLs removed from the list",
                                             u" %d URLs dupliqués ont été retirés de la liste",
                                             u" %d doppelte URLs wurden aus der Liste entfernt"},
                                            removed),
                              BoxIcon::Information);
            inserted = std::max<qsizetype>(0, inserted - removed);
        }
    }
    clipboard()->clear();
    clip_ = {};
    FillListView();
    if (inserted > 0)
        selectRange(first, first + inserted - 1);
}

void CKestrelwaveDlg::onAbandon()
{
    clipboard()->clear();
    clip_ = {};
    list_->clearSelection();
}

void CKestrelwaveDlg::listContextMenu(const QPoint& globalPos)
{
    const std::uint32_t lang = app_.language();
    QMenu menu(this);
    const struct {
        int id;
        texts::Tri text;
    } items[] = {
        {ID_MENU_COPY, {u"Copy", u"Copier", u"Kopieren"}},
        {ID_MENU_CUT, {u"Cut", u"Couper", u"Ausschneiden"}},
        {ID_MENU_PASTE, {u"Paste", u"Coller", u"Einfügen"}},
        {ID_MENU_ABANDON, {u"Abandon", u"Abandonner", u"Aufgeben"}},
    };
    for (const auto& item : items)
        menu.addAction(texts::choose(lang, item.text))->setData(item.id);
    int target = rowAt(globalPos);
    if (target < 0)
        target = model_->rowCount() - 1;
    switch (runMenu(menu, globalPos)) {
    case ID_MENU_COPY:
        onCopy();
        break;
    case ID_MENU_CUT:
        onCut();
        break;
    case ID_MENU_PASTE:
        onPaste(target);
        break;
    case ID_MENU_ABANDON:
        onAbandon();
        break;
    default:
        break;
    }
}

// ---- Update, Insert, Remove INVALID, Sort, Search -----------------------------------------

void CKestrelwaveDlg::onUpdate()
{
    StationList& list = app_.stations;
    if (!list.consistent())
        return;
    const std::uint32_t lang = app_.language();
    const QString url = readUrlField();
    const QString name = readNameField();
    const QModelIndex mark = list_->selectionModel()->currentIndex();
    qsizetype row = mark.isValid() && list_->selectionModel()->isRowSelected(mark.row(), {})
                        ? mark.row()
                        : list.selectedIndex;
    if (!list.isValidIndex(row))
        row = list.FindUrl(url);
    if (!list.isValidIndex(row)) {
        // An address that is in no row: Enter plays it.
        if (!url.isEmpty())
            app_.engine->control.onPlayUrlField();
        return;
    }
    if (url.isEmpty() && name.isEmpty()) {
        if (app_.boxes().askYesNo(
                texts::choose(lang,
                              {u"Do you want to remove \"%s\" ?", u"Voulez vous retirer \"%s\" ?",
                               u"Möchten Sie \"%s\" entfernen ?"},
                              list.name(row)))) {
            list.PushHistory();
            list.EraseEntry(row);
        }
    } else {
        bool pushed = false;
        const auto push = [&] {
            if (!pushed)
                list.PushHistory();
            pushed = true;
        };
        if (name != list.name(row)) {
            bool replace = true;
            if (!name.isEmpty() && list.name(row) != u"INVALID" && !list.url(row).isEmpty())
                replace = app_.boxes().askYesNo(
                    texts::choose(lang,
                                  {u"Do you want to replace \"%s\" with \"%s\" ?",
                                   u"Voulez-vous remplacer \"%s\" par \"%s\" ?",
                                   u"Möchten Sie \"%s\" durch \"%s\" ersetzen?"},
                                  list.name(row), name));
            if (replace) {
                push();
                list.setName(row, name);
                list.setFormat(row, QString());
                list.setFlags(row, name.isEmpty() ? 0 : MARK_MODIFIED);
            }
        }
        if (url != list.url(row)) {
            push(); // a changed address can be undone as well
            list.setUrl(row, url);
            list.setFormat(row, QString());
        }
    }
    FillListView();
    SelectEntry(std::min<qsizetype>(row, list.count() - 1));
    app_.WriteSettings();
    refreshEditButtons();
}

void CKestrelwaveDlg::onInsert()
{
    app_.EndScan(false);
    StationList& list = app_.stations;
    if (!list.consistent())
        return;
    const std::uint32_t lang = app_.language();
    const QString url = readUrlField();
    QString name = readNameField();
    // An empty list has no row to insert after: the entry becomes its first, so that a new
    // user can start a list from the window.
    const bool first = list.count() == 0;
    const qsizetype present = list.FindUrl(url);
    if (present >= 0) {
        app_.boxes().show(texts::choose(lang, {u"This Url is already present in the list",
                                               u"Cet Url est déjà présent dans la liste",
                                               u"Diese URL ist bereits in der Liste vorhanden"}),
                          BoxIcon::None);
        SelectEntry(present);
        return;
    }
    const QModelIndex mark = list_->selectionModel()->currentIndex();
    if (!first && (!mark.isValid() || !list_->selectionModel()->isRowSelected(mark.row(), {}))) {
        app_.boxes().show(
            texts::choose(
                lang, {u"Click where to insert in the list",
                       u"Cliquez à l’endroit où vous souhaitez insérer dans la liste",
                       u"Klicken Sie auf die Stelle, an der in der Liste eingefügt werden soll"}),
            BoxIcon::None);
        return;
    }
    if (url.isEmpty() && name.isEmpty())
        return;
    list.PushHistory();
    StreamEngine& engine = *app_.engine;
    QString format;
    const bool playingThis =
        app_.status.playing && !url.isEmpty() && url == engine.control.lastPlayedUrl;
    if (playingThis) {
        // The playing station as it announced itself.
        const int kbps = engine.format.bitRate;
        if (kbps > 0)
            format =
                QStringLiteral("%1_%2k").arg(formats::name(engine.format.formatCode)).arg(kbps);
        const QString announced = engine.info.get().stationName;
        if (!announced.isEmpty())
            name = announced;
    }
    const qsizetype at = first ? 0 : mark.row() + 1;
    list.insert(at, {name, url, 0, format});
    FillListView();
    SelectEntry(at);
    app_.WriteSettings();
    refreshEditButtons();
}

void CKestrelwaveDlg::onRemoveInvalid()
{
    app_.EndScan(false);
    StationList& list = app_.stations;
    if (!list.consistent())
        return;
    list.PushHistory();
    const qsizetype old = list.selectedIndex;
    const QString selectedUrl = list.isValidIndex(old) ? list.url(old) : QString();
    if (removeInvalid(list) == 0)
        return;
    FillListView();
    qsizetype row = list.FindUrl(selectedUrl);
    if (row < 0)
        row = std::min<qsizetype>(std::max<qsizetype>(old, 0), list.count() - 1);
    if (row >= 0)
        SelectEntry(row);
}

void CKestrelwaveDlg::onSort()
{
    app_.EndScan(false);
    StationList& list = app_.stations;
    if (!list.consistent())
        return;
    list.PushHistory();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString remembered = readUrlField();
    if (remembered.isEmpty() && list.isValidIndex(list.selectedIndex))
        remembered = list.url(list.selectedIndex);
    if (sortSections(list)) {
        FillListView();
        const qsizetype row = list.FindUrl(remembered);
        if (row >= 0)
            SelectEntry(row);
    }
    QApplication::restoreOverrideCursor();
}

void CKestrelwaveDlg::onSearch()
{
    app_.EndScan(false);
    list_->clearSelection();
    StationList& list = app_.stations;
    if (!list.consistent() || list.count() == 0)
        return;
    const std::optional<QString> entered = askSearchText(searchText_);
    if (!entered)
        return;
    const QString text = trimmedVisible(*entered);
    if (text.isEmpty())
        return;
    const qsizetype start = text == searchText_ ? searchNext_ : 0;
    const qsizetype hit = searchList(list, text, start);
    searchText_ = text;
    if (hit < 0) {
        searchNext_ = 0;
        app_.boxes().show(
            texts::choose(app_.language(), {u"Not found", u"Pas trouvé", u"Nicht gefunden"}),
            BoxIcon::None);
        return;
    }
    SelectEntry(hit);
    searchNext_ = hit + 1 >= list.count() ? 0 : hit + 1;
    // Focus on Search, so pressing it again continues after the hit.
    button(IDC_SEARCH)->setFocus();
}

// ---- web search -----------------------------------------------------------------------------

void CKestrelwaveDlg::endWebSearch()
{
    app_.webSearchActive = false;
    button(IDC_WEB_SEARCH)->setChecked(false);
}

void CKestrelwaveDlg::onWebSearch()
{
    if (app_.webSearchActive) {
        endWebSearch();
        return;
    }
    const std::uint32_t lang = app_.language();
    clip_ = {};
    clipboard()->clear();
    if (!app_.engine->control.connectionAvailable(app_.webSearchUrl)) {
        app_.boxes().show(
            texts::choose(lang, {u"No Internet Connection !", u"Pas de connexion Internet !",
                                 u"Keine Internetverbindung !"}),
            BoxIcon::None);
        button(IDC_WEB_SEARCH)->setChecked(false);
        return;
    }
    // Kept to be put back when no browser opens: a search that never began changes nothing.
    const qsizetype selected = app_.stations.selectedIndex;
    const QString url = urlEdit_->text(), name = nameEdit_->text();
    list_->clearSelection();
    app_.stations.selectedIndex = -1;
    urlEdit_->clear();
    nameEdit_->clear();
    app_.webSearchActive = true;
    button(IDC_WEB_SEARCH)->setChecked(true);
    webSearchStart_ = clock();
    if (!openExternal || !openExternal(app_.webSearchUrl)) {
        endWebSearch();
        if (app_.stations.isValidIndex(selected))
            SelectEntry(selected);
        urlEdit_->setText(url);
        nameEdit_->setText(name);
        const QString text = QStringLiteral("Could not open Web Page ") + app_.webSearchUrl;
        ShowText(u'\n' + text + u'\n');
        app_.boxes().show(text, BoxIcon::None);
    }
}

void CKestrelwaveDlg::watchClipboard()
{
    if (!app_.webSearchActive)
        return;
    if (clock() - webSearchStart_ > 120000) {
        endWebSearch();
        return;
    }
    const QString text = clipboard()->text();
    const qsizetype http = text.indexOf(QStringLiteral("http"), 0, Qt::CaseInsensitive);
    if (http < 0 || http >= 3 || text.size() >= 512)
        return;
    const QString captured = text.mid(http).trimmed();
    if (captured == lastCaptured_ || !CUtil::IsUrl(captured))
        return;
    lastCaptured_ = captured;
    clipboard()->clear();
    urlEdit_->setText(captured);
    nameEdit_->clear();
    button(IDC_INSERT)->setEnabled(true);
    webSearchStart_ = clock();
    postMessage(msg::WM_APP_PLAY_URL_FIELD);
}

// ---- drag and drop --------------------------------------------------------------------------

void CKestrelwaveDlg::beginDrag(int row)
{
    if (!app_.stations.isValidIndex(row))
        return;
    searchText_.clear();
    app_.stations.PushHistory();
    dragSource_ = row;
    static const QCursor dropCursor(QPixmap(QStringLiteral(":/bitmaps/DROP_CURSOR.png")), 2, 2);
    QApplication::setOverrideCursor(dropCursor);
    timer2_.start(timers::TIMER_DRAG_SCROLL_MS);
}

void CKestrelwaveDlg::dragMove(const QPoint& globalPos)
{
    if (dragSource_ < 0)
        return;
    // The row a drop would follow, shown as the current row while dragging.
    const int target = rowAt(globalPos);
    if (target >= 0)
        list_->selectionModel()->setCurrentIndex(model_->index(target, 0),
                                                 QItemSelectionModel::NoUpdate);
}

void CKestrelwaveDlg::onTimer2()
{
    if (dragSource_ < 0) {
        timer2_.stop();
        return;
    }
    // Near the top or bottom edge the list scrolls a row at a time.
    const QPoint p = list_->viewport()->mapFromGlobal(cursorPos());
    const int edge = list_->verticalHeader()->defaultSectionSize();
    QScrollBar* bar = list_->verticalScrollBar();
    if (p.y() < edge && p.y() > -3 * edge)
        bar->setValue(bar->value() - 1);
    else if (p.y() > list_->viewport()->height() - edge &&
             p.y() < list_->viewport()->height() + 3 * edge)
        bar->setValue(bar->value() + 1);
}

void CKestrelwaveDlg::drop(const QPoint& globalPos)
{
    const int source = dragSource_;
    dragSource_ = -1;
    timer2_.stop();
    QApplication::restoreOverrideCursor();
    StationList& list = app_.stations;
    if (!list.isValidIndex(source))
        return;
    const int slot = presetAt(mapFromGlobal(globalPos), kPresetCount,
                              [this](int i) { return presetDropRect(i); });
    if (slot >= 0) {
        presetMenu(slot, list.entry(source), false);
        return;
    }
    const QPoint inList = list_->mapFromGlobal(globalPos);
    if (!list_->rect().contains(inList))
        return;
    int target;
    if (inList.y() < list_->viewport()->y() || inList.y() < 10) {
        target = -1; // over the header: before the first row
    } else {
        target = rowAt(globalPos);
        if (target < 0)
            target = int(list.count()) - 1;
    }
    if (target == source)
        return;
    const ListEntry moved = list.entry(source);
    list.insert(target + 1, moved);
    const qsizetype erase = source > target ? source + 1 : source;
    list.EraseEntry(erase);
    FillListView();
    SelectEntry(source > target ? target + 1 : target);
}
