#include "ui/kestrelwavedlg.h"

#include "app/controlids.h"
#include "app/cutil.h"
#include "app/kestrelwaveapp.h"
#include "app/messages.h"
#include "app/texts.h"
#include "app/timerids.h"
#include "platform/clock.h"
#include "platform/desktopopen.h"
#include "platform/termination.h"
#include "stations/fieldtext.h"
#include "stations/listfile.h"
#include "stream/streamengine.h"
#include "ui/aboutdlg.h"
#include "ui/accessibility.h"
#include "ui/auxdlg.h"
#include "ui/directorydlg.h"
#include "ui/filedialogs.h"
#include "ui/infopane.h"
#include "ui/inputdlg.h"
#include "ui/listheader.h"
#include "ui/scopewidget.h"
#include "ui/songmenu.h"
#include "ui/stationlistmodel.h"
#include "ui/workerwait.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QSlider>
#include <QTableView>
#include <QThread>
#include <QUrl>

using namespace ids;

namespace {

const QString kListTitle = QStringLiteral("Kestrelwave: list =  ");

// "radio-browser.info Web search": the address after "//", without a leading "www."-like
// part when it is long.
QString webSearchCaption(const QString& url, std::uint32_t language)
{
    QString site = url;
    const qsizetype slashes = site.indexOf(QStringLiteral("//"));
    if (slashes >= 0)
        site = site.mid(slashes + 2);
    if (site.size() > 16) {
        const qsizetype dot = site.indexOf(u'.');
        if (dot >= 0)
            site = site.mid(dot + 1);
    }
    while (site.endsWith(u'/'))
        site.chop(1);
    return site + texts::choose(language, {u" Web search", u" sur le Web", u" Web-Suche"});
}

QPixmap ledPixmap(const QString& resource)
{
    // The bitmaps carry a key colour where the lamp's background shows through.
    QPixmap pixmap(resource);
    if (!pixmap.isNull())
        pixmap.setMask(pixmap.createMaskFromColor(QColor(253, 17, 243)));
    return pixmap;
}

} // namespace

