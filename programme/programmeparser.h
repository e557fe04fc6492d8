#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// Reading a programme page: the current and the next programme of one channel, and the pane
// texts that report them. Pure functions of their input (text and time in, result out), any
// thread.

struct ProgrammeRecord {
    std::array<QString, 3> lines; // first, second, third line; empty when missing
    qint64 startTime = 0;         // seconds since 1970-01-01 UTC; 0 when not set
    qint64 endTime = 0;
    bool operator==(const ProgrammeRecord&) const = default;
};

struct ProgrammePage {
    std::optional<ProgrammeRecord> current;
    std::optional<ProgrammeRecord> next;
    // A block was accepted: the one-shot of the next programme start is cancelled.
    bool stopNextTimer = false;
};

// The current and next programme of the channel named channelName (8-bit, empty for a page
// of one channel) in the page body, at time now. allNames are the table's channel names: on
// a page of one channel, blocks of those sub-channels are passed over.
ProgrammePage parseProgrammePage(QByteArrayView body, QByteArrayView channelName,
                                 const std::vector<QByteArray>& allNames, qint64 now);

// What the pane shows for a parsed page, in order, and when the next programme starts.
struct ProgrammeReport {
    QStringList texts;
    // Delay of the one-shot that announces the next programme; nothing when none is armed.
    std::optional<qint64> nextTimerMs;
    // The next programme's lines as shown, kept for the announcement.
    std::array<QString, 3> shownNext;
    bool nextShown = false;
};
ProgrammeReport programmeReport(const ProgrammePage& page, qint64 now,
                                std::optional<double> recordingSeconds);

// What the pane shows when the next programme starts; empty when there is nothing to say.
QStringList nextProgrammeAnnouncement(const std::array<QString, 3>& next,
                                      std::optional<double> recordingSeconds);

// "%d h %d m %d s", "%d m %d s" or "%d s".
QString durationText(qint64 seconds);
// "- line\n" for each line worth showing: not empty and not a repeat of an earlier one.
QString programmeLinesText(const std::array<QString, 3>& lines);
// The line before a programme report: a line feed, or the recording time while recording.
QString separatorText(std::optional<double> recordingSeconds);

// The channel label of a block's third line: letters with a diacritic of 0xC0-0xFF folded
// to their base letter.
QString foldChannelLabel(const QString& text);

// The quoted string that follows position key (2-160 bytes between the quotes, escaped
// quotes kept inside, backslashes and quotes dropped, then the text test); end is set to the
// position after the closing quote, or stays where it was when there is no string.
QString quotedString(QByteArrayView body, qsizetype key, qsizetype* end);

// The entity tag of a response's header lines: from the first "ETag:" (exact case), the text
// from its first double quote up to the next; nothing without both quotes.
std::optional<QByteArray> entityTag(QByteArrayView headerText);

// The leading decimal number of a saved page: its time stamp.
qint64 leadingNumber(QByteArrayView text);
