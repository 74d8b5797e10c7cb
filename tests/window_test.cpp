#include <gtest/gtest.h>

#include <QFontInfo>
#include <QSettings>
#include <QTimer>

#include "settings/ConfigurationFile.h"
#include "app/WindowSettings.h"
#include "support/AppFixture.h"

namespace pixtrim {
namespace {

using test::AppFixture;

// The icon comes from the window library's own resources, which must be registered.
TEST(WindowTest, TheIconIsLoaded) {
    fIHM window;
    EXPECT_EQ(window.windowIcon().availableSizes().value(0), QSize(32, 32));
}

TEST_F(AppFixture, FirstStartShowsTheDefaultsAndTheStartFolder) {
    AddPhoto("testorig.jpg", "a.jpg");
    photos.WriteFile("b.png");
    fIHM& window = Start();
    EXPECT_EQ(window.windowTitle(), "Pixtrim v1.13");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.dirList->Path(), photos.String());
    EXPECT_EQ(window.filList->Path(), photos.String());
    EXPECT_EQ(window.txtSearchSpec->text(), "*.jpg;*.jpeg");
    EXPECT_EQ(window.filList->ListCount(), 1);
    EXPECT_TRUE(window.ProgressBar->isHidden());
    EXPECT_TRUE(window.ImageVisu->pixmap().isNull());
    EXPECT_EQ(window.ImageVisuSize->text(), "");
    EXPECT_TRUE(window.OptionExif->isChecked());
    EXPECT_FALSE(window.OptionCopyright->isChecked());
    EXPECT_TRUE(window.FrameCopyright->isHidden());
    EXPECT_TRUE(window.OptionImageSize[4]->isChecked());
    EXPECT_FALSE(window.ImageCustomWidth->isEnabled());
    EXPECT_EQ(window.ImageCustomWidth->text(), "160");
    EXPECT_EQ(window.ImageCustomHeight->text(), "120");
    EXPECT_TRUE(window.CopyrightPosition[0]->isChecked());
    EXPECT_TRUE(window.OptionCopyrightSize[1]->isChecked());
    EXPECT_TRUE(window.OptionCopyrightColor[0]->isChecked());
    EXPECT_TRUE(window.OptionCopyrightTransparent->isChecked());
    EXPECT_EQ(window.drvList->CurrentRoot(), window.drvList->VolumeOf(photos.String()));
}

class TransferTest : public AppFixture {
protected:
    Settings Read() {
        Settings s;
        ReadSettingsFromWindow(s, app.Window());
        return s;
    }
    void Apply(const Settings& s) { ApplySettingsToWindow(s, app.Window()); }
    Settings Base() {
        Settings s;
        s.ImageFolder = photos.String();
        return s;
    }
};

TEST_F(TransferTest, EveryFieldGoesBothWays) {
    Start();
    Settings s = Base();
    s.KeepExif = false;
    s.InsertCopyright = true;
    s.ImageWidth = "1152";
    s.ImageHeight = "864";
    s.CustomWidth = "333";
    s.CustomHeight = "222";
    s.CopyrightText = "© Zoë";
    s.CopyrightPlace = 3;
    s.CopyrightSize = 2;
    s.CopyrightTransparent = false;
    s.CopyrightOutline = true;
    s.CopyrightColor = 4;
    Apply(s);
    const Settings r = Read();
    EXPECT_EQ(r.ImageFolder, s.ImageFolder);
    EXPECT_EQ(r.KeepExif, s.KeepExif);
    EXPECT_EQ(r.InsertCopyright, s.InsertCopyright);
    EXPECT_EQ(r.ImageWidth, "1152");
    EXPECT_EQ(r.ImageHeight, "864");
    EXPECT_EQ(r.CustomWidth, "333");
    EXPECT_EQ(r.CustomHeight, "222");
    EXPECT_EQ(r.CopyrightText, "© Zoë");
    EXPECT_EQ(r.CopyrightPlace, 3);
    EXPECT_EQ(r.CopyrightSize, 2);
    EXPECT_EQ(r.CopyrightTransparent, false);
    EXPECT_EQ(r.CopyrightOutline, true);
    EXPECT_EQ(r.CopyrightColor, 4);
    EXPECT_TRUE(app.Window().FrameCopyright->isVisibleTo(&app.Window()));
}

TEST_F(TransferTest, ACustomSizeEqualToAPresetComesBackAsThePreset) {
    fIHM& window = Start();
    window.OptionImageSize[0]->setChecked(true);
    window.ImageCustomWidth->setText("640");
    window.ImageCustomHeight->setText("480");
    Settings s = Read();
    EXPECT_EQ(s.ImageWidth, "640");
    EXPECT_EQ(s.ImageHeight, "480");
    Apply(s);
    EXPECT_TRUE(window.OptionImageSize[5]->isChecked());
    EXPECT_FALSE(window.OptionImageSize[0]->isChecked());
}

TEST_F(TransferTest, AStoredWidthWithALeadingBlankIsACustomSize) {
    fIHM& window = Start();
    Settings s = Base();
    s.ImageWidth = " 800";
    s.CustomWidth = "321";
    Apply(s);
    EXPECT_TRUE(window.OptionImageSize[0]->isChecked());
    EXPECT_TRUE(window.ImageCustomWidth->isEnabled());
    EXPECT_EQ(window.ImageCustomWidth->text(), "321");
    EXPECT_EQ(window.ImageCustomWidth->palette().color(QPalette::Base), kWhite);
}

TEST_F(TransferTest, NoButtonSelectedReadsAsTheDefaults) {
    fIHM& window = Start();
    fIHM::ClearOptionGroup(window.CopyrightPosition.data(), 4);
    fIHM::ClearOptionGroup(window.OptionCopyrightSize.data(), 3);
    fIHM::ClearOptionGroup(window.OptionCopyrightColor.data(), 5);
    const Settings s = Read();
    EXPECT_EQ(s.CopyrightPlace, 0);
    EXPECT_EQ(s.CopyrightSize, 1);
    EXPECT_EQ(s.CopyrightColor, 1);
}

TEST_F(TransferTest, ReadingTrimsAndLeavesTheFiltersAlone) {
    fIHM& window = Start();
    window.TextCopyright->setText("  © Anne  ");
    window.OptionImageSize[0]->setChecked(true);
    window.ImageCustomWidth->setText(" 12 ");
    window.txtSearchSpec->setText("*.png");
    const Settings s = Read();
    EXPECT_EQ(s.CopyrightText, "© Anne");
    EXPECT_EQ(s.CustomWidth, "12");
    EXPECT_EQ(s.ImageWidth, "12");
    EXPECT_EQ(s.ImageFilters, "*.jpg;*.jpeg");
}

TEST_F(TransferTest, AStoredValueWithoutAButtonSelectsTheGroupsDefault) {
    fIHM& window = Start();
    Settings s = Base();
    s.CopyrightPlace = 7;
    s.CopyrightSize = 9;
    s.CopyrightColor = 3;
    Apply(s);
    EXPECT_TRUE(window.CopyrightPosition[0]->isChecked());
    EXPECT_TRUE(window.OptionCopyrightSize[1]->isChecked());
    EXPECT_TRUE(window.OptionCopyrightColor[1]->isChecked());
}

TEST_F(AppFixture, ExitStoresTheWindowAndEnds) {
    fIHM& window = Start();
    window.OptionExif->setChecked(false);
    window.TextCopyright->setText("© Exit");
    QTest::mouseClick(window.cmdExit, Qt::LeftButton);
    EXPECT_EQ(endStatus, std::vector<int>{0});
    EXPECT_EQ(ReadConfigurationValue(photos / "Pixtrim.cfg", "IHM", "EXIF"), "0");
    EXPECT_EQ(ReadConfigurationValue(photos / "Pixtrim.cfg", "IHM", "TEXT COPYRIGHT"), "© Exit");
}

TEST_F(AppFixture, TheArrowKeysMoveThePreviewThroughTheFiles) {
    AddPhoto("Landscape_1.jpg", "a.jpg");  // 600 x 450
    AddPhoto("Landscape_5.jpg", "b.jpg");  // 450 x 600
    fIHM& window = Start();
    window.filList->setFocus(Qt::TabFocusReason);
    window.filList->setCurrentRow(0);
    EXPECT_EQ(window.ImageVisuSize->text(), "600 x 450");
    QTest::keyClick(window.filList, Qt::Key_Down);
    EXPECT_EQ(window.ImageVisuSize->text(), "450 x 600");
    QTest::keyClick(window.filList, Qt::Key_Up);
    EXPECT_EQ(window.ImageVisuSize->text(), "600 x 450");
}

TEST_F(AppFixture, TheWindowOpensCentredAndMessagesOverIt) {
    fIHM& window = Start();
    const QRect screen = window.screen()->availableGeometry();
    const QRect shown = window.geometry();
    EXPECT_LE(std::abs((shown.left() - screen.left()) - (screen.right() - shown.right())), 1);
    EXPECT_LE(std::abs((shown.top() - screen.top()) - (screen.bottom() - shown.bottom())), 1);
    // The real message box: its parent is the window.
    Application plain;
    plain.Main(photos.String());
    QWidget* parent = nullptr;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        parent = box ? box->parentWidget() : nullptr;
        if (box) box->close();
    });
    plain.ShowMessage("Il n'y a aucune image dans ce répertoire", MessageIcon::Information);
    EXPECT_EQ(parent, &plain.Window());
}