CKestrelwaveDlg::CKestrelwaveDlg(CKestrelwaveApp& app, FileDialogs& fileDialogs, QWidget* parent)
    : QDialog(parent), app_(app), fileDialogs_(fileDialogs)
{
    openExternal = [](const QString& target) {
        const std::optional<bool> opened = platform::openWithDesktop(
            target, [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
        if (opened)
            return *opened;
        const QUrl url =
            target.contains(QStringLiteral("://")) ? QUrl(target) : QUrl::fromLocalFile(target);
        return QDesktopServices::openUrl(url);
    };
    runMenu = [](QMenu& menu, const QPoint& at) {
        const QAction* chosen = menu.exec(at);
        return chosen ? chosen->data().toInt() : 0;
    };
    askSearchText = [this](const QString& previous) -> std::optional<QString> {
        CInputDlg input(QStringLiteral("Search for"), previous, this);
        if (input.exec() != QDialog::Accepted)
            return std::nullopt;
        return input.text();
    };
    clock = platform::tickCount;
    cursorPos = [] { return QCursor::pos(); };
    runGrepDialog = [](CAuxDlg& dialog) { return dialog.exec(); };
    buildControls();
    initDialog();
}

CKestrelwaveDlg::~CKestrelwaveDlg()
{
    // The scope's runs come to this window; also when it goes without the exit sequence.
    app_.engine->scope.stopCapture();
    app_.engine->scope.scopeOn = false;
    platform::onTerminationSignal({});
    qApp->removeEventFilter(this);
    app_.scan->setView(nullptr);
    // No programme transfer outlives the window.
    app_.programme.setView(nullptr);
    app_.programme.shutdown();
    app_.setWindow(nullptr);
}

QPushButton* CKestrelwaveDlg::button(int id) const
{
    return qobject_cast<QPushButton*>(controls_.value(id));
}

void CKestrelwaveDlg::buildControls()
{
    setObjectName(QStringLiteral("KestrelwaveDlg"));
    setWindowTitle(QStringLiteral("Kestrelwave"));
    setWindowFlag(Qt::WindowMinimizeButtonHint);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);

    const auto reg = [this](int id, QWidget* w) {
        w->setObjectName(QStringLiteral("control_%1").arg(id));
        controls_.insert(id, w);
        return w;
    };
    const auto makeButton = [&](int id, const QString& text, bool checkable = false) {
        QPushButton* b =
            checkable ? new accessibility::CommandButton(text, this) : new QPushButton(text, this);
        b->setAutoDefault(false);
        b->setDefault(false);
        connect(b, &QPushButton::clicked, this, [this, id] { command(id); });
        reg(id, b);
        return b;
    };
    const auto makeLabel = [&](int id, const QString& text) {
        auto* l = new QLabel(text, this);
        reg(id, l);
        return l;
    };

    model_ = new StationListModel(app_, this);
    list_ = new QTableView(this);
    header_ = new ListHeader(list_);
    list_->setHorizontalHeader(header_);
    list_->setModel(model_);
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setWordWrap(false);
    list_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->verticalHeader()->hide();
    // Fixed row heights keep a 100 000-row list as cheap to show as a 10-row one.
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    header_->setSectionResizeMode(QHeaderView::Interactive);
    header_->setStretchLastSection(false);
    header_->setMinimumSectionSize(20);
    reg(IDC_LIST, list_);
    list_->viewport()->installEventFilter(this);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QTableView::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!app_.status.autoScanRunning)
            listContextMenu(list_->viewport()->mapToGlobal(at));
    });
    connect(list_, &QTableView::clicked, this, [this](const QModelIndex& index) {
        app_.EndScan(false);
        if (index.isValid())
            SelectEntry(index.row());
    });
    // The fields follow the row the user moves to, by keyboard or any command, as a click
    // does: Update must never write one row's fields into another.
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (active_ && current.isValid() &&
                    list_->selectionModel()->isRowSelected(current.row(), {}))
                    followRow(current.row());
            });
    connect(list_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        app_.EndScan(false);
        if (!index.isValid())
            return;
        SelectEntry(index.row());
        app_.engine->control.onPlayUrlField();
    });

    nameEdit_ = new QLineEdit(this);
    urlEdit_ = new QLineEdit(this);
    nameEdit_->setMaxLength(1022);
    urlEdit_->setMaxLength(4094);
    reg(IDC_NAME, nameEdit_);
    reg(IDC_URL, urlEdit_);
    connect(nameEdit_, &QLineEdit::returnPressed, this, [this] { command(IDC_UPDATE); });
    connect(urlEdit_, &QLineEdit::returnPressed, this, [this] { command(IDC_UPDATE); });

    auto* stationLabel = makeLabel(IDC_STATION_LABEL, QStringLiteral("Station"));
    auto* urlLabel = makeLabel(IDC_URL_LABEL, QStringLiteral("Web Radio URL"));
    totals_ = makeLabel(IDC_TOTALS, QStringLiteral("Kestrelwave"));

    makeButton(IDC_INSERT, QStringLiteral("Insert"));
    makeButton(IDC_UPDATE, QStringLiteral("Update"));
    makeButton(IDC_LOAD_LIST, QStringLiteral("Load List file"));
    makeButton(IDC_SAVE_LIST, QStringLiteral("Save List file"));
    makeButton(IDC_AUTO_SCAN, QStringLiteral("Auto Scan"), true);
    makeButton(IDC_REMOVE_INVALID, QStringLiteral("Remove INVALID"));
    makeButton(IDC_SORT, QStringLiteral("Sort"));
    makeButton(IDC_SEARCH, QStringLiteral("Search"));
    makeButton(IDC_WEB_SEARCH, QStringLiteral("Open Web Search"), true);
    makeButton(IDC_PLAY, QStringLiteral("Play"), true);
    makeButton(IDC_RECORD, QStringLiteral("Record"), true);
    makeButton(IDC_DELETE_RECORDING, QStringLiteral("Delete recording"));
    makeButton(IDC_GREP_TOOL, QStringLiteral("Grep Tool"));
    makeButton(IDC_DIRECTORY, QStringLiteral("Directory"));
    makeButton(IDC_PROGRAMME_DUMP, QStringLiteral("D"));
    makeButton(IDC_HELP, QStringLiteral("Help ?"));
    makeButton(IDOK, QStringLiteral("Close"));

    lamp_ = makeLabel(IDC_RECORD_LAMP, QString());
    volume_ = new QSlider(Qt::Horizontal, this);
    reg(IDC_VOLUME, volume_);
    connect(volume_, &QSlider::valueChanged, this,
            [this](int position) { app_.engine->control.volumeMoved(position); });
    auto* volumeLabel = makeLabel(IDC_VOLUME_LABEL, QStringLiteral("Volume"));

    pane_ = new InfoPane(this);
    reg(IDC_INFO_PANE, pane_);
    scope_ = new ScopeWidget(this);
    reg(IDC_SCOPE, scope_);

    auto* group = new QGroupBox(QStringLiteral("Preselections"), this);
    reg(IDC_PRESELECTIONS_GROUP, group);
    auto* presetGrid = new QGridLayout(group);
    presetGrid->setHorizontalSpacing(6);
    presetGrid->setVerticalSpacing(2);
    for (int i = 0; i < kPresetCount; ++i) {
        auto* b = new accessibility::CommandButton(QString::number(i + 1), group);
        b->setAutoDefault(false);
        b->setFixedWidth(40);
        const int id = IDC_PRESET_FIRST + i;
        connect(b, &QPushButton::clicked, this, [this, id] { command(id); });
        b->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(b, &QPushButton::customContextMenuRequested, this, [this, i](const QPoint&) {
            endWebSearch();
            presetMenu(i, std::nullopt, true);
        });
        reg(id, b);
        presets_[i] = b;
        auto* l = new QLabel(QStringLiteral("Empty"), group);
        l->setMinimumWidth(60);
        l->setMaximumHeight(l->fontMetrics().height() + 2);
        reg(IDC_PRESET_LABEL_FIRST + i, l);
        presetLabels_[i] = l;
        const int row = (i / 4) * 2, col = i % 4;
        presetGrid->addWidget(b, row, col, Qt::AlignLeft);
        presetGrid->addWidget(l, row + 1, col);
    }
    for (int col = 0; col < 4; ++col)
        presetGrid->setColumnStretch(col, 1);

    // Left: the list and its editing controls; right: pane, scope, preselections, volume.
    auto* fields = new QGridLayout;
    fields->addWidget(stationLabel, 0, 0);
    fields->addWidget(nameEdit_, 0, 1);
    fields->addWidget(button(IDC_INSERT), 0, 2);
    fields->addWidget(button(IDC_UPDATE), 0, 3);
    fields->addWidget(urlLabel, 1, 0);
    fields->addWidget(urlEdit_, 1, 1);
    fields->addWidget(button(IDC_PLAY), 1, 2);
    fields->addWidget(button(IDC_RECORD), 1, 3);
    fields->addWidget(lamp_, 1, 4);
    fields->setColumnStretch(1, 1);

    // Two rows of list buttons, in their usual order, let the window fit small screens.
    auto* listButtons = new QGridLayout;
    const int listButtonIds[] = {
        IDC_LOAD_LIST, IDC_SAVE_LIST,  IDC_SORT,      IDC_SEARCH,    IDC_REMOVE_INVALID,
        IDC_AUTO_SCAN, IDC_WEB_SEARCH, IDC_GREP_TOOL, IDC_DIRECTORY, IDC_PROGRAMME_DUMP};
    for (int k = 0; k < int(std::size(listButtonIds)); ++k)
        listButtons->addWidget(button(listButtonIds[k]), k / 5, k % 5);
    listButtons->setColumnStretch(5, 1);

    // While a scan runs, how far it got shows beside the totals.
    scanProgress_ = new QProgressBar(this);
    scanProgress_->setObjectName(QStringLiteral("scanProgress"));
    scanProgress_->setFormat(QStringLiteral("%v / %m"));
    scanProgress_->setMaximumHeight(totals_->sizeHint().height() + 4);
    scanProgress_->setMaximumWidth(220);
    scanProgress_->hide();
    auto* totalsRow = new QHBoxLayout;
    totalsRow->addWidget(totals_, 1);
    totalsRow->addWidget(scanProgress_);

    auto* left = new QVBoxLayout;
    left->addWidget(list_, 1);
    left->addLayout(totalsRow);
    left->addLayout(fields);
    left->addLayout(listButtons);

    auto* volumeRow = new QHBoxLayout;
    volumeRow->addWidget(volumeLabel);
    volumeRow->addWidget(volume_, 1);
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(button(IDC_DELETE_RECORDING));
    bottomRow->addStretch(1);
    bottomRow->addWidget(button(IDC_HELP));
    bottomRow->addWidget(button(IDOK));

    auto* right = new QVBoxLayout;
    right->addWidget(pane_, 1);
    right->addWidget(scope_);
    right->addWidget(group);
    right->addLayout(volumeRow);
    right->addLayout(bottomRow);

    auto* top = new QHBoxLayout(this);
    top->addLayout(left, 3);
    top->addLayout(right, 2);

    auto* menuBar = new QMenuBar(this);
    windowMenu_ = menuBar->addMenu(QStringLiteral("&Kestrelwave"));
    top->setMenuBar(menuBar);

    // The usual size, or less on a small screen.
    const QSize usual(1080, 700);
    const QRect room = screen() ? screen()->availableGeometry() : QRect();
    resize(room.isValid() ? usual.boundedTo(room.size() * 0.95) : usual);
    setTabOrderByScreen();
}

