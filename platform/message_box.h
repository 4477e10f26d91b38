// A message box with an OK button and the caption "Korvi"; returns when dismissed.
#pragma once

struct PlatformWindow;

inline constexpr const char* kMessageBoxCaption = "Korvi";

// owner may be null (no window exists yet).
void showMessageBox(PlatformWindow* owner, const char* text);
