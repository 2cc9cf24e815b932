#pragma once
#include <string>

#include "engine/file_system.h"
#include "platform/services.h"
#include "windows/history_log.h"

namespace kelvaro {

// The history as bytes of code page 932 (Shift-JIS), CR LF after every line.
std::string LogBytes(const HistoryLog& history);
// Text (lines already ended by CR LF) as a log file's bytes: UTF-8 after a
// byte-order mark, or code page 932 with "?" for what it cannot hold.
std::string LogTextBytes(const std::wstring& text, bool utf8);
// Writes the history to `fileName`: nothing for an empty history, the
// overwrite question for an existing ordinary file, a notice on failure.
void LogWrite(const HistoryLog& history, const std::wstring& fileName, IFileSystem& fs, IPrompts& prompts);
// Asks for a file name with the save dialog, then writes the history there.
void LogSave(const HistoryLog& history, IFileSystem& fs, IPrompts& prompts);

}  // namespace kelvaro