void CKestrelwaveDlg::setTabOrderByScreen()
{
    // The fields and their buttons row by row, the list buttons, then the right-hand side.
    std::vector<QWidget*> chain = {list_,
                                   nameEdit_,
                                   button(IDC_INSERT),
                                   button(IDC_UPDATE),
                                   urlEdit_,
                                   button(IDC_PLAY),
                                   button(IDC_RECORD),
                                   button(IDC_LOAD_LIST),
                                   button(IDC_SAVE_LIST),
                                   button(IDC_SORT),
                                   button(IDC_SEARCH),
                                   button(IDC_REMOVE_INVALID),
                                   button(IDC_AUTO_SCAN),
                                   button(IDC_WEB_SEARCH),
                                   button(IDC_GREP_TOOL),
                                   button(IDC_DIRECTORY),
                                   pane_};
    for (QPushButton* b : presets_)
        chain.push_back(b);
    for (QWidget* w : {static_cast<QWidget*>(volume_), controls_.value(IDC_DELETE_RECORDING),
                       controls_.value(IDC_HELP), controls_.value(IDOK)})
        chain.push_back(w);
    for (size_t k = 1; k < chain.size(); ++k)
        QWidget::setTabOrder(chain[k - 1], chain[k]);
}

void CKestrelwaveDlg::initDialog()
{
    const std::uint32_t lang = app_.language();
    app_.setWindow(this);
    app_.scan->setView(this);
    app_.programme.setView(this);

    // The window menu's About entry: text and command id by language.
    QAction* close =
        windowMenu_->addAction(texts::choose(lang, {u"&Close", u"&Quitter", u"&Schließen"}), this,
                               [this] { command(IDOK); });
    close->setData(IDOK);
    windowMenu_
        ->addAction(texts::choose(lang, {u"Station &Directory...", u"&Annuaire des stations...",
                                         u"Sender&verzeichnis..."}),
                    this, [this] { command(IDC_DIRECTORY); })
        ->setData(IDC_DIRECTORY);
    windowMenu_->addSeparator();
    const texts::AboutEntry about = texts::aboutEntry(lang);
    QAction* aboutAction = windowMenu_->addAction(QString::fromUtf16(about.text));
    aboutAction->setData(about.commandId);
    connect(aboutAction, &QAction::triggered, this,
            [this, id = about.commandId] { sysCommand(id); });

    const QIcon icon(QStringLiteral(":/icons/kestrelwave.png"));
    setWindowIcon(icon);

    header_->setFillColor(toQColor(app_.colors[ColorListHeader]));
    controls_.value(IDC_STATION_LABEL)->setProperty("text", app_.columnTitles[0]);
    controls_.value(IDC_URL_LABEL)->setProperty("text", app_.columnTitles[1]);

    volume_->setRange(0, 24);
    ledOn_ = ledPixmap(QStringLiteral(":/bitmaps/LED_RED_ON.png"));
    ledOff_ = ledPixmap(QStringLiteral(":/bitmaps/LED_RED_OFF.png"));
    lamp_->setFixedSize(ledOff_.isNull() ? QSize(16, 16) : ledOff_.size());
    lamp_->setPixmap(ledOff_);

    button(IDC_PROGRAMME_DUMP)->hide();
    applyCaptions();
    showScanRunning(false);

    nameEdit_->clear();
    urlEdit_->clear();
    if (app_.ReadSettings() == 0)
        app_.ApplyFirstStartDefaults();
    addSongSplitItem(*windowMenu_, app_);
    applyColors();

    urlEdit_->setText(app_.currentUrl);
    nameEdit_->setText(app_.currentName);
    makeWebSearchCaption();

    app_.stations.clear();
    // A list named on the command line that cannot be read leaves the remembered one in
    // place, so that the next ordinary start still finds it.
    bool loaded = false;
    if (!app_.commandLineList.isEmpty()) {
        loaded = app_.stations.LoadList(app_.commandLineList);
        if (!loaded)
            ShowText(texts::choose(lang,
                                   {u"\nCould not open the list file %s\n",
                                    u"\nImpossible d'ouvrir le fichier de liste %s\n",
                                    u"\nDie Listendatei %s kann nicht geöffnet werden\n"},
                                   app_.commandLineList));
    }
    if (!loaded)
        app_.stations.LoadList(app_.stations.listPath);
    FillListView(); // also when nothing loaded: the view still needs its columns and totals

    app_.NameCurrentStation(true);
    urlEdit_->setText(app_.currentUrl);
    nameEdit_->setText(app_.currentName);
    ShowPresetLabels();
    if (app_.selectedPreset >= 0 && !app_.presetUrl[app_.selectedPreset].isEmpty())
        presets_[app_.selectedPreset]->setChecked(true);

    app_.WriteSettings();

    // The scope is on when the default output can be opened; without a sound server it
    // stays off and flat.
    COscillo& scope = app_.engine->scope;
    scope.reset();
    scope_->drawEmpty();
    sinceScopeDrawn_.start();
    scope.scopeOn = scope.openDevice() == 0;
    if (scope.scopeOn && scope.prepareCapture() == 0)
        scope.startCapture();
    button(IDC_PLAY)->setFocus();

    paneFlush_.setSingleShot(true);
    connect(&paneFlush_, &QTimer::timeout, this, &CKestrelwaveDlg::flushPendingPane);
    platform::onTerminationSignal([this] { endBySignal(); });
    connect(&timer1_, &QTimer::timeout, this, &CKestrelwaveDlg::onTimer1);
    connect(&timer4_, &QTimer::timeout, this, &CKestrelwaveDlg::onTimer4);
    connect(&timer2_, &QTimer::timeout, this, &CKestrelwaveDlg::onTimer2);
    connect(&timer6_, &QTimer::timeout, this, &CKestrelwaveDlg::onTimer6);
    connect(&timer7_, &QTimer::timeout, this, &CKestrelwaveDlg::onTimer7);
    timer7_.setSingleShot(true);
    qApp->installEventFilter(this);
    timer1_.start(timers::TIMER_UI_POLL_MS);
    timer4_.start(timers::TIMER_SCOPE_VOLUME_MS);
    active_ = true;
    postMessage(msg::WM_APP_PLAYER_NOTICE);
}

