#include "ui/directorydlg.h"

#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "app/mainwindowport.h"
#include "app/messages.h"
#include "app/texts.h"
#include "platform/environment.h"
#include "stations/fieldtext.h"
#include "stations/listline.h"
#include "ui/directorymodel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <algorithm>

using namespace ids;

namespace {

QString failureText(std::uint32_t lang, const DirectoryClient::Outcome& outcome)
{
    using Failure = DirectoryClient::Failure;
    switch (outcome.failure) {
    case Failure::NoConnection:
        return texts::choose(lang,
                             {u"No connection to the directory", u"Pas de connexion à l'annuaire",
                              u"Keine Verbindung zum Verzeichnis"});
    case Failure::NoAnswer: {
        const QString text =
            texts::choose(lang, {u"The directory did not answer", u"L'annuaire n'a pas répondu",
                                 u"Das Verzeichnis hat nicht geantwortet"});
        return outcome.httpStatus ? text + QStringLiteral(" (HTTP %1)").arg(outcome.httpStatus)
                                  : text;
    }
    case Failure::TooLarge:
        return texts::choose(lang, {u"Bad answer from the directory (more than 16 MiB)",
                                    u"Réponse invalide de l'annuaire (plus de 16 Mio)",
                                    u"Ungültige Antwort des Verzeichnisses (mehr als 16 MiB)"});
    case Failure::BadAnswer:
        return texts::choose(lang,
                             {u"Bad answer from the directory", u"Réponse invalide de l'annuaire",
                              u"Ungültige Antwort des Verzeichnisses"});
    case Failure::None:
        break;
    }
    return {};
}

} // namespace

CDirectoryDlg* CDirectoryDlg::open(CKestrelwaveApp& app, QDialog& window)
{
    auto* dialog = window.findChild<CDirectoryDlg*>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog) {
        dialog = new CDirectoryDlg(app, &window);
        // The program's end ends a search at once; nothing of it outlives the window.
        connect(&window, &QDialog::finished, dialog, [dialog] { dialog->command(IDOK); });
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

CDirectoryDlg::CDirectoryDlg(CKestrelwaveApp& app, QWidget* parent)
    : QDialog(parent), app_(app),
      client_(std::make_unique<DirectoryClient>(
          "Kestrelwave/" + app.versionText.toUtf8(),
          platform::environmentText(DirectoryClient::kOverrideVariable)))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    buildControls();
}

CDirectoryDlg::~CDirectoryDlg() = default;

