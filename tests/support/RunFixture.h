// A run of the core on a temporary photo folder, with a recording host: what the batch
// and EXIF tests share.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "batch/JpegResize.h"
#include "support/FakeHost.h"
#include "support/Files.h"
#include "support/Pictures.h"
#include "support/TempFolder.h"
#include "tools/Tools.h"

namespace pixtrim::test {

class RunFixture : public testing::Test {
protected:
    void SetUp() override {
        settings.AppFolder = app.String();
        settings.ImageFolder = photos.String();
        settings.ImageWidth = "320";
        settings.ImageHeight = "240";
    }

    void AddPhoto(const std::string& data, const std::string& name) { photos.AddPhoto(data, name); }
    void Run() { run.ResizeFolder(); }
    std::string Output(const std::string& name = "") const {
        return name.empty() ? photos / "Resized" : photos / ("Resized/" + name);
    }
    // The copies in the output folder (its record left out).
    std::vector<std::string> OutputNames() const {
        std::vector<std::string> names = Names(Output());
        std::erase(names, kOutputRecordName);
        return names;
    }
    // The only message shown, when it has that icon; else what was shown instead.
    std::string Message(MessageIcon icon = MessageIcon::Critical) const {
        if (host.messages.size() != 1) return std::to_string(host.messages.size()) + " messages";
        return (host.messages[0].icon == icon ? "" : "(other icon) ") + host.messages[0].text;
    }

    TempFolder photos;
    TempFolder app;
    Settings settings;
    FakeHost host{settings};
    JpegResize run{settings, host};
    CurrentFolderGuard currentFolder;
};

}  // namespace pixtrim::test