void CKestrelwaveDlg::applyCaptions()
{
    const std::uint32_t lang = app_.language();
    accessibility::nameControls(controls_, lang);
    if (lang != texts::kFrench && lang != texts::kGerman)
        return;
    for (const texts::Caption& c : texts::kDialogCaptions) {
        if (QWidget* w = controls_.value(c.controlId))
            w->setProperty("text", texts::choose(lang, c.text));
    }
}

void CKestrelwaveDlg::applyColors()
{
    const auto& colors = app_.colors;
    QPalette dialogPalette = palette();
    dialogPalette.setColor(QPalette::Window, toQColor(colors[ColorDlgBackground]));
    dialogPalette.setColor(QPalette::Base, toQColor(colors[ColorListBackground]));
    dialogPalette.setColor(QPalette::AlternateBase, toQColor(colors[ColorListBackground]));
    // The backgrounds are the program's own light colours, whatever the desktop's theme:
    // the text on them must be dark too, or a dark theme leaves white text on cream.
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        dialogPalette.setColor(group, QPalette::WindowText, Qt::black);
        dialogPalette.setColor(group, QPalette::Text, Qt::black);
        dialogPalette.setColor(group, QPalette::PlaceholderText, QColor(110, 110, 110));
    }
    dialogPalette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    dialogPalette.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    if (auto* bar = findChild<QMenuBar*>()) {
        QPalette barPalette = bar->palette();
        barPalette.setColor(QPalette::ButtonText, Qt::black);
        barPalette.setColor(QPalette::WindowText, Qt::black);
        bar->setPalette(barPalette);
    }
    setPalette(dialogPalette);
    setAutoFillBackground(true);
    header_->setFillColor(toQColor(colors[ColorListHeader]));
    list_->viewport()->update();
}

void CKestrelwaveDlg::makeWebSearchCaption()
{
    button(IDC_WEB_SEARCH)->setText(webSearchCaption(app_.webSearchUrl, app_.language()));
}

// ---- information pane ----------------------------------------------------------------

