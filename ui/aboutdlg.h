#pragma once

#include <QDialog>

// The About box, one per language (dialogs 100, 101, 102), modal with an OK button.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    int dialogId() const { return dialogId_; }

protected:
    CAboutDlg(int dialogId, const QString& versionLine, const QString& body, QWidget* parent);

private:
    int dialogId_;
};

class CAboutDlg_EN : public CAboutDlg {
public:
    explicit CAboutDlg_EN(QWidget* parent = nullptr);
};

class CAboutDlg_FR : public CAboutDlg {
public:
    explicit CAboutDlg_FR(QWidget* parent = nullptr);
};

class CAboutDlg_GE : public CAboutDlg {
public:
    explicit CAboutDlg_GE(QWidget* parent = nullptr);
};
