// The open-file chooser drawn with ImGui: a list of the current folder's parent,
// sub-folders and matching files, used with the mouse (click, double-click) or the
// keyboard (arrows, Enter, Backspace, Esc).
#include <imgui.h>
#include <imgui_impl_sdl.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/file_browser.h"
#include "platform/file_chooser.h"
#include "platform/sdl/sdl_platform.h"

namespace {

struct ChooserState {
    explicit ChooserState(const FileFilter& filter) : browser(filter) {}
    FileBrowser browser;
    int selected = 0;
    std::string reason;  // why the last picked file was not taken
    bool done = false;
    bool confirmed = false;
    bool scrollToSelection = true;
};

// The first file of the folder, or the first entry when there is none.
int firstFile(const FileBrowser& browser) {
    const std::vector<BrowserEntry>& entries = browser.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].isFolder) return static_cast<int>(i);
    }
    return 0;
}

void activate(ChooserState& s, FileAcceptor accept, void* context) {
    if (s.selected < 0 || s.selected >= static_cast<int>(s.browser.entries().size())) return;
    if (!s.browser.activate(static_cast<size_t>(s.selected))) {
        s.selected = firstFile(s.browser);
        s.reason.clear();
        s.scrollToSelection = true;
        return;
    }
    std::string reason;
    if (accept == nullptr || accept(s.browser.chosenPath(), reason, context)) {
        s.done = true;
        s.confirmed = true;
    } else {
        s.reason = reason.empty() ? "The file could not be opened." : reason;
    }
}

void goUp(ChooserState& s) {
    if (s.browser.goToParent()) {
        s.selected = firstFile(s.browser);
        s.reason.clear();
        s.scrollToSelection = true;
    }
}

bool keyPressed(ImGuiKey key) {
    return ImGui::IsKeyPressed(ImGui::GetKeyIndex(key));
}

void draw(ChooserState& s, FileAcceptor accept, void* context) {
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const ImVec2 size(480.0f, 360.0f);
    ImGui::SetNextWindowPos(ImVec2(viewport->Pos.x + (viewport->Size.x - size.x) / 2.0f,
                                   viewport->Pos.y + (viewport->Size.y - size.y) / 2.0f));
    ImGui::SetNextWindowSize(size);
    ImGui::Begin("Open", nullptr,
                 ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                     ImGuiWindowFlags_NoSavedSettings);
    ImGui::TextUnformatted("Look in:");
    ImGui::SameLine();
    ImGui::TextUnformatted(s.browser.folder().c_str());

    const std::vector<BrowserEntry>& entries = s.browser.entries();
    const int count = static_cast<int>(entries.size());
    const float listHeight = size.y - 130.0f;
    if (!ImGui::IsAnyItemActive() && count > 0) {
        // The highlighted entry is the one Enter opens: every key that moves through
        // the list moves it, not only ImGui's own navigation.
        const int page = std::max(1, static_cast<int>(listHeight / ImGui::GetTextLineHeightWithSpacing()) - 1);
        int target = s.selected;
        if (keyPressed(ImGuiKey_DownArrow)) target = s.selected + 1;
        if (keyPressed(ImGuiKey_UpArrow)) target = s.selected - 1;
        if (keyPressed(ImGuiKey_PageDown)) target = s.selected + page;
        if (keyPressed(ImGuiKey_PageUp)) target = s.selected - page;
        if (keyPressed(ImGuiKey_Home)) target = 0;
        if (keyPressed(ImGuiKey_End)) target = count - 1;
        target = std::clamp(target, 0, count - 1);
        if (target != s.selected) {
            s.selected = target;
            s.scrollToSelection = true;
        }
    }
    if (!ImGui::IsAnyItemActive() && keyPressed(ImGuiKey_Backspace)) goUp(s);

    bool activateNow = false;
    if (ImGui::BeginListBox("##entries", ImVec2(-1.0f, listHeight))) {
        for (int i = 0; i < count; ++i) {
            const BrowserEntry& e = entries[static_cast<size_t>(i)];
            const std::string label = e.isFolder ? "[" + e.name + "]" : e.name;
            ImGui::PushID(i);
            if (ImGui::Selectable(label.c_str(), i == s.selected,
                                  ImGuiSelectableFlags_AllowDoubleClick)) {
                s.selected = i;
                if (ImGui::IsMouseDoubleClicked(0)) activateNow = true;
            }
            if (i == s.selected && s.scrollToSelection) {
                ImGui::SetScrollHereY();
                s.scrollToSelection = false;
            }
            ImGui::PopID();
        }
        ImGui::EndListBox();
    }
    ImGui::Text("Files of type: %s (%s)", s.browser.filter().description,
                s.browser.filter().patterns);
    if (!s.reason.empty()) {
        ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.45f, 0.4f, 1.0f));
        ImGui::TextWrapped("%s", s.reason.c_str());
        ImGui::PopStyleColor();
    }
    ImGui::SetCursorPosY(size.y - 34.0f);
    if (ImGui::Button("Open", ImVec2(80, 0))) activateNow = true;
    ImGui::SameLine();
    if (ImGui::Button("Cancel", ImVec2(80, 0))) s.done = true;
    ImGui::End();
    if (activateNow) activate(s, accept, context);
}

}  // namespace

bool chooseFile(PlatformWindow*, const FileFilter& filter, const std::string& startFolder,
                std::string& path, FileAcceptor accept, void* context) {
    ChooserState s(filter);
    if (startFolder.empty() || !s.browser.open(startFolder)) {
        std::error_code error;
        const std::filesystem::path start = std::filesystem::current_path(error);
        if (error || !s.browser.open(start.string())) {
            if (!s.browser.open("/")) return false;
        }
    }
    s.selected = firstFile(s.browser);
    bool needFrame = true;
    while (!s.done && !closeRequested()) {
        if (needFrame) {
            sdl::renderFrame([&] { draw(s, accept, context); }, false);
            needFrame = false;
            continue;
        }
        uint32_t key = 0;
        const bool pressed = sdl::waitForModalKey(key);
        needFrame = true;
        if (!pressed) continue;
        if (key == VK_ESCAPE) s.done = true;
        if (key == VK_RETURN) activate(s, accept, context);
    }
    sdl::requestRedraw();
    if (!s.confirmed) return false;
    path = s.browser.chosenPath();
    return true;
}