void CKestrelwaveDlg::appendPaneText(const QString& text)
{
    if (QThread::currentThread() == thread()) {
        flushPendingPane(); // what the workers wrote first comes first
        showTextNow(text);
        return;
    }
    // A worker's texts are gathered and shown together once per drawing interval; a burst
    // faster than that keeps only its latest texts, so that no server can bury the window
    // in work. The recording's information file has had every one of them already.
    bool schedule = false;
    {
        std::lock_guard lock(pendingMutex_);
        schedule = pendingPane_.empty(); // else a flush is on its way
        pendingPane_.push_back(text);
        if (pendingPane_.size() > kMaxPendingPaneTexts)
            pendingPane_.pop_front();
    }
    if (schedule)
        QMetaObject::invokeMethod(
            this, [this] { paneFlush_.start(kPaneFlushMs); }, Qt::QueuedConnection);
}

void CKestrelwaveDlg::flushPendingPane()
{
    std::deque<QString> texts;
    {
        std::lock_guard lock(pendingMutex_);
        texts.swap(pendingPane_);
    }
    QString joined;
    for (const QString& t : texts)
        joined += t;
    if (!joined.isEmpty())
        showTextNow(joined);
}

void CKestrelwaveDlg::showTextNow(const QString& text)
{
    if (pane_)
        pane_->appendText(text);
}

void CKestrelwaveDlg::ClearInfoPane()
{
    {
        // Texts still on their way would only be wrapped to be cleared.
        std::lock_guard lock(pendingMutex_);
        pendingPane_.clear();
    }
    pane_->clear();
}

// ---- messages --------------------------------------------------------------------------

void CKestrelwaveDlg::sendMessage(int message, qint64 lParam)
{
    if (QThread::currentThread() == thread()) {
        handleMessage(message, lParam);
        return;
    }
    const WorkerWait blocked;
    QMetaObject::invokeMethod(
        this, [this, message, lParam] { handleMessage(message, lParam); },
        Qt::BlockingQueuedConnection);
}

void CKestrelwaveDlg::postMessage(int message, qint64 lParam)
{
    QMetaObject::invokeMethod(
        this, [this, message, lParam] { handleMessage(message, lParam); }, Qt::QueuedConnection);
}

void CKestrelwaveDlg::handleMessage(int message, qint64 lParam)
{
    switch (message) {
    case msg::WM_APP_PLAY_URL_FIELD:
        app_.engine->control.onPlayUrlField();
        break;
    case msg::WM_APP_TRANSFER_END:
        app_.engine->control.onTransferEnd();
        break;
    case msg::WM_APP_BIT_RATE:
        app_.engine->control.onBitRate(int(lParam));
        break;
    case msg::WM_APP_REFILL_LIST:
        FillListView();
        break;
    case msg::WM_APP_SAVE_LIST:
        command(IDC_SAVE_LIST);
        break;
    case msg::WM_APP_TIMED_NOTICE:
        app_.ShowTimedNotice(app_.PlayerText());
        break;
    case msg::WM_APP_PLAYER_NOTICE:
        app_.ShowPlayerNotice();
        break;
    case msg::WM_APP_SCOPE_RUN: {
        COscillo& scope = app_.engine->scope;
        scope.takeRun([this, &scope](const std::int16_t* points, int) {
            if (!scope.scopeOn)
                return;
            // The points buffer is drawn whole, column by column; flat while nothing plays.
            if (app_.status.playing)
                scope_->drawPoints({points, std::size_t(COscillo::kPointCapacity)});
            else
                scope_->drawEmpty();
            sinceScopeDrawn_.restart();
        });
        break;
    }
    default:
        break;
    }
}

// ---- fields ----------------------------------------------------------------------------

QString CKestrelwaveDlg::readUrlField() const
{
    return cleanUrlFieldText(urlEdit_->text());
}

QString CKestrelwaveDlg::readNameField() const
{
    return cleanNameFieldText(nameEdit_->text());
}

// ---- list view -------------------------------------------------------------------------

void CKestrelwaveDlg::FillListView()
{
    ++listGeneration_;
    model_->refill();
    SetColumnWidths();
    refreshEditButtons();
    const StationList& list = app_.stations;
    int stations = 0, categories = 0;
    for (qsizetype i = 0; i < list.count(); ++i)
        list.url(i).isEmpty() ? ++categories : ++stations;
    totals_->setText(
        QStringLiteral("Total of %1 Audio URLs in %2 categories").arg(stations).arg(categories));
}

QString CKestrelwaveDlg::totalsText() const
{
    return totals_->text();
}

