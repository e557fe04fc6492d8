#pragma once

#include "directory/directoryclient.h"

#include <QDialog>
#include <QHash>
#include <memory>

class CKestrelwaveApp;
class DirectoryModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;

// The Station Directory dialog: searches the community radio directory, shows what it found
// in a sortable table, plays a station through the main window's own play path (the URL
// field and its play message, as for an address captured from the clipboard) and adds the
// chosen stations to the end of the list. Modeless and one at a time; GUI thread, with the
// transfers on its client's worker. It ends any search at once when it closes, and closes
// when the main window ends.
class CDirectoryDlg : public QDialog {
    Q_OBJECT
public:
    // Opens the dialog over window, or brings the open one forward.
    static CDirectoryDlg* open(CKestrelwaveApp& app, QDialog& window);

    CDirectoryDlg(CKestrelwaveApp& app, QWidget* parent = nullptr);
    ~CDirectoryDlg() override;

    // The control with that id was pressed (IDOK: Close, IDCANCEL: Escape).
    void command(int id);
    QWidget* control(int id) const { return controls_.value(id); }
    DirectoryModel* model() const { return model_; }
    QTableView* results() const { return table_; }
    QString statusText() const;
    bool searching() const { return client_->searching(); }

    // Puts a search's outcome on screen: the table (a further page added to it) and the
    // count found or the reason for none in the status line.
    void showOutcome(DirectoryClient::Outcome outcome, bool furtherPage);

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void onSearch(bool furtherPage);
    void onPlay();
    void onAdd();
    void showCount();

    CKestrelwaveApp& app_;
    std::unique_ptr<DirectoryClient> client_;
    QHash<int, QWidget*> controls_;
    DirectoryModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* tag_ = nullptr;
    QLineEdit* country_ = nullptr;
    QLineEdit* language_ = nullptr;
    QLineEdit* codec_ = nullptr;
    QSpinBox* bitrate_ = nullptr;
    QCheckBox* showBroken_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* more_ = nullptr;
    DirectoryQuery query_; // of the results shown
    int nextOffset_ = 0;
    bool searched_ = false;
};
