// The program: the Settings record, the one window, the batch run, start-up and quit.
// It is the run's host over the real window. How message boxes are shown and how the
// process ends can be replaced, so that tests watch both without a screen.
// Used only on the window's thread.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "batch/BatchHost.h"
#include "batch/JpegResize.h"
#include "settings/Settings.h"
#include "window/fIHM.h"

namespace pixtrim {

class Application : public BatchHost {
public:
    using MessageShower = std::function<void(const QString& text, MessageIcon icon)>;
    using ProcessEnder = std::function<void(int status)>;

    Application();
    ~Application() override;

    // Start-up: the defaults, the stored values, an existing image folder, the window set
    // from the settings, the caption with the version, the window shown. `startFolder` is
    // the process's current folder; a non-empty `openFolder` (from the command line) is
    // opened instead of the stored folder, climbing to an ancestor when it cannot be read.
    void Main(const std::string& startFolder, const std::string& openFolder = "");
    // The window into the settings, the settings stored, the process ended (status 0).
    void QuitApplication() override;

    // What an event handler let escape becomes a message; the program stays open.
    void ReportUnexpected(const std::exception& error);

    // The window, created and loaded on first use.
    fIHM& Window();
    Settings& CurrentSettings() { return settings_; }

    // Replace how messages are shown and how the process ends (tests).
    void SetMessageShower(MessageShower shower) { showMessage_ = std::move(shower); }
    void SetProcessEnder(ProcessEnder ender) { endProcess_ = std::move(ender); }

    // BatchHost.
    void ReadSettingsFromWindow() override;
    void ApplySettingsToWindow() override;
    void SaveConfiguration() override;
    void ShowProgressBar() override;
    void SetProgressBar(uint8_t percent) override;
    void HideProgressBar() override;
    PreviewSizer PreviewSizes() override;
    void VisualizeCopy(const std::string& path, const cDIBSection& preview, int32_t sourceWidth,
                       int32_t sourceHeight, int orientation) override;
    int32_t FileListCount() override;
    void ShowFolder(const std::string& folder) override;
    void ProcessEvents() override;
    void ShowMessage(const RunMessage& message) override;
    bool QuitRequested() const override { return ended_; }

private:
    void EndProcess(int status);
    // The click's preview of the file `path`, decoded as a run's job decodes it.
    fIHM::Preview DecodePreview(const std::string& path);

    Settings settings_;
    JpegResize run_{settings_, *this};
    std::unique_ptr<fIHM> window_;
    MessageShower showMessage_;
    ProcessEnder endProcess_;
    bool ended_ = false;
};

// A message box titled "Pixtrim" with one OK button and the icon, over `parent`.
void ShowMessageBox(const QString& text, MessageIcon icon, QWidget* parent);

}  // namespace pixtrim
