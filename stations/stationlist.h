#pragma once

#include "app/messageboxes.h"
#include "stations/cowsequence.h"
#include "stations/listline.h"

#include <QString>
#include <array>
#include <cstdint>

// What the list shows of itself in the main window. The dialog implements it; the list
// never touches a widget. All calls come on the GUI thread.
class ListViewPort {
public:
    virtual ~ListViewPort() = default;
    virtual void refillListView() = 0; // WM_APP+3
    virtual void selectEntry(qsizetype index) = 0;
    // The URL field, cleaned of surrounding junk.
    virtual QString readUrlField() const = 0;
    virtual void setListFileTitle(const QString& fileName) = 0;
    // Per-list state of the dialog after a load: fields, buttons, preselection shown.
    virtual void resetPerListState() = 0;
    virtual void runSaveListCommand() = 0; // WM_APP+5
    // Row, name field and URL field after SetStationName gave an entry a new name.
    virtual void stationRenamed(qsizetype index) = 0;
};

// What the list needs of the application: texts, boxes, the settings file, the window.
class StationListHost {
public:
    virtual ~StationListHost() = default;
    virtual std::uint32_t language() const = 0;
    virtual MessageBoxes& boxes() = 0;
    virtual bool writeSettings() = 0;
    virtual ListViewPort* listView() = 0; // null while there is no window
};

// The station list: four parallel sequences (name, URL, flags, format tag) with the file it
// came from, the snapshot that tells whether it was modified, and a 256-state undo ring.
// Lives on the GUI thread; workers reach it only through calls marshalled there.
class StationList {
public:
    static constexpr int kHistorySlots = 256;
    static constexpr qint64 kMaxListFileBytes = 64 * 1024 * 1024;

    explicit StationList(StationListHost* host = nullptr) : host_(host) {}
    void setHost(StationListHost* host) { host_ = host; }

    qsizetype count() const { return count_; }
    bool consistent() const;

    const QString& name(qsizetype i) const { return cur_.names.at(i); }
    const QString& url(qsizetype i) const { return cur_.urls.at(i); }
    std::int32_t flags(qsizetype i) const { return cur_.flags.at(i); }
    const QString& format(qsizetype i) const { return cur_.formats.at(i); }
    ListEntry entry(qsizetype i) const;
    bool isValidIndex(qsizetype i) const { return i >= 0 && i < count_; }

    void setName(qsizetype i, const QString& v) { cur_.names.set(i, v); }
    void setUrl(qsizetype i, const QString& v) { cur_.urls.set(i, v); }
    void setFlags(qsizetype i, std::int32_t v) { cur_.flags.set(i, v); }
    void setFormat(qsizetype i, const QString& v) { cur_.formats.set(i, v); }
    void append(const ListEntry& e);
    void insert(qsizetype i, const ListEntry& e);
    void clear();
    // Replaces the whole list; selection and history stay as they are.
    void assign(const std::vector<ListEntry>& entries);
    void assign(std::vector<ListEntry>&& entries);

    qsizetype FindUrl(QStringView url) const;
    bool EraseEntry(qsizetype index);
    void RemoveEmptyEntries();
    int RemoveDuplicates();
    void SetStationName(qsizetype index, const QString& newName);

    bool LoadList(QString path);
    bool SaveList(const QString& path);

    void TakeSnapshot();
    bool isModified() const;
    void AskSaveModified();

    void ResetHistory();
    void PushHistory();
    void Undo();
    void Redo();
    int historyStored() const { return stored_; }

    QString listPath;
    qsizetype selectedIndex = -1; // the main dialog's selected entry, -1 for none

private:
    struct Sequences {
        CowSequence<QString> names;
        CowSequence<QString> urls;
        CowSequence<std::int32_t> flags;
        CowSequence<QString> formats;
        qsizetype size() const { return names.size(); }
        bool consistent() const
        {
            return urls.size() == names.size() && flags.size() == names.size() &&
                   formats.size() == names.size();
        }
    };

    void refreshCount();
    void clampSelection();
    void restore(const Sequences& s);
    ListViewPort* view() const { return host_ ? host_->listView() : nullptr; }

    StationListHost* host_ = nullptr;
    Sequences cur_;
    Sequences snapshot_;
    std::array<Sequences, kHistorySlots> ring_;
    int top_ = 0;
    int stored_ = 0;
    qsizetype count_ = 0;
};
