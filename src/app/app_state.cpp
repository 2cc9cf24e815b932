#include "app/app_state.h"

#include "engine/catalog.h"

namespace kelvaro {

AppState::AppState(IPrompts& prompts) : targets([&prompts] { prompts.Notice(ResKelvaroText(3100)); }) {}

void LogCopy(HistoryLog& history, IClipboard& clipboard) {
    constexpr int16_t kNotCopiedLine = 27005;
    if (!clipboard.SetText(history.Text())) history.ListInAdd(ResKelvaroText(kNotCopiedLine));
}

}  // namespace kelvaro
