#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// What the end of a transfer shows: pane texts before and after an optional box, and
// whether the station is to be marked "INVALID".
struct TransferEndReport {
    QString paneBefore;
    QString box;
    QString paneAfter;
    bool markInvalid = false;
};

// playerStarted: the station's audio reached the player before the end; curlResult is
// libcurl's result of the transfer.
TransferEndReport transferEndReport(int endReason, bool markInvalid, bool playerStarted,
                                    const QByteArray& urlUtf8, const QByteArray& errorText,
                                    std::uint32_t language, int curlResult = 0);

// "The player stopped unexpectedly", for the pane and the end box.
QString playerStoppedText(std::uint32_t language);
