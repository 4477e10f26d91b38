// The message box over the window, drawn with ImGui: the text, wrapped, and OK.
#include <imgui.h>

#include <algorithm>

#include "platform/message_box.h"
#include "platform/sdl/sdl_platform.h"

namespace sdl {

namespace {

// Draws the box centred on the window; true when OK was pressed in this frame.
bool drawMessageBox(const char* text) {
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const float width = std::min(480.0f, viewport->Size.x - 16.0f);
    ImGui::SetNextWindowPos(ImVec2(viewport->Pos.x + viewport->Size.x / 2.0f,
                                   viewport->Pos.y + viewport->Size.y / 2.0f),
                            ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowSize(ImVec2(width, 0.0f));
    ImGui::Begin(kMessageBoxCaption, nullptr,
                 ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_AlwaysAutoResize);
    ImGui::PushTextWrapPos(width - ImGui::GetStyle().WindowPadding.x);
    ImGui::TextUnformatted(text);
    ImGui::PopTextWrapPos();
    ImGui::Spacing();
    ImGui::SetCursorPosX((width - 80.0f) / 2.0f);
    const bool ok = ImGui::Button("OK", ImVec2(80.0f, 0.0f));
    ImGui::End();
    return ok;
}

}  // namespace

void runMessageBox(const char* text) {
    bool done = false;
    while (!done && !closeRequested()) {
        renderFrame([&] { done = drawMessageBox(text); }, false);
        if (done) break;
        uint32_t key = 0;
        if (waitForModalKey(key) && (key == VK_RETURN || key == VK_ESCAPE || key == ' ')) {
            done = true;
        }
    }
    requestRedraw();
}

}  // namespace sdl
