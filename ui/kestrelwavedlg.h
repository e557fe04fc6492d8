#pragma once

#include "app/mainwindowport.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <mutex>

class CKestrelwaveApp;
class FileDialogs;
class InfoPane;
class ListHeader;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QTableView;
class ScopeWidget;
class StationListModel;

// The main window: owns the controls, dispatches every command by control id, runs the
// timers that poll the state the workers write, shows the information pane and performs the
// ordered shutdown. Lives on the GUI thread; workers reach it through MainWindowPort.
class CKestrelwaveDlg : public QDialog, public MainWindowPort {
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

    // MainWindowPort
    void sendMessage(int message, qint64 lParam = 0) override;
    void postMessage(int message, qint64 lParam = 0) override;
    QString readUrlField() const override;
    QString readNameField() const override;
    void refillListView() override { FillListView(); }
    void selectEntry(qsizetype index) override { SelectEntry(index); }
    QString urlFieldText() const override;
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
    void initDialog();
    void applyColors();
    void applyCaptions();
    void makeWebSearchCaption();
    void handleMessage(int message, qint64 lParam);
    void showTextNow(const QString& text);
    void onTimer1();
    void onTimer4();
    void refreshEditButtons();
    void exitSequence();

    void onLoadList();
    void onSaveList();
    void onHelp();
    void onUpdate();
    void waitMs(int ms);
    void onAbout(int commandId);

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
    QLabel* lamp_ = nullptr;
    QSlider* volume_ = nullptr;
    InfoPane* pane_ = nullptr;
    ScopeWidget* scope_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    std::array<QPushButton*, 16> presets_{};
    std::array<QLabel*, 16> presetLabels_{};
    QPixmap ledOn_, ledOff_;

    QTimer timer1_, timer4_;
    bool active_ = false;
    bool exitDone_ = false;
    int repaintCountdown_ = 0;
    QElapsedTimer sinceScopeDrawn_;
    int lastVolumePosition_ = -1;
    bool helpWindowOpen_ = false;
    QString searchText_;
    // The URL looked up by timer 1 while nothing is selected, and the list state it saw.
    QString lookedUpUrl_;
    quint64 lookedUpGeneration_ = ~0ull;
    quint64 listGeneration_ = 0;
};
