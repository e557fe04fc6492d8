#pragma once

#include "app/mainwindowport.h"
#include "programme/curlauxthread.h"
#include "scan/autoscan.h"
#include "stations/listline.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <array>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

class CAuxDlg;
class CKestrelwaveApp;
class FileDialogs;
class InfoPane;
class ListHeader;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSlider;
class QTableView;
class ScopeWidget;
class StationListModel;

// The main window: owns the controls, dispatches every command by control id, runs the
// timers that poll the state the workers write, shows the information pane and performs the
// ordered shutdown. Lives on the GUI thread; workers reach it through MainWindowPort.
class CKestrelwaveDlg : public QDialog,
                        public MainWindowPort,
                        public ScanViewPort,
                        public ProgrammeViewPort {
    Q_OBJECT
public:
    CKestrelwaveDlg(CKestrelwaveApp& app, FileDialogs& fileDialogs, QWidget* parent = nullptr);
    ~CKestrelwaveDlg() override;

    // WM_COMMAND: the control with that id was pressed.
    void command(int id);
    // WM_SYSCOMMAND of the window menu (About entries 0x10, 0x20, 0x30).
    void sysCommand(int id);
    QWidget* control(int id) const { return controls_.value(id); }
    QMenu* windowMenu() const { return windowMenu_; }
    // Opens web pages and the help file; tests replace it.
    std::function<bool(const QString& pathOrUrl)> openExternal;
    // Runs a popup menu and gives the chosen command id (0: none); tests script it.
    std::function<int(QMenu& menu, const QPoint& globalPos)> runMenu;
    // The Search dialog's text, nothing when cancelled; tests script it.
    std::function<std::optional<QString>(const QString& previous)> askSearchText;
    // Milliseconds for the web search's clipboard watch; tests move time on.
    std::function<std::uint32_t()> clock;
    // Where the mouse is, in global coordinates; tests put it where they need it.
    std::function<QPoint()> cursorPos;
    // Runs the Grep Tool dialog and gives its result; tests drive the dialog themselves.
    std::function<int(CAuxDlg& dialog)> runGrepDialog;

    // Drag and drop of a list row (the list's begin-drag, mouse moves and release).
    void beginDrag(int row);
    void dragMove(const QPoint& globalPos);
    void drop(const QPoint& globalPos);
    bool isDragging() const { return dragSource_ >= 0; }

    // MainWindowPort
    void sendMessage(int message, qint64 lParam = 0) override;
    void postMessage(int message, qint64 lParam = 0) override;
    QString readUrlField() const override;
    QString readNameField() const override;
    void refillListView() override { FillListView(); }
    void selectEntry(qsizetype index) override { SelectEntry(index); }
    void setListFileTitle(const QString& fileName) override;
    void resetPerListState() override;
    void runSaveListCommand() override { command(1007); }
    void stationRenamed(qsizetype index) override;
    void invokeOnGui(const std::function<void()>& f) override;
    void processEvents() override;
    void setUrlField(const QString& url) override;
    void setNameField(const QString& name) override;
    void clearInfoPane() override { ClearInfoPane(); }
    void rowChanged(qsizetype index) override { UpdateRow(index); }
    void markPlayingRow(qsizetype index) override;
    void showPlaying(bool playing) override;
    void showRecording(bool recording) override;
    void syncPresetButtons(const QString& playingUrl) override;

    // ScanViewPort (scanview.cpp)
    void showScanRunning(bool running) override;
    void showScanProgress(int done, int total) override;
    void endWebSearch() override;
    QProgressBar* scanProgress() const { return scanProgress_; }

    // ProgrammeViewPort (programmeview.cpp)
    void startProgrammeRefresh() override;
    void armNextProgramme(qint64 ms) override;
    void stopNextProgramme() override;
    const QTimer& programmeRefreshTimer() const { return timer6_; }
    const QTimer& nextProgrammeTimer() const { return timer7_; }

    void ShowText(const QString& text) { showText(text); }
    void ClearInfoPane();
    void FillListView();
    void UpdateRow(qsizetype index);
    void SelectEntry(qsizetype index);
    void SetColumnWidths();
    void ShowPresetLabels();
    void SetPresetLabel(int slot, const QString& text);

    QTableView* listView() const { return list_; }
    StationListModel* listModel() const { return model_; }
    InfoPane* infoPane() const { return pane_; }
    bool isActive() const { return active_; }
    QString totalsText() const;

protected:
    void appendPaneText(const QString& text) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void reject() override;

private:
    void buildControls();
    void setTabOrderByScreen();
    // The fields show row index, which becomes the selected entry.
    void followRow(qsizetype index);
    void initDialog();
    void applyColors();
    void applyCaptions();
    void makeWebSearchCaption();
    void handleMessage(int message, qint64 lParam);
    void showTextNow(const QString& text);
    // Shows the texts workers wrote since the last drawing interval.
    void flushPendingPane();
    void onTimer1();
    void onTimer4();
    void refreshEditButtons();
    void exitSequence();
    // SIGTERM, SIGINT, SIGHUP: the exit sequence without its questions.
    void endBySignal();
    // Boxes and dialogs open over the window, top first.
    void closeModalWindows();
    // A modified list is written beside its file as "<name>.unsaved.txt".
    void keepModifiedListAside();

    void onLoadList();
    void onSaveList();
    void onHelp();
    void onUpdate();
    void waitMs(int ms);

    // List editing (editcommands.cpp).
    bool handleKey(QKeyEvent* event);
    bool mouseOverList() const;
    int presetUnderMouse() const;
    bool selectionCheck();
    std::vector<qsizetype> selectedRows() const;
    void copyRows(const std::vector<qsizetype>& rows);
    void eraseRows(const std::vector<qsizetype>& rows);
    void selectRange(qsizetype first, qsizetype last);
    void onCopy();
    void onCut();
    void onRemove();
    void onPaste(qsizetype after);
    void onAbandon();
    void onInsert();
    void onRemoveInvalid();
    void onSort();
    void onSearch();
    void onWebSearch();
    void watchClipboard();
    void listContextMenu(const QPoint& globalPos);
    void onTimer2();
    int rowAt(const QPoint& globalPos) const;

    // Preselections (presets.cpp).
    void onPreset(int slot);
    void presetMenu(int slot, const std::optional<ListEntry>& dragged, bool fromRightClick);
    void removePreset(int slot);
    QRect presetDropRect(int slot) const;
    void onAbout(int commandId);

    // The Grep Tool and its hand-off to the list (greptool.cpp).
    void onGrepTool();

    // Programme information: timers 6 and 7, button "D" (programmeview.cpp).
    void onTimer6();
    void onTimer7();
    void testSavedPage();

    QPushButton* button(int id) const;

    CKestrelwaveApp& app_;
    FileDialogs& fileDialogs_;
    QHash<int, QWidget*> controls_;
    QTableView* list_ = nullptr;
    StationListModel* model_ = nullptr;
    ListHeader* header_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    QLineEdit* urlEdit_ = nullptr;
    QLabel* totals_ = nullptr;
    QProgressBar* scanProgress_ = nullptr;
    QLabel* lamp_ = nullptr;
    QSlider* volume_ = nullptr;
    InfoPane* pane_ = nullptr;
    ScopeWidget* scope_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    std::array<QPushButton*, 16> presets_{};
    std::array<QLabel*, 16> presetLabels_{};
    QPixmap ledOn_, ledOff_;

    QTimer timer1_, timer2_, timer4_;
    QTimer timer6_, timer7_;

    static constexpr int kPaneFlushMs = 40;
    static constexpr size_t kMaxPendingPaneTexts = 16;
    QTimer paneFlush_;
    std::mutex pendingMutex_;
    std::deque<QString> pendingPane_; // worker texts not shown yet, under pendingMutex_
    bool active_ = false;
    bool exitDone_ = false;
    // How long the exit has waited for a worker blocked on a box below it.
    QElapsedTimer exitDeferredFor_;
    static constexpr int kExitDeferMs = 3000;
    static constexpr int kExitRetryMs = 20;
    bool askOnExit_ = true;
    int repaintCountdown_ = 0;
    QElapsedTimer sinceScopeDrawn_;
    int lastVolumePosition_ = -1;
    bool helpWindowOpen_ = false;
    QString searchText_;
    // The URL looked up by timer 1 while nothing is selected, and the list state it saw.
    QString lookedUpUrl_;
    quint64 lookedUpGeneration_ = ~0ull;
    quint64 listGeneration_ = 0;

    // Rows last copied, cut or removed, with the positions they came from.
    struct ClipStore {
        std::vector<ListEntry> entries;
        std::vector<qsizetype> indexes;
    } clip_;
    qsizetype searchNext_ = 0;
    std::uint32_t webSearchStart_ = 0;
    QString lastCaptured_;
    int dragSource_ = -1;
    int pressRow_ = -1;
    QPoint pressPos_;
};
