// A run's host without a window: nothing to read from or show in a window, nothing stored,
// the file list's count taken from the stored filters, and an end of the program that only
// marks the run to stop. The command line, the benchmarks and the tests build on it,
// overriding what they show or record. Called only on the run's thread.
#pragma once

#include "batch/BatchHost.h"
#include "batch/ImageSelection.h"
#include "settings/Settings.h"

namespace pixtrim {

class HeadlessHost : public BatchHost {
public:
    explicit HeadlessHost(Settings& settings) : settings_(settings) {}

    void ReadSettingsFromWindow() override {}
    void ApplySettingsToWindow() override {}
    void SaveConfiguration() override {}
    void ShowProgressBar() override {}
    void SetProgressBar(uint8_t) override {}
    void HideProgressBar() override {}
    PreviewSizer PreviewSizes() override { return {}; }
    void VisualizeCopy(const std::string&, const cDIBSection&, int32_t, int32_t, int) override {}
    // The window's file list would follow its filter box; without one, the stored filters.
    int32_t FileListCount() override {
        return static_cast<int32_t>(
            ListImages(settings_.ImageFilters, settings_.ImageFolder).size());
    }
    void ShowFolder(const std::string&) override {}
    void ProcessEvents() override {}
    void ShowMessage(const RunMessage&) override {}
    void QuitApplication() override { quit_ = true; }
    bool QuitRequested() const override { return quit_; }

protected:
    Settings& settings_;
    bool quit_ = false;
};

}  // namespace pixtrim