void CKestrelwaveDlg::SetColumnWidths()
{
    // Column 0 fits its longest names; measuring the 200 longest by length finds them
    // without measuring every row of a huge list.
    const StationList& list = app_.stations;
    std::vector<std::pair<qsizetype, qsizetype>> bySize;
    bySize.reserve(list.count());
    for (qsizetype i = 0; i < list.count(); ++i)
        bySize.emplace_back(list.name(i).size(), i);
    const size_t keep = std::min<size_t>(200, bySize.size());
    std::partial_sort(bySize.begin(), bySize.begin() + keep, bySize.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    const QFontMetrics metrics(list_->font());
    int content = 0;
    for (size_t k = 0; k < keep; ++k)
        content = std::max(content, metrics.horizontalAdvance(list.name(bySize[k].second)));
    const int col0 = std::max(220, content + 16);
    const int client = list_->viewport()->width();
    header_->resizeSection(0, col0);
    header_->resizeSection(1, std::max(40, client - col0 - 78));
    header_->resizeSection(2, 73);
    update();
}

void CKestrelwaveDlg::UpdateRow(qsizetype index)
{
    ++listGeneration_;
    model_->rowChanged(int(index));
}

void CKestrelwaveDlg::SelectEntry(qsizetype index)
{
    if (index < 0 || index >= model_->rowCount()) {
        urlEdit_->clear();
        nameEdit_->clear();
        list_->clearSelection();
        return;
    }
    followRow(index);
    // The row becomes the current one; the keyboard focus stays where the user put it.
    const QModelIndex cell = model_->index(int(index), 0);
    list_->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
    if (index + 1 < model_->rowCount())
        list_->scrollTo(model_->index(int(index) + 1, 0));
    list_->scrollTo(cell);
}

void CKestrelwaveDlg::followRow(qsizetype index)
{
    StationList& list = app_.stations;
    if (!list.isValidIndex(index))
        return;
    list.selectedIndex = index;
    if (urlEdit_->text() != list.url(index))
        urlEdit_->setText(list.url(index));
    if (nameEdit_->text() != list.name(index))
        nameEdit_->setText(list.name(index));
}

void CKestrelwaveDlg::stationRenamed(qsizetype index)
{
    UpdateRow(index);
    if (!app_.stations.isValidIndex(index))
        return;
    nameEdit_->setText(app_.stations.name(index));
    urlEdit_->setText(app_.stations.url(index));
}

void CKestrelwaveDlg::setListFileTitle(const QString& fileName)
{
    setWindowTitle(kListTitle + fileName);
}

void CKestrelwaveDlg::resetPerListState()
{
    app_.stations.selectedIndex = -1;
    button(IDC_UPDATE)->setEnabled(false);
    button(IDC_INSERT)->setEnabled(false);
    app_.NameCurrentStation(false);
    urlEdit_->setText(app_.currentUrl);
    nameEdit_->setText(app_.currentName);
    for (int s = 0; s < kPresetSlots; ++s)
        presets_[s]->setChecked(s == app_.selectedPreset);
    makeWebSearchCaption();
}

void CKestrelwaveDlg::refreshEditButtons()
{
    const StationList& list = app_.stations;
    const qsizetype sel = list.selectedIndex;
    if (list.isValidIndex(sel)) {
        const bool differs = readNameField() != list.name(sel) || readUrlField() != list.url(sel);
        button(IDC_INSERT)->setEnabled(differs);
        button(IDC_UPDATE)->setEnabled(differs);
    } else {
        button(IDC_INSERT)->setEnabled(true);
    }
}

// ---- preselection labels -----------------------------------------------------------------

void CKestrelwaveDlg::SetPresetLabel(int slot, const QString& text)
{
    if (slot < 0 || slot >= kPresetCount)
        return;
    presetLabels_[slot]->setText(text);
    presetLabels_[slot]->setToolTip(text);
    accessibility::namePreset(presets_[slot], slot, text, app_.language());
}

void CKestrelwaveDlg::ShowPresetLabels()
{
    for (int i = 0; i < kPresetCount; ++i) {
        const QString& name = app_.presetName[i];
        const QString& url = app_.presetUrl[i];
        SetPresetLabel(i, !name.isEmpty()  ? name
                          : !url.isEmpty() ? url
                                           : texts::emptySlotText(app_.language()));
    }
}

// ---- timers ----------------------------------------------------------------------------

void CKestrelwaveDlg::onTimer1()
{
    if (!active_ || app_.status.autoScanRunning)
        return;
    if (repaintCountdown_ > 0 && --repaintCountdown_ == 0)
        update();
    if (sinceScopeDrawn_.elapsed() > 500) {
        scope_->drawEmpty();
        sinceScopeDrawn_.restart();
    }
    const bool recordDown = button(IDC_RECORD)->isChecked();
    lamp_->setPixmap(recordDown ? ledOn_ : ledOff_);
    if (recordDown)
        button(IDC_PLAY)->setChecked(true);

    QWidget* focus = QApplication::focusWidget();
    if (focus && focus != button(IDC_SEARCH) && isAncestorOf(focus))
        searchText_.clear();

    watchClipboard();
    if (!app_.webSearchActive && button(IDC_WEB_SEARCH)->isChecked())
        button(IDC_WEB_SEARCH)->setChecked(false);

    StationList& list = app_.stations;
    const QString url = readUrlField();
    if (!list.isValidIndex(list.selectedIndex) && !url.isEmpty() &&
        (url != lookedUpUrl_ || listGeneration_ != lookedUpGeneration_)) {
        // Looked up once per URL and list state, not 30 times a second.
        lookedUpUrl_ = url;
        lookedUpGeneration_ = listGeneration_;
        const qsizetype found = list.FindUrl(url);
        if (found >= 0)
            SelectEntry(found);
    }
    refreshEditButtons();
}

void CKestrelwaveDlg::onTimer4()
{
    if (!active_)
        return;
    app_.engine->scope.checkDevice();
    // The thumb follows the player's volume, also when it is changed outside the program.
    const int position = app_.engine->control.volumeThumbPosition();
    if (position >= 0 && position != volume_->value()) {
        const QSignalBlocker quiet(volume_);
        volume_->setValue(position);
    }
}

// ---- commands --------------------------------------------------------------------------

void CKestrelwaveDlg::command(int id)
{
    switch (id) {
    case IDC_PLAY:
        app_.engine->control.onPlayButton();
        break;
    case IDC_UPDATE:
        onUpdate();
        break;
    case IDC_INSERT:
        onInsert();
        break;
    case IDC_REMOVE:
        onRemove();
        break;
    case IDC_REMOVE_INVALID:
        onRemoveInvalid();
        break;
    case IDC_SORT:
        onSort();
        break;
    case IDC_SEARCH:
        onSearch();
        break;
    case IDC_WEB_SEARCH:
        onWebSearch();
        break;
    case IDC_RECORD:
        app_.engine->control.onRecordButton();
        break;
    case IDC_DELETE_RECORDING:
        app_.engine->control.onDeleteRecording();
        break;
    case IDC_LOAD_LIST:
        onLoadList();
        break;
    case IDC_SAVE_LIST:
        onSaveList();
        break;
    case IDC_HELP:
        onHelp();
        break;
    case IDC_AUTO_SCAN:
        app_.scan->onButton();
        break;
    case IDC_GREP_TOOL:
        onGrepTool();
        break;
    case IDC_DIRECTORY:
        CDirectoryDlg::open(app_, *this);
        break;
    case IDC_PROGRAMME_DUMP:
        testSavedPage();
        break;
    case IDOK:
    case IDCANCEL:
        exitSequence();
        break;
    default:
        if (id >= IDC_PRESET_FIRST && id < IDC_PRESET_FIRST + kPresetCount)
            onPreset(id - IDC_PRESET_FIRST);
        break;
    }
}

void CKestrelwaveDlg::sysCommand(int id)
{
    switch (id & 0xFFF0) {
    case IDM_ABOUTBOX_EN:
    case IDM_ABOUTBOX_FR:
    case IDM_ABOUTBOX_GE:
        onAbout(id & 0xFFF0);
        break;
    default:
        break;
    }
}

void CKestrelwaveDlg::onAbout(int commandId)
{
    if (commandId == IDM_ABOUTBOX_FR) {
        CAboutDlg_FR box(this);
        box.exec();
    } else if (commandId == IDM_ABOUTBOX_GE) {
        CAboutDlg_GE box(this);
        box.exec();
    } else {
        CAboutDlg_EN box(this);
        box.exec();
    }
}

void CKestrelwaveDlg::onLoadList()
{
    app_.stations.AskSaveModified();
    const QString path = fileDialogs_.openListFile(this, app_.stations.listPath);
    if (path.isEmpty())
        return;
    if (app_.status.playing)
        app_.engine->control.Stop();
    if (app_.stations.LoadList(path))
        FillListView();
}

void CKestrelwaveDlg::onSaveList()
{
    const std::uint32_t lang = app_.language();
    MessageBoxes& boxes = app_.boxes();
    if (app_.stations.count() == 0) {
        boxes.show(texts::choose(lang, {u"Nothing to save...", u"Rien à sauvegarder...",
                                        u"Nichts zu retten..."}),
                   BoxIcon::None);
        return;
    }
    const QString path = fileDialogs_.saveListFile(this, app_.stations.listPath);
    if (path.isEmpty())
        return;
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir()) {
        boxes.show(texts::choose(lang, {u"Cannot not access this directory",
                                        u"Accès à ce répertoire impossible",
                                        u"Auf dieses Verzeichnis kann nicht zugegriffen werden"}),
                   BoxIcon::None);
        return;
    }
    // Checks that the file can be written without emptying it: the list is written to a
    // temporary file and only then replaces the old one.
    QFile probe(path);
    if (!probe.open(QIODevice::ReadWrite)) {
        boxes.show(texts::choose(lang,
                                 {u"Could not create file %s", u"Impossible de créer le fichier %s",
                                  u"Die Datei %s kann nicht erstellt werden"},
                                 path),
                   BoxIcon::None);
        return;
    }
    probe.close();
    app_.stations.SaveList(path);
}

