// The installer's localised texts: UiText, words of the dialog, and StepCaption,
// captions of the install steps, each in English, traditional and simplified Chinese. Every
// entry is a UTF-16 string in a fixed slot of 100 wide characters.
#pragma once

#include <cstdint>

namespace ui {

// Which column a language identifier selects: 1033 English, 1028 traditional Chinese, every other
// value simplified Chinese.
enum class TextLanguage { English, Traditional, Simplified };
TextLanguage TextLanguageOf(int32_t languageId);

// The entries for an explicit language identifier. UiText indexes are 0 (Install), 6 (failure
// suffix), 7 (Open) and 10 (waiting line); StepCaption indexes are 0 to 14. Callers pass only
// those; any other index gives an empty text.
const wchar_t* UiTextFor(int32_t languageId, int index);
const wchar_t* StepCaptionFor(int32_t languageId, int index);

}  // namespace ui

// The entries in the language of ProductSettings::Instance().languageId.
const wchar_t* UiText(int index);
const wchar_t* StepCaption(int index);