void CDirectoryDlg::buildControls()
{
    const std::uint32_t lang = app_.language();
    setObjectName(QStringLiteral("DirectoryDlg"));
    setWindowTitle(texts::choose(
        lang, {u"Station Directory", u"Annuaire des stations", u"Senderverzeichnis"}));
    setSizeGripEnabled(true);
    const auto reg = [this](int id, QWidget* w) {
        w->setObjectName(QStringLiteral("control_%1").arg(id));
        controls_.insert(id, w);
    };
    const auto makeEdit = [&](int id) {
        auto* edit = new QLineEdit(this);
        edit->setMaxLength(200);
        connect(edit, &QLineEdit::returnPressed, this, [this] { command(IDC_DIR_SEARCH); });
        reg(id, edit);
        return edit;
    };
    const auto makeButton = [&](int id, const texts::Tri& caption) {
        auto* b = new QPushButton(texts::choose(lang, caption), this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, id] { command(id); });
        reg(id, b);
        return b;
    };
    const auto label = [&](const texts::Tri& caption, QWidget* buddy) {
        auto* l = new QLabel(texts::choose(lang, caption), this);
        l->setBuddy(buddy);
        return l;
    };

    name_ = makeEdit(IDC_DIR_NAME);
    tag_ = makeEdit(IDC_DIR_TAG);
    country_ = makeEdit(IDC_DIR_COUNTRY);
    language_ = makeEdit(IDC_DIR_LANGUAGE);
    codec_ = makeEdit(IDC_DIR_CODEC);
    country_->setPlaceholderText(
        texts::choose(lang, {u"FR or France", u"FR ou France", u"FR oder Frankreich"}));
    bitrate_ = new QSpinBox(this);
    bitrate_->setRange(0, 9999);
    bitrate_->setSuffix(QStringLiteral(" kbit/s"));
    bitrate_->setSpecialValueText(texts::choose(lang, {u"any", u"tous", u"beliebig"}));
    reg(IDC_DIR_BITRATE, bitrate_);
    showBroken_ = new QCheckBox(
        texts::choose(lang, {u"Show broken stations", u"Afficher les stations en panne",
                             u"Defekte Sender zeigen"}),
        this);
    reg(IDC_DIR_SHOW_BROKEN, showBroken_);
    connect(showBroken_, &QCheckBox::toggled, this, [this](bool show) {
        // Broken stations are left out by the directory too: a shown search is asked again.
        model_->setShowBroken(show);
        if (searched_)
            command(IDC_DIR_SEARCH);
    });

    QPushButton* search = makeButton(IDC_DIR_SEARCH, {u"Search", u"Chercher", u"Suchen"});
    search->setDefault(true);
    more_ =
        makeButton(IDC_DIR_MORE, {u"More results", u"Plus de résultats", u"Weitere Ergebnisse"});
    more_->setEnabled(false);
    QPushButton* play = makeButton(IDC_DIR_PLAY, {u"Play", u"Ecouter", u"Abspielen"});
    QPushButton* add = makeButton(
        IDC_DIR_ADD, {u"&Add to List", u"&Ajouter à la liste", u"In die Liste &aufnehmen"});
    QPushButton* close = makeButton(IDOK, {u"Close", u"Fermer", u"Schließen"});

    model_ = new DirectoryModel(lang, this);
    table_ = new QTableView(this);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    // Fixed sizes: a page of thousands of stations costs no more to show than a few.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    const int widths[DirectoryModel::ColumnCount] = {260, 60, 60, 110, 160, 60, 60};
    for (int c = 0; c < DirectoryModel::ColumnCount; ++c)
        header->resizeSection(c, widths[c]);
    // First in the directory's order (most voted first) until a column is clicked.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    table_->setSortingEnabled(true);
    reg(IDC_DIR_RESULTS, table_);
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!index.isValid())
            return;
        table_->setCurrentIndex(index);
        command(IDC_DIR_PLAY);
    });

    status_ = new QLabel(this);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    reg(IDC_DIR_STATUS, status_);

    auto* fields = new QGridLayout;
    fields->addWidget(label({u"&Name", u"&Nom", u"&Name"}, name_), 0, 0);
    fields->addWidget(name_, 0, 1, 1, 3);
    fields->addWidget(search, 0, 4);
    fields->addWidget(label({u"&Tag", u"&Mot-clé", u"&Tag"}, tag_), 1, 0);
    fields->addWidget(tag_, 1, 1);
    fields->addWidget(label({u"C&ountry", u"&Pays", u"&Land"}, country_), 1, 2);
    fields->addWidget(country_, 1, 3);
    fields->addWidget(label({u"&Language", u"&Langue", u"&Sprache"}, language_), 2, 0);
    fields->addWidget(language_, 2, 1);
    fields->addWidget(label({u"&Codec", u"&Codec", u"&Codec"}, codec_), 2, 2);
    fields->addWidget(codec_, 2, 3);
    fields->addWidget(label({u"Min. &bit rate", u"&Débit min.", u"Min. &Bitrate"}, bitrate_), 3, 0);
    fields->addWidget(bitrate_, 3, 1);
    fields->addWidget(showBroken_, 3, 2, 1, 2);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(status_, 1);
    statusRow->addWidget(more_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(play);
    buttons->addWidget(add);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* top = new QVBoxLayout(this);
    top->addLayout(fields);
    top->addWidget(table_, 1);
    top->addLayout(statusRow);
    top->addLayout(buttons);
    resize(860, 560);
    name_->setFocus();
}

QString CDirectoryDlg::statusText() const
{
    return status_->text();
}

void CDirectoryDlg::command(int id)
{
    switch (id) {
    case IDC_DIR_SEARCH:
        onSearch(false);
        break;
    case IDC_DIR_MORE:
        onSearch(true);
        break;
    case IDC_DIR_PLAY:
        onPlay();
        break;
    case IDC_DIR_ADD:
        onAdd();
        break;
    case IDCANCEL:
        // Escape stops a search first; a second one closes.
        if (client_->searching()) {
            client_->cancel();
            more_->setEnabled(false);
            status_->setText(
                texts::choose(app_.language(),
                              {u"Search cancelled", u"Recherche annulée", u"Suche abgebrochen"}));
            break;
        }
        QDialog::reject();
        break;
    case IDOK:
        client_->cancel();
        QDialog::reject(); // closes and, as the dialog deletes itself on close, deletes it
        break;
    default:
        break;
    }
}

void CDirectoryDlg::reject()
{
    command(IDCANCEL);
}

