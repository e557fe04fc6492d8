#pragma once

#include "stations/stationlist.h"
#include "tests/support/fakewindow.h"
#include "tests/support/printers.h"
#include "tests/support/scriptedmessageboxes.h"

#include <csignal>
#include <sys/resource.h>

// The station list's host without an application: scripted boxes, a fake window, and a count
// of settings writes.
class TestHost : public StationListHost {
public:
    std::uint32_t language() const override { return lang; }
    MessageBoxes& boxes() override { return msgs; }
    bool writeSettings() override
    {
        ++settingsWrites;
        return true;
    }
    ListViewPort* listView() override { return &window; }

    std::uint32_t lang = 1033;
    ScriptedMessageBoxes msgs;
    FakeWindow window;
    int settingsWrites = 0;
};

// Makes every write past a given size fail (EFBIG), even for root, for the scope's life: a
// full disk without a disk to fill.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old_;
        lim.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool ok() const { return ok_; }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
    bool ok_ = false;
};
