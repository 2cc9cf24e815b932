#include "app/log_file.h"

#include <windows.h>

#include "engine/catalog.h"

namespace kelvaro {

std::string LogBytes(const HistoryLog& history) {
    return LogTextBytes(history.Text(), false);
}

std::string LogTextBytes(const std::wstring& text, bool utf8) {
    if (text.empty()) return utf8 ? "\xEF\xBB\xBF" : "";
    // A character code page 932 cannot hold becomes "?", never a look-alike:
    // the best-fit mapping would turn Café into Cafe, the name of another folder.
    const UINT codePage = utf8 ? CP_UTF8 : 932;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = utf8 ? nullptr : "?";
    const int size = WideCharToMultiByte(codePage, flags, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         fallback, nullptr);
    if (size <= 0) return {};
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, flags, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, fallback,
                        nullptr);
    return utf8 ? "\xEF\xBB\xBF" + bytes : bytes;
}

void LogWrite(const HistoryLog& history, const std::wstring& fileName, IFileSystem& fs, IPrompts& prompts) {
    if (history.Count() == 0) return;
    if (fs.IsOrdinaryFile(fileName) && !prompts.AskYesNo(ResAllText(AText::OverwriteQuestion))) return;
    if (!fs.WriteFileBytes(fileName, LogBytes(history))) prompts.Notice(ResAllText(AText::SaveFailed));
}

void LogSave(const HistoryLog& history, IFileSystem& fs, IPrompts& prompts) {
    const std::wstring fileName = prompts.AskSaveFile(ResAllText(AText::LogFileFilter), L".LOG");
    if (!fileName.empty()) LogWrite(history, fileName, fs, prompts);
}

}  // namespace kelvaro
