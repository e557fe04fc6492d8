#pragma once

#include "app/mainwindowport.h"

#include <QStringList>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

// Stands in for the main window: records what the engine asks of it and runs GUI-thread
// work inline, under a lock so a worker and the test thread do not interleave. urlField
// and nameField are what the fields "show".
class PlaybackControl;

class FakeWindow : public MainWindowPort {
public:
    void refillListView() override { ++refills; }
    void selectEntry(qsizetype index) override { selected.push_back(index); }
    void setListFileTitle(const QString& fileName) override { title = fileName; }
    void resetPerListState() override { ++perListResets; }
    void runSaveListCommand() override { ++saveCommands; }
    void stationRenamed(qsizetype index) override { renamed.push_back(index); }
    void sendMessage(int message, qint64 lParam) override;
    void postMessage(int message, qint64 lParam) override;
    void invokeOnGui(const std::function<void()>& f) override;
    void processEvents() override {}
    QString readUrlField() const override { return urlField; }
    QString readNameField() const override { return nameField; }
    void setUrlField(const QString& url) override { urlField = url; }
    void setNameField(const QString& name) override { nameField = name; }
    void clearInfoPane() override;
    void rowChanged(qsizetype index) override { changedRows.push_back(index); }
    void markPlayingRow(qsizetype index) override { playingRow = index; }
    void showPlaying(bool p) override { playingShown = p; }
    void showRecording(bool r) override { recordingShown = r; }
    void syncPresetButtons(const QString&) override {}

    QStringList paneTexts() const;
    QString paneText() const { return paneTexts().join(QString()); }
    // Everything ever shown, clearing of the pane notwithstanding.
    QString everShown() const;
    std::vector<std::pair<int, qint64>> messages() const;
    // Called for every sent or posted message, after it was recorded.
    std::function<void(int message, qint64 lParam)> onMessage;
    // WM_APP+2 and WM_APP+4 go to control as the dialog sends them.
    void handleAsTheDialog(PlaybackControl& control);

    QString urlField;
    QString nameField;
    QString title;
    int refills = 0;
    int perListResets = 0;
    int saveCommands = 0;
    qsizetype playingRow = -1;
    bool playingShown = false;
    bool recordingShown = false;
    std::vector<qsizetype> selected;
    std::vector<qsizetype> renamed;
    std::vector<qsizetype> changedRows;

protected:
    void appendPaneText(const QString& text) override;

private:
    mutable std::recursive_mutex gui_;
    mutable std::mutex mutex_;
    QStringList pane_;
    QString history_;
    std::vector<std::pair<int, qint64>> messages_;
};