void CDirectoryDlg::closeEvent(QCloseEvent* event)
{
    // The window's own close button closes also while a search runs.
    client_->cancel();
    QDialog::closeEvent(event);
}

void CDirectoryDlg::onSearch(bool furtherPage)
{
    if (!furtherPage) {
        query_.name = name_->text();
        query_.tag = tag_->text();
        query_.country = country_->text();
        query_.language = language_->text();
        query_.codec = codec_->text();
        query_.bitrateMin = bitrate_->value();
        query_.hideBroken = !showBroken_->isChecked();
        nextOffset_ = 0;
    }
    searched_ = true;
    more_->setEnabled(false);
    status_->setText(texts::choose(app_.language(),
                                   {u"Searching...", u"Recherche en cours...", u"Suche läuft..."}));
    client_->search(query_, nextOffset_, [this, furtherPage](DirectoryClient::Outcome outcome) {
        showOutcome(std::move(outcome), furtherPage);
    });
}

void CDirectoryDlg::showOutcome(DirectoryClient::Outcome outcome, bool furtherPage)
{
    if (outcome.failure != DirectoryClient::Failure::None) {
        if (!furtherPage)
            model_->setStations({});
        status_->setText(failureText(app_.language(), outcome));
        return;
    }
    const int received = int(outcome.stations.size());
    nextOffset_ += received;
    if (furtherPage)
        model_->appendStations(std::move(outcome.stations));
    else
        model_->setStations(std::move(outcome.stations));
    // A full page says there may be more.
    more_->setEnabled(received >= kDirectoryPageSize);
    showCount();
}

void CDirectoryDlg::showCount()
{
    const std::uint32_t lang = app_.language();
    const int shown = model_->rowCount();
    status_->setText(
        shown == 0
            ? texts::choose(
                  lang, {u"No station found", u"Aucune station trouvée", u"Kein Sender gefunden"})
            : texts::choose(lang,
                            {u"%d stations found", u"%d stations trouvées", u"%d Sender gefunden"},
                            shown));
}

void CDirectoryDlg::onPlay()
{
    const QModelIndex current = table_->currentIndex();
    MainWindowPort* window = app_.window();
    if (!current.isValid() || !window)
        return;
    const DirectoryStation& s = model_->station(current.row());
    const QString url = cleanUrlFieldText(s.address());
    if (url.isEmpty())
        return;
    // As a captured address plays: the fields show it, and the window's play message runs.
    window->setUrlField(url);
    window->setNameField(cleanNameFieldText(listSafeName(s.name)));
    window->postMessage(msg::WM_APP_PLAY_URL_FIELD);
    client_->click(s.uuid);
}

void CDirectoryDlg::onAdd()
{
    const std::uint32_t lang = app_.language();
    std::vector<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    std::vector<DirectoryStation> chosen;
    for (int row : rows)
        chosen.push_back(model_->station(row));
    if (chosen.empty())
        return;
    const QString words = query_.summary();
    const QString heading =
        words.isEmpty()
            ? texts::choose(lang, {u"Directory", u"Annuaire", u"Verzeichnis"})
            : texts::choose(lang, {u"Directory: %s", u"Annuaire : %s", u"Verzeichnis: %s"}, words);
    StationList& list = app_.stations;
    // A scan walking the list must not see it grow under it.
    app_.EndScan(false);
    const DirectoryAddition added = directoryListEntries(heading, chosen, list);
    const QString unfit =
        added.unfit == 0
            ? QString()
            : texts::choose(lang,
                            {u" (%d left out: the list cannot keep their address)",
                             u" (%d laissées de côté : la liste ne peut garder leur adresse)",
                             u" (%d ausgelassen: die Liste kann ihre Adresse nicht speichern)"},
                            added.unfit);
    // A QString, not the builder of the sum: that would refer to the texts that end here.
    const auto addedText = [&](qsizetype n) -> QString {
        return texts::choose(lang,
                             {u"%d stations added to the list", u"%d stations ajoutées à la liste",
                              u"%d Sender zur Liste hinzugefügt"},
                             n) +
               unfit;
    };
    if (added.entries.empty() || !list.consistent()) {
        status_->setText(added.unfit > 0
                             ? addedText(0)
                             : texts::choose(lang, {u"Already in the list", u"Déjà dans la liste",
                                                    u"Bereits in der Liste"}));
        return;
    }
    list.PushHistory();
    for (const ListEntry& e : added.entries)
        list.append(e);
    if (MainWindowPort* window = app_.window())
        window->refillListView();
    status_->setText(addedText(qsizetype(added.entries.size() - 1)));
}