void CKestrelwaveDlg::onHelp()
{
    app_.EndScan(false);
    endWebSearch();
    if (app_.helpPath.isEmpty())
        return;
    helpWindowOpen_ = openExternal && openExternal(app_.helpPath);
    if (!helpWindowOpen_)
        ShowText(texts::choose(app_.language(),
                               {u"\nCould not open the help file %s\n",
                                u"\nImpossible d'ouvrir le fichier d'aide %s\n",
                                u"\nDie Hilfedatei %s kann nicht geöffnet werden\n"},
                               app_.helpPath));
}

// ---- keyboard and closing ----------------------------------------------------------------

void CKestrelwaveDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept(); // Escape does not close the window
        return;
    }
    QDialog::keyPressEvent(event);
}

void CKestrelwaveDlg::reject()
{
    command(IDCANCEL);
}

void CKestrelwaveDlg::closeEvent(QCloseEvent* event)
{
    if (!exitDone_)
        exitSequence();
    event->accept();
}

bool CKestrelwaveDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Keys are looked at before the control that has the focus sees them.
    if (event->type() == QEvent::KeyPress && active_) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
                command(IDC_HELP);
                return true;
            }
            if (handleKey(key))
                return true;
        }
    }
    if (watched == list_->viewport() && active_) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* m = static_cast<QMouseEvent*>(event);
            pressRow_ =
                m->button() == Qt::LeftButton ? list_->rowAt(m->position().toPoint().y()) : -1;
            pressPos_ = m->position().toPoint();
            break;
        }
        case QEvent::MouseMove: {
            auto* m = static_cast<QMouseEvent*>(event);
            if (dragSource_ < 0 && pressRow_ >= 0 && (m->buttons() & Qt::LeftButton) &&
                (m->position().toPoint() - pressPos_).manhattanLength() >=
                    QApplication::startDragDistance()) {
                app_.EndScan(false);
                beginDrag(pressRow_);
            }
            if (dragSource_ >= 0) {
                dragMove(m->globalPosition().toPoint());
                return true;
            }
            break;
        }
        case QEvent::MouseButtonRelease:
            pressRow_ = -1;
            if (dragSource_ >= 0) {
                drop(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
                return true;
            }
            break;
        default:
            break;
        }
    }
    // The URL column takes the room the list has, whenever that changes.
    if (watched == list_->viewport() && event->type() == QEvent::Resize)
        SetColumnWidths();
    return QDialog::eventFilter(watched, event);
}