TEST_F(AppFixture, GreyedSizesStayReadable) {
    fIHM& window = Start();
    ASSERT_FALSE(window.ImageCustomWidth->isEnabled());  // a preset is chosen
    const QImage box = window.ImageCustomWidth->grab().toImage();
    bool greyText = false;
    for (int y = 2; y < box.height() - 2; ++y) {
        for (int x = 2; x < box.width() - 2; ++x) greyText |= box.pixelColor(x, y) == kDisabledText;
    }
    EXPECT_TRUE(greyText);
    // The frames are the form's own grey inside.
    EXPECT_EQ(window.FrameOptions->grab().toImage().pixelColor(40, 30), kWindowColour);
}

// Tab enters an option group at its checked button, so that Space cannot change the choice.
TEST_F(AppFixture, TabIntoAGroupLandsOnItsCheckedButton) {
    fIHM& window = Start();
    window.OptionCopyright->setChecked(true);
    const struct {
        QWidget* before;
        QRadioButton* checked;
    } groups[] = {{window.drvList, window.OptionImageSize[2]},
                  {window.OptionCopyright, window.CopyrightPosition[1]},
                  {window.CopyrightPosition[1], window.OptionCopyrightSize[0]},
                  {window.OptionCopyrightSize[0], window.OptionCopyrightColor[2]}};
    for (const auto& group : groups) {
        group.checked->setChecked(true);
        group.before->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), group.checked) << group.checked->objectName().toStdString();
    }
    // The arrow keys move within the group.
    QTest::keyClick(window.OptionCopyrightColor[2], Qt::Key_Down);
    EXPECT_TRUE(window.OptionCopyrightColor[4]->isChecked());
}

