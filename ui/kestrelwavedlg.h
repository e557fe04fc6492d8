#pragma once

#include <QDialog>

class CKestrelwaveApp;

// The main window.
class CKestrelwaveDlg : public QDialog {
    Q_OBJECT
public:
    explicit CKestrelwaveDlg(CKestrelwaveApp& app, QWidget* parent = nullptr);

private:
    CKestrelwaveApp& app_;
};
