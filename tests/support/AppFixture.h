// A whole application on a temporary photo folder and a temporary settings store, with
// message boxes recorded and the end of the process watched instead of happening.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <vector>

#include "app/Application.h"
#include "codec/JpegCodec.h"
#include "support/Pictures.h"
#include "support/StoreFolder.h"
#include "support/TempFolder.h"
#include "tools/Tools.h"

namespace pixtrim::test {

struct Shown {
    QString text;
    MessageIcon icon;
};

class AppFixture : public testing::Test {
protected:
    void SetUp() override {
        startFolder_ = CurrentFolder();
        app.SetMessageShower([this](const QString& text, MessageIcon icon) {
            shown.push_back({text, icon});
        });
        app.SetProcessEnder([this](int status) { endStatus.push_back(status); });
    }
    void TearDown() override { ChangeCurrentFolder(startFolder_); }

    void AddPhoto(const std::string& data, const std::string& name) {
        std::filesystem::copy_file(DataFile(data), photos.Path() / name);
    }
    // Starts the program as if launched from the photo folder.
    fIHM& Start() {
        app.Main(photos.String());
        fIHM& window = app.Window();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        return window;
    }
    static QString Q(const std::string& text) { return QString::fromStdString(text); }

    StoreFolder store;
    TempFolder photos;
    Application app;
    std::vector<Shown> shown;
    std::vector<int> endStatus;
    std::string startFolder_;
};

}  // namespace pixtrim::test
