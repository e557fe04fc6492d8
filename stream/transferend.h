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

TransferEndReport transferEndReport(int endReason, bool markInvalid, const QByteArray& urlUtf8,
                                    const QByteArray& errorText, std::uint32_t language);