// The modal message comes over a window that shows the run's last state.
TEST_F(AppFixture, TheWindowIsRedrawnBeforeAFatalMessage) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("hopper_png_renamed.jpg", "b.jpg");
    fIHM& window = Start();
    int paintedValue = -1;
    struct Watch : QObject {
        QProgressBar* bar;
        int* value;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) *value = bar->value();
            return false;
        }
    } watch;
    watch.bar = window.ProgressBar;
    watch.value = &paintedValue;
    window.ProgressBar->installEventFilter(&watch);
    int shownValue = -2;
    app.SetMessageShower([&](const QString&, MessageIcon) { shownValue = paintedValue; });
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    EXPECT_EQ(shownValue, 100);  // the bar as the failing second image set it
}

TEST_F(AppFixture, ExitSaysWhenTheStoreCannotBeWrittenAndStillEnds) {
    fIHM& window = Start();
    std::filesystem::create_directories(store.IniPath());  // a folder where the file goes
    QTest::mouseClick(window.cmdExit, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, Q("Impossible d'enregistrer les paramètres dans " + store.IniPath()));
    EXPECT_EQ(shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(endStatus, std::vector<int>{0});
}

// The window shows, the run processes and the store keeps a folder whose name is not
// UTF-8 and ends in a blank, byte for byte: what the list shows is what the run does.
TEST_F(AppFixture, AFolderNameOfAnyBytesIsListedRunAndStoredExactly) {
    const std::string odd = photos.MakeFolder("caf\xE9 ");
    std::filesystem::copy_file(test::DataFile("Landscape_1.jpg"), odd + "/\xFF.jpg");
    fIHM& window = Start();
    Settings s = app.CurrentSettings();
    s.ImageFolder = odd;
    ApplySettingsToWindow(s, window);
    EXPECT_EQ(window.dirList->Path(), odd);
    ASSERT_EQ(window.filList->ListCount(), 1);
    EXPECT_EQ(window.filList->item(0)->text(), QString(QChar::ReplacementCharacter) + ".jpg");
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(std::filesystem::exists(odd + "/Resized/\xFF.jpg"));
    EXPECT_EQ(ReadConfigurationValue(photos / "Pixtrim.cfg", "CONFIGURATION", "DESTINATION PATH"),
              odd);
}

// "pixtrim FOLDER", as a file manager's "Open with" gives it: that folder, not the stored
// one; a folder that cannot be read climbs to its nearest readable ancestor.
TEST_F(AppFixture, AFolderGivenAtStartIsTheOneShown) {
    const std::string album = photos.MakeFolder("Album");
    app.Main(photos.String(), album);
    EXPECT_EQ(app.Window().dirList->Path(), album);
    EXPECT_EQ(app.Window().filList->Path(), album);
    Application other;
    other.Main(photos.String(), album + "/gone/deeper");
    EXPECT_EQ(other.Window().dirList->Path(), album);
}

TEST_F(AppFixture, TheCloseBoxEndsWithoutStoring) {
    fIHM& window = Start();
    window.OptionExif->setChecked(false);
    window.close();
    EXPECT_EQ(endStatus, std::vector<int>{0});
    EXPECT_EQ(ReadConfigurationValue(photos / "Pixtrim.cfg", "IHM", "EXIF"), "");
}

TEST_F(AppFixture, AltRRunsAndAltXLeaves) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    fIHM& window = Start();
    // A mnemonic animates the button: the click comes when it is released.
    QTest::keyClick(window.windowHandle(), Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(photos / "Resized/a.jpg"); }));
    QTest::keyClick(window.windowHandle(), Qt::Key_X, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !endStatus.empty(); }));
}

