#pragma once

#include "app/messageboxes.h"
#include "app/playbackstatus.h"
#include "grep/linkextract.h"
#include "programme/curlauxthread.h"
#include "stations/stationlist.h"

#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class CAutoScan;
class MainWindowPort;
struct StreamEngine;
namespace platform {
class RegistryStore;
}

// COLORREF layout: red in the low byte, then green, then blue.
constexpr std::uint32_t rgb(unsigned r, unsigned g, unsigned b)
{
    return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

enum ColorIndex {
    ColorDlgBackground,
    ColorListBackground,
    ColorListHeader,
    ColorCategory,
    ColorCategBkg,
    ColorModified,
    ColorValid,
    ColorInvalid,
    ColorCount
};

inline constexpr std::uint32_t kColumnTextColor = rgb(80, 80, 80);
inline constexpr std::uint32_t kHeaderTextColor = rgb(255, 255, 255);
inline constexpr std::array<std::uint32_t, ColorCount> kDefaultColors = {
    rgb(160, 230, 220), rgb(255, 245, 240), rgb(35, 130, 220), rgb(255, 255, 255),
    rgb(210, 120, 130), rgb(0, 100, 80),    rgb(0, 0, 0),      rgb(220, 0, 50)};

// Where start-up looks; the real program fills it from the system, tests from a folder tree.
struct StartupEnvironment {
    QString programFolder;
    QString musicFolder; // empty: not accessible
    std::uint32_t systemLanguage = 1033;
    QString versionText;
    QString commandLine; // everything after the program name, as one text
    std::function<QString(const QString&)> findOnPath;

    static StartupEnvironment fromSystem(int argc, char** argv);
};

// The installed share folder (icons, and the program's own data in "kestrelwave/") seen
// from the executable's folder, so that an installed tree works under any prefix and in a
// staging root.
QString installedShareFolder(const QString& programFolder);

inline constexpr int kPresetSlots = 16;

// The application: owns the station list, the settings values, the preselections, the
// paths and player choice and the playback status block. GUI thread, except the status
// block, which the workers share.
class CKestrelwaveApp : public StationListHost {
public:
    CKestrelwaveApp(MessageBoxes& boxes, platform::RegistryStore& registry);
    ~CKestrelwaveApp() override;

    // Start-up before the window opens; false when the program must end instead.
    bool InitInstance(const StartupEnvironment& env);

    // Settings file.
    int ReadSettings();
    int WriteSettings();
    void ApplyFirstStartDefaults();

    // Message boxes.
    void ShowError(const QString& text);
    void ShowError(QByteArrayView text);
    void ShowPlayerNotice();
    void ShowTimedNotice(const QString& text);
    QString PlayerText() const;

    // StationListHost
    std::uint32_t language() const override { return language_; }
    MessageBoxes& boxes() override { return boxes_; }
    bool writeSettings() override { return WriteSettings() == 1; }
    ListViewPort* listView() override;

    // The window, and the recorder's copy of its pane texts.
    void setWindow(MainWindowPort* window);
    MainWindowPort* window() const { return window_; }
    void setLanguage(std::uint32_t language);
    platform::RegistryStore& registry() { return registry_; }

    // Filled by start-up.
    QString versionText;
    QString programFolder;
    QString storedPlayer;
    QString playerName;
    QString playerPath;
    QString musicFolder;
    QString dataFolder;
    QString helpPath;
    QString commandLineList;
    std::array<QString, 3> columnTitles = {
        QStringLiteral("Station"), QStringLiteral("Web Radio URL"), QStringLiteral("Format")};

    // Settings values.
    QString iniPath;
    QString webSearchUrl;
    QString currentUrl;
    QString currentName;
    std::array<QString, kPresetSlots> presetName;
    std::array<QString, kPresetSlots> presetUrl;
    int selectedPreset = -1;
    std::array<std::uint32_t, ColorCount> colors = kDefaultColors;
    // [SONGS]: the songs of a recording (stream/songrecorder.h), read by the worker when a
    // recording begins.
    std::atomic<int> splitSongs{0};
    std::atomic<int> titleOffsetMs{0};        // -10000..10000
    std::atomic<int> shortestSongSeconds{30}; // 0..3600

    StationList stations{this};
    PlaybackStatus status;
    std::unique_ptr<StreamEngine> engine;
    std::unique_ptr<CAutoScan> scan;
    // The Grep Tool's result, read by the window once the dialog has closed.
    FoundLinks foundLinks;
    // Programme information of the station being played; the window stops its transfers
    // when it goes.
    CCurlAuxThread programme{*this};

    // A remembered station with a URL but no name takes the name of the first list entry
    // with that URL, else (with fromPresets) of the first preselection holding it.
    void NameCurrentStation(bool fromPresets);

    // Ends a running auto-scan (completed: the list was walked or the button stopped it).
    void EndScan(bool completed);
    // The web search's clipboard watch is on: error boxes stay silent meanwhile.
    std::atomic<bool> webSearchActive{false};

private:
    bool discoverPlayer(const StartupEnvironment& env);
    bool prepareDataFolder(const StartupEnvironment& env);
    void findHelpFile();
    void takeCommandLine(const QString& commandLine);
    void installSampleList();

    MessageBoxes& boxes_;
    platform::RegistryStore& registry_;
    MainWindowPort* window_ = nullptr;
    std::uint32_t language_ = 1033;
};

// The web-search page offered on first start.
inline constexpr const char16_t* kDefaultWebSearchUrl = u"https://www.radio-browser.info";
