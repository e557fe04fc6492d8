#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

// Text, time, path and conversion utilities shared by every subsystem. Paths given by
// reference are replaced by their canonical form, as the callers rely on.
class CUtil {
public:
    // Size in bytes; -1 when the file cannot be opened, -2 for an empty path.
    static qint64 FileSize(QString& path);
    static bool IsDirectory(QString& path);
    // Deletes the file when it exists and is empty.
    static void RemoveIfEmpty(QString path);
    static bool HasUtf16Bom(const QString& path);
    static QString ProgramFolder();
    // The part before the last separator, canonical; empty when there is no separator
    // after the first character.
    static QString FolderOf(const QString& path);
    // The part after the last separator.
    static QString FileNameOf(const QString& path);
    // The same path with the text after its last "." replaced by ext.
    static QString WithExtension(const QString& path, const QString& ext);

    // "24-05-17@14h05" for 17 May 2024 at 14:05.
    static QString DateText();
    static QString DateText(const QDateTime& local);
    // "1 h 0 m 0 s", "2 m 5 s", "59 s".
    static QString DurationText(qint64 seconds);

    // First form, in place: file-name-hostile characters become "_".
    static void CleanFileName(QString& text);
    // Second form: the same, then trailing blanks, "_" and "." removed (the first
    // character always stays).
    static QString CleanFileNameTrimmed(QString text);

    static bool IsUrl(const QString& text);
    static bool IsOnline();

    // Position of part in text without regard to case; -1 when absent.
    static qsizetype ContainsNoCase(QStringView text, QStringView part);

    // The decimal number that starts at the first of ".0123456789".
    static std::optional<double> ReadNumber(QStringView text);

    // UTF-8, falling back to Windows-1252 when the UTF-8 reading has a replacement
    // character after the first position.
    static QString ToWide(QByteArrayView text);
    static QByteArray ToUtf8(QStringView text);

    // Network text (station names, titles) with percent escapes and HTML entities resolved.
    static QString DecodeText(QByteArrayView text);
};
