#pragma once

#include <QString>

class QWidget;

// The list file dialogs; tests replace them with a scripted choice.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Empty when the user cancels. suggested is the current list's path.
    virtual QString openListFile(QWidget* owner, const QString& suggested) = 0;
    virtual QString saveListFile(QWidget* owner, const QString& suggested) = 0;
};

class QtFileDialogs : public FileDialogs {
public:
    QString openListFile(QWidget* owner, const QString& suggested) override;
    QString saveListFile(QWidget* owner, const QString& suggested) override;
};

// For runs nobody watches (tests, benchmarks): every dialog is cancelled.
class NoFileDialogs : public FileDialogs {
public:
    QString openListFile(QWidget*, const QString&) override { return {}; }
    QString saveListFile(QWidget*, const QString&) override { return {}; }
};
