#pragma once

#include <QString>
#include <cstdint>

class QWidget;

// The list file dialogs; tests replace them with a scripted choice.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Empty when the user cancels. suggested is the current list's path.
    virtual QString openListFile(QWidget* owner, const QString& suggested) = 0;
    virtual QString saveListFile(QWidget* owner, const QString& suggested) = 0;
};

// Station lists, playlists (M3U, PLS) or any file; the file's extension tells the list
// which format it reads or writes.
class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(std::uint32_t language = 1033) : language_(language) {}
    QString openListFile(QWidget* owner, const QString& suggested) override;
    QString saveListFile(QWidget* owner, const QString& suggested) override;

private:
    std::uint32_t language_;
};

// For runs nobody watches (tests, benchmarks): every dialog is cancelled.
class NoFileDialogs : public FileDialogs {
public:
    QString openListFile(QWidget*, const QString&) override { return {}; }
    QString saveListFile(QWidget*, const QString&) override { return {}; }
};