void CKestrelwaveDlg::contextMenuEvent(QContextMenuEvent* event)
{
    // Right-click on the window's background opens the window menu.
    windowMenu_->exec(event->globalPos());
}

void CKestrelwaveDlg::exitSequence()
{
    if (exitDone_)
        return;
    if (WorkerWait::any() &&
        (!exitDeferredFor_.isValid() || exitDeferredFor_.elapsed() < kExitDeferMs)) {
        // A worker waits on a handler below this call (a box over its end report): waiting
        // for that worker here would never end. The boxes close, the handler returns, the
        // worker goes on, and the exit runs then; a worker that never lets go is not waited
        // for longer than the bound.
        if (!exitDeferredFor_.isValid())
            exitDeferredFor_.start();
        closeModalWindows();
        QTimer::singleShot(kExitRetryMs, this, &CKestrelwaveDlg::exitSequence);
        return;
    }
    exitDone_ = true;
    app_.engine->control.shutdown();
    if (app_.status.autoScanRunning) {
        app_.EndScan(false);
        SetColumnWidths();
    }
    active_ = false;
    StreamEngine& engine = *app_.engine;
    engine.scope.stopCapture();
    engine.scope.scopeOn = false;
    if (app_.status.playing) {
        engine.control.Stop();
        waitMs(200);
    }
    helpWindowOpen_ = false;
    engine.curl.stopRequested = true;
    engine.bridge.terminatePlayer();
    app_.status.playing = 0;
    app_.status.transferThreadRunning = 0;
    app_.status.transferInProgress = 0;
    // The worker must be gone before the window it reports to; one that does not end within
    // the bound is left behind, and the program ends without it.
    engine.curl.stopAndWait();
    timer6_.stop();
    timer7_.stop();
    app_.programme.shutdown();
    timer2_.stop();
    timer1_.stop();
    timer4_.stop();
    // Both files of a recording are closed whole, so the recording plays to its last frame.
    engine.bridge.closeRecording();
    app_.WriteSettings();
    if (askOnExit_)
        app_.stations.AskSaveModified();
    else
        keepModifiedListAside();
    done(IDOK);
}

void CKestrelwaveDlg::endBySignal()
{
    // Nobody is there to answer a question: the session is ending.
    askOnExit_ = false;
    app_.boxes().endSession();
    exitSequence();
    // A box or dialog still open on top is closed too, so that the program can end.
    closeModalWindows();
}

void CKestrelwaveDlg::closeModalWindows()
{
    for (int i = 0; i < 16; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == this || !modal->isVisible())
            break;
        modal->close();
    }
}

void CKestrelwaveDlg::keepModifiedListAside()
{
    StationList& list = app_.stations;
    if (!list.isModified() || list.count() == 0)
        return;
    // Beside the list, never over it: the user decides later which one to keep.
    const QString base = list.listPath.isEmpty()
                             ? app_.dataFolder + QStringLiteral("/Kestrelwave.txt")
                             : list.listPath;
    const QFileInfo info(base);
    QSaveFile file(info.absolutePath() + u'/' + info.completeBaseName() +
                   QStringLiteral(".unsaved.txt"));
    if (!list.consistent() || !file.open(QIODevice::WriteOnly))
        return;
    // The settings keep naming the list the user chose; no box stops the shutdown.
    const QByteArray bytes = encodeListFile(list);
    if (file.write(bytes) == bytes.size() && file.flush())
        file.commit();
}

// ---- engine port ------------------------------------------------------------------------

void CKestrelwaveDlg::invokeOnGui(const std::function<void()>& f)
{
    if (QThread::currentThread() == thread()) {
        f();
        return;
    }
    const WorkerWait blocked;
    QMetaObject::invokeMethod(this, f, Qt::BlockingQueuedConnection);
}

// The waits of a command let the workers' calls, timers and painting through, but no click
// or key: a command must not run inside another one's wait (input waits until it is over).
void CKestrelwaveDlg::processEvents()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CKestrelwaveDlg::waitMs(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
        platform::sleepMs(5);
    }
}

void CKestrelwaveDlg::setUrlField(const QString& url)
{
    urlEdit_->setText(url);
}

void CKestrelwaveDlg::setNameField(const QString& name)
{
    nameEdit_->setText(name);
}

void CKestrelwaveDlg::markPlayingRow(qsizetype index)
{
    if (index < 0 || index >= model_->rowCount()) {
        list_->clearSelection();
        return;
    }
    const QModelIndex cell = model_->index(int(index), 0);
    list_->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
    list_->scrollTo(cell);
}

void CKestrelwaveDlg::showPlaying(bool playing)
{
    QPushButton* b = button(IDC_PLAY);
    b->setText(playing
                   ? texts::choose(app_.language(), {u"Playing", u"Ecoute en cours", u"Aufhören"})
                   : texts::choose(app_.language(), {u"Play", u"Ecouter", u"Abspielen"}));
    b->setChecked(playing);
}

void CKestrelwaveDlg::showRecording(bool recording)
{
    QPushButton* b = button(IDC_RECORD);
    b->setText(
        recording
            ? texts::choose(app_.language(), {u"Recording", u"Enreg. en cours", u"Aufzeichnung"})
            : texts::choose(app_.language(), {u"Record", u"Enregistrer", u"Aufnahme"}));
    b->setChecked(recording);
}

void CKestrelwaveDlg::syncPresetButtons(const QString& playingUrl)
{
    for (int i = 0; i < kPresetCount; ++i) {
        if (presets_[i]->isChecked() && app_.presetUrl[i] != playingUrl)
            presets_[i]->setChecked(false);
    }
}