TEST_F(AppFixture, GenerateRunsTheBatchThroughTheWindow) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Landscape_5.jpg", "b.jpg");
    fIHM& window = Start();
    window.OptionImageSize[6]->setChecked(true);
    bool barShown = false;
    QObject::connect(window.ProgressBar, &QProgressBar::valueChanged,
                     [&](int) { barShown = barShown || window.ProgressBar->isVisible(); });
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(barShown);
    EXPECT_TRUE(window.ProgressBar->isHidden());
    EXPECT_EQ(window.ProgressBar->value(), 100);
    cDIBSection copy;
    ASSERT_TRUE(LoadJPG(copy, photos / "Resized/a.jpg"));
    EXPECT_EQ(copy.Width(), 320);
    EXPECT_EQ(window.ImageVisuSize->text(), "450 x 600");  // the preview followed the run
    EXPECT_EQ(ReadConfigurationValue(photos / "Pixtrim.cfg", "IHM", "IMAGE WIDTH"), "320");
    EXPECT_TRUE(endStatus.empty());
}

TEST_F(AppFixture, AnEmptyFolderShowsItsMessageBox) {
    fIHM& window = Start();
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Il n'y a aucune image dans ce répertoire");
    EXPECT_EQ(shown[0].icon, MessageIcon::Information);
    EXPECT_TRUE(window.ProgressBar->isHidden());
}

TEST_F(AppFixture, AFatalErrorShowsTheCriticalBoxThenStoresAndEnds) {
    AddPhoto("hopper_png_renamed.jpg", "a.jpg");
    fIHM& window = Start();
    window.TextCopyright->setText("kept");
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, Q("Erreur à l'ouverture de " + (photos / "a.jpg") +
                               "\rL'application va maintenant se terminer"));
    EXPECT_EQ(shown[0].icon, MessageIcon::Critical);
    EXPECT_EQ(endStatus, std::vector<int>{0});
    EXPECT_EQ(ReadConfigurationValue(photos / "Pixtrim.cfg", "IHM", "TEXT COPYRIGHT"), "kept");
}

}  // namespace
}  // namespace pixtrim
