// The start-up log "ErrorLog.txt" in the runtime's private temporary folder.
//
// Every line opens, appends and closes the file, so the log survives a crash.
#pragma once

#include <string>

namespace qvt {

// Full path of the log file (private temporary folder + "ErrorLog.txt"); empty when there
// is no private temporary folder.
std::string LogPath();
// Start-up: deletes the old log and writes "Start new log...\n".
void StartLog();
// Appends text as it stands (null writes "NULL"). A line that cannot be written after 5
// attempts is dropped.
void WriteLog(const char* text);
// printf-style WriteLog.
void WriteLogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qvt
