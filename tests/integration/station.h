#pragma once

#include <QByteArray>
#include <QString>

// The local test station of tests/support/teststation.sh (PulseAudio with a null sink,
// Icecast fed by ffmpeg, the scripted server), started once for the whole test program.
struct TestStation {
    static bool up();
    static QString icecast(const QString& mount); // http://127.0.0.1:port/mount
    static QString fake(const QString& path);     // http://127.0.0.1:port/path
    static QByteArray media();                    // the MP3 the scripted server streams
    static QString adminPassword();
    static QString stateDir();
    // Sets the title of an Icecast MP3/AAC mount through the admin interface.
    static bool setTitle(const QString& mount, const QString& title);
    // The index of the sink input a player of ours opened on the test sound server, or -1.
    static int playerSinkInput();
    // The loudest sample on the null sink's monitor over about a second; -1 without parec.
    static int monitorPeak();
    // Runs a command line and returns its standard output (bounded to timeoutMs).
    static QByteArray run(const QString& program, const QStringList& args, int timeoutMs = 10000);
};
