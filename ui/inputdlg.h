#pragma once

#include <QDialog>

class QLineEdit;

// The one-line input dialog (131), used by Search ("Search for").
class CInputDlg : public QDialog {
    Q_OBJECT
public:
    CInputDlg(const QString& title, const QString& initial, QWidget* parent = nullptr);
    QString text() const;

private:
    QLineEdit* edit_;
};
