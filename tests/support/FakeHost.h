// A BatchHost that records what the run asks of the window, for tests without a screen.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "batch/HeadlessHost.h"
#include "batch/ImageSelection.h"
#include "settings/Settings.h"

namespace pixtrim::test {

struct Message {
    std::string text;
    MessageIcon icon;
};

class FakeHost : public HeadlessHost {
public:
    using HeadlessHost::HeadlessHost;

    void ReadSettingsFromWindow() override { calls.push_back("ReadSettingsFromWindow"); }
    void ApplySettingsToWindow() override { calls.push_back("ApplySettingsToWindow"); }
    void SaveConfiguration() override {
        calls.push_back("SaveConfiguration"), saved.push_back(settings_);
    }
    void ShowProgressBar() override { calls.push_back("ShowProgressBar"); }
    void SetProgressBar(uint8_t percent) override { progress.push_back(percent); }
    void HideProgressBar() override { calls.push_back("HideProgressBar"); }
    void VisualizeCopy(const std::string& path, const cDIBSection&, int32_t, int32_t,
                       int) override {
        previews.push_back(path);
    }
    // The window's file list follows its filter box, not the stored filters.
    int32_t FileListCount() override {
        return static_cast<int32_t>(ListImages(filterBox, settings_.ImageFolder).size());
    }
    void ShowFolder(const std::string& folder) override { calls.push_back("ShowFolder " + folder); }
    void ProcessEvents() override {
        if (onProcessEvents) onProcessEvents();
    }
    // As the window shows it.
    void ShowMessage(const RunMessage& message) override {
        messages.push_back({WindowText(message), message.icon});
    }
    void QuitApplication() override {
        calls.push_back("QuitApplication"), saved.push_back(settings_);
        HeadlessHost::QuitApplication();
    }

    std::vector<std::string> calls;
    std::vector<int> progress;
    std::vector<std::string> previews;
    std::vector<Message> messages;
    std::vector<Settings> saved;
    std::string filterBox = "*.jpg;*.jpeg;*.heic;*.heif;*.avif;*.png;*.webp;*.tif;*.tiff";
    std::function<void()> onProcessEvents;
};

}  // namespace pixtrim::test
