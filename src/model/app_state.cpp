#include "model/app_state.h"

#include "engine/catalog.h"

namespace kelvaro {

AppState::AppState(IPrompts& prompts)
    : targets([&prompts] { prompts.Notice(ResKelvaroText(KText::TooManyFolders)); }) {}

void LogCopy(HistoryLog& history, IClipboard& clipboard) {
    if (!clipboard.SetText(history.Text())) history.AddLine(ResKelvaroText(KText::NotCopiedLine));
}

}  // namespace kelvaro
