#include "model/app_state.h"

#include "engine/catalog.h"

namespace kelvaro {

AppState::AppState(IPrompts& prompts) : targets([&prompts] { prompts.Notice(ResKelvaroText(3100)); }) {}

void LogCopy(const HistoryLog& history, IClipboard& clipboard) {
    clipboard.SetText(history.Text());
}

}  // namespace kelvaro
