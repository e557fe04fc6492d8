#pragma once

#include "app/mainwindowport.h"

#include <QStringList>
#include <mutex>
#include <utility>
#include <vector>

// Stands in for the main window: records what the engine asks of it. urlField and nameField
// are what the fields "show".
class FakeWindow : public MainWindowPort {
public:
    void refillListView() override { ++refills; }
    void selectEntry(qsizetype index) override { selected.push_back(index); }
    QString urlFieldText() const override { return urlField; }
    void setListFileTitle(const QString& fileName) override { title = fileName; }
    void resetPerListState() override { ++perListResets; }
    void runSaveListCommand() override { ++saveCommands; }
    void stationRenamed(qsizetype index) override { renamed.push_back(index); }
    void showText(const QString& text) override;
    void sendMessage(int message, qint64 lParam) override;
    void postMessage(int message, qint64 lParam) override;
    QString readUrlField() const override { return urlField; }
    QString readNameField() const override { return nameField; }

    QStringList paneTexts() const;
    std::vector<std::pair<int, qint64>> messages() const;

    QString urlField;
    QString nameField;
    QString title;
    int refills = 0;
    int perListResets = 0;
    int saveCommands = 0;
    std::vector<qsizetype> selected;
    std::vector<qsizetype> renamed;

private:
    mutable std::mutex mutex_;
    QStringList pane_;
    std::vector<std::pair<int, qint64>> messages_;
};
