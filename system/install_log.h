// The install log: one UTF-8 file per installation attempt in the log folder, named by its start
// time, beginning with a byte-order mark, one time-stamped line per step, each flushed at once.
#pragma once

#include <cstdio>
#include <string>

#include "platform/win32.h"

// The open install log; null when none is open.
extern FILE* InstallLogFile;

// Creates the log file (and its folders) for an attempt starting now.
void OpenInstallLog();
// Appends "[hh:mm:ss mmm]\t\t" + text + "\r\n" when a log is open; text is UTF-8.
void WriteLogLine(const char* text);
// Closes the log; later lines are dropped until it is opened again.
void CloseInstallLog();

// "hhmmssmmm" + "install.log".
std::string InstallLogFileName(const SYSTEMTIME& start);
std::string FormatLogLine(const SYSTEMTIME& now, const std::string& text);
