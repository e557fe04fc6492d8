#pragma once

#include <QString>

namespace platform {

// The user's Music folder; created when the desktop names one that does not exist yet
// (a fresh home). Empty when it cannot be had.
QString musicFolder();

// Folder of the running executable, without a trailing separator.
QString programFolder();

// Lexical canonical form ("." and ".." resolved, "/" separators); the file need not exist.
QString canonicalPath(const QString& path);

// Creates one folder level; false when it cannot be created.
bool createDirectory(const QString& path);

bool isDirectory(const QString& path);

// Full path of an executable found on PATH, empty when there is none.
QString findExecutable(const QString& name);

// The program's own version text ("2.1.0").
QString versionText();

} // namespace platform
