#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ports/services.h"

namespace kelvaro::testing {

class FakeClipboard : public IClipboard {
public:
    bool SetText(const std::wstring& t) override {
        ++calls;
        if (refuse) return false;
        text = t;
        return true;
    }
    std::wstring text = L"<untouched>";
    int calls = 0;
    bool refuse = false;  // another program holds the clipboard
};

// Answers every question as told and records what was asked.
class FakePrompts : public IPrompts {
public:
    void Notice(const std::wstring& text) override { notices.push_back(text); }
    bool AskYesNo(const std::wstring& text) override {
        questions.push_back(text);
        askedOn.push_back(GetCurrentThreadId());
        return answer;
    }
    std::vector<DWORD> askedOn;  // the thread of each question
    std::wstring AskSaveFile(const std::wstring& filter, const std::wstring& extension) override {
        saveDialogs.push_back(filter + L" " + extension);
        return saveName;
    }
    bool AskFont(FontChoice& chosen) override {
        offeredFont = chosen;
        if (!fontAnswer) return false;
        chosen = *fontAnswer;
        return true;
    }
    void ShowHelp(const std::wstring& file) override { helpFiles.push_back(file); }
    bool OpenDocument(const std::wstring& path) override {
        documents.push_back(path);
        return documentOpens;
    }
    std::vector<std::wstring> documents;
    bool documentOpens = true;
    std::wstring AskText(const std::wstring& prompt, const std::wstring& title, const std::wstring& proposed) override {
        textPrompts.push_back(prompt + L" | " + title + L" | " + proposed);
        return textAnswer;
    }
    std::vector<std::wstring> textPrompts;
    std::wstring textAnswer;

    std::vector<std::wstring> notices, questions, saveDialogs, helpFiles;
    bool answer = true;
    std::wstring saveName;
    FontChoice offeredFont;
    const FontChoice* fontAnswer = nullptr;
};

}  // namespace kelvaro::testing
