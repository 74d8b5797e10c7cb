// The whole application on a temporary photo folder and a temporary settings store, with
// message boxes recorded and the end of the process watched instead of happening.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include "app/Application.h"
#include "app/WindowSettings.h"
#include "codec/JpegCodec.h"
#include "settings/ConfigurationFile.h"
#include "support/Pictures.h"
#include "support/TempFolder.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;

struct Shown {
    QString text;
    MessageIcon icon;
};

class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        app.SetMessageShower([this](const QString& text, MessageIcon icon) {
            shown.push_back({text, icon});
        });
        app.SetProcessEnder([this](int status) { endStatus.push_back(status); });
    }

    void AddPhoto(const std::string& data, const std::string& name) { photos.AddPhoto(data, name); }
    // Starts the program as if launched from the photo folder.
    fIHM& Start() {
        app.Main(photos.String());
        app.Window().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&app.Window()));
        return app.Window();
    }
    static QString Q(const std::string& text) { return QString::fromStdString(text); }
    Settings Read() {
        Settings s;
        ReadSettingsFromWindow(s, app.Window());
        return s;
    }
    std::string Stored(const char* section, const char* key) {
        return ReadConfigurationValue(photos / "Pixtrim.cfg", section, key);
    }
    QStringList Entries(QListWidget* list) {
        QStringList names;
        for (int i = 0; i < list->count(); ++i) names << list->item(i)->text().trimmed();
        return names;
    }
    void Click(QListWidget* list, const QString& name, bool twice = false) {
        const auto found = list->findItems(name, Qt::MatchEndsWith);
        ASSERT_FALSE(found.isEmpty()) << name.toStdString();
        list->setCurrentItem(found[0]);
        const QPoint at = list->visualItemRect(found[0]).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    test::StoreFolder store;
    test::TempFolder photos;
    Application app;
    std::vector<Shown> shown;
    std::vector<int> endStatus;
    test::CurrentFolderGuard currentFolder;
};

TEST_F(WindowTest, FirstStartShowsTheStartFolderAndItsPhotos) {
    AddPhoto("testorig.jpg", "a.jpg");
    photos.WriteFile("b.png");
    fIHM& window = Start();
    EXPECT_EQ(window.windowTitle(), QString("Pixtrim v") + PIXTRIM_VERSION);
    EXPECT_EQ(window.windowIcon().availableSizes().value(0), QSize(32, 32));
    EXPECT_EQ(window.dirList->Path(), photos.String());
    EXPECT_EQ(Entries(window.filList), QStringList{"a.jpg"});
    EXPECT_TRUE(window.ProgressBar->isHidden());
    EXPECT_TRUE(window.FrameCopyright->isHidden());
    EXPECT_EQ(window.minimumSize(), window.maximumSize());  // a fixed size
    EXPECT_EQ(window.cmdGenerate->nextInFocusChain(), window.cmdExit);
    window.SetProgressBar(100);
    window.ShowProgressBar();  // a second run's bar starts at 0
    EXPECT_EQ(window.ProgressBar->value(), 0);
    window.HideProgressBar();
    EXPECT_EQ(window.drvList->CurrentRoot(), window.drvList->VolumeOf(photos.String()));
    const QRect screen = window.screen()->availableGeometry(), shown = window.geometry();
    EXPECT_LE(std::abs((shown.left() - screen.left()) - (screen.right() - shown.right())), 1);
    EXPECT_LE(std::abs((shown.top() - screen.top()) - (screen.bottom() - shown.bottom())), 1);
    // "pixtrim FOLDER": that folder; one that cannot be read climbs to a readable ancestor.
    Application opened;
    opened.Main(photos.String(), photos / "gone/deeper");
    EXPECT_EQ(opened.Window().filList->Path(), photos.String());
}

TEST_F(WindowTest, EveryFieldGoesBothWaysAndBlanksAreTrimmed) {
    fIHM& window = Start();
    Settings s;
    s.ImageFolder = photos.String();
    s.KeepExif = false;
    s.InsertCopyright = s.CopyrightOutline = true;
    s.ImageWidth = "2272", s.ImageHeight = "1704", s.CustomWidth = "333", s.CustomHeight = "222";
    s.CopyrightText = "© Zoë";
    s.CopyrightPlace = 3, s.CopyrightSize = 2, s.CopyrightColor = 4;
    s.CopyrightTransparent = false;
    ApplySettingsToWindow(s, window);
    EXPECT_EQ(Read(), s);
    EXPECT_TRUE(window.FrameCopyright->isVisibleTo(&window));
    // A custom size equal to a preset comes back as the preset.
    window.OptionImageSize[0]->setChecked(true);
    window.ImageCustomWidth->setText(" 640 ");
    window.ImageCustomHeight->setText("480");
    window.TextCopyright->setText("  © Anne  ");
    window.txtSearchSpec->setText("*.png");  // the filter box is not a setting
    s = Read();
    EXPECT_EQ(s.ImageWidth + " " + s.CustomWidth + " " + s.CopyrightText + " " + s.ImageFilters,
              "640 640 © Anne *.jpg;*.jpeg");
    ApplySettingsToWindow(s, window);
    EXPECT_TRUE(window.OptionImageSize[5]->isChecked());
}

// A stored value without a button selects the group's default, and a group without a
// checked button reads as its default; a stored width with a blank is a custom size.
TEST_F(WindowTest, ValuesWithoutAButtonAreTheGroupsDefault) {
    fIHM& window = Start();
    Settings s;
    s.ImageFolder = photos.String();
    s.CopyrightPlace = 7, s.CopyrightSize = 9, s.CopyrightColor = 3;
    s.ImageWidth = " 800", s.CustomWidth = "321";
    ApplySettingsToWindow(s, window);
    EXPECT_TRUE(window.CopyrightPosition[0]->isChecked());
    EXPECT_TRUE(window.OptionCopyrightSize[1]->isChecked());
    EXPECT_TRUE(window.OptionCopyrightColor[1]->isChecked());
    EXPECT_TRUE(window.OptionImageSize[0]->isChecked());
    EXPECT_EQ(window.ImageCustomWidth->text(), "321");
    fIHM::ClearOptionGroup(window.CopyrightPosition.data(), 4);
    fIHM::ClearOptionGroup(window.OptionCopyrightSize.data(), 3);
    fIHM::ClearOptionGroup(window.OptionCopyrightColor.data(), 5);
    s = Read();
    EXPECT_EQ(std::vector<int>({s.CopyrightPlace, s.CopyrightSize, s.CopyrightColor}),
              std::vector<int>({0, 1, 1}));
}

// Exit stores and ends; the close box ends without storing.
TEST_F(WindowTest, ExitAndTheCloseBox) {
    fIHM& window = Start();
    window.OptionExif->setChecked(false);
    window.close();
    EXPECT_EQ(Stored("IHM", "EXIF"), "");
    window.TextCopyright->setText("© Exit");
    QTest::mouseClick(window.cmdExit, Qt::LeftButton);
    EXPECT_EQ(endStatus, (std::vector<int>{0, 0}));
    EXPECT_EQ(Stored("IHM", "EXIF"), "0");
    EXPECT_EQ(Stored("IHM", "TEXT COPYRIGHT"), "© Exit");
    // A store that cannot be written says so, and the program still ends.
    fs::remove(store.IniPath());
    fs::create_directories(store.IniPath());
    QTest::mouseClick(window.cmdExit, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, Q("Impossible d'enregistrer les paramètres dans " + store.IniPath()));
    EXPECT_EQ(shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(endStatus, (std::vector<int>{0, 0, 0}));
}

TEST_F(WindowTest, GenerateRunsTheBatchThroughTheWindow) {
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
    cDIBSection copy;
    ASSERT_TRUE(LoadJPG(copy, photos / "Resized/a.jpg"));
    EXPECT_EQ(copy.Width(), 320);
    EXPECT_EQ(window.ImageVisuSize->text(), "450 x 600");  // the preview followed the run
    EXPECT_EQ(Stored("IHM", "IMAGE WIDTH"), "320");
    EXPECT_TRUE(endStatus.empty());
}

// The fatal message comes over the window (its parent), then the settings are stored and
// the program ends.
// The run's preview is the photo, as a click shows it: the same size, nearly the same
// pixels (other code scales them), without the copyright, also when the copy is smaller
// than the preview.
TEST_F(WindowTest, TheRunsPreviewIsTheClicksPreview) {
    AddPhoto("Landscape_5.jpg", "b.jpg");
    fIHM& window = Start();
    window.OptionImageSize[6]->setChecked(true);
    window.ImageCustomWidth->setText("40");
    window.ImageCustomHeight->setText("30");
    window.OptionCopyright->setChecked(true);
    window.TextCopyright->setText("© 2026 Zoë");
    window.OptionCopyrightTransparent->setChecked(false);
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    ASSERT_TRUE(shown.empty());
    const QImage run = window.ImageVisu->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
    Click(window.filList, "b.jpg");
    const QImage click =
        window.ImageVisu->pixmap().toImage().convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(run.size(), click.size());
    EXPECT_GT(run.width(), 40);
    double difference = 0;
    for (int y = 0; y < run.height(); ++y)
        for (int x = 0; x < run.width() * 3; ++x)
            difference += std::abs(run.constScanLine(y)[x] - click.constScanLine(y)[x]);
    EXPECT_LT(difference / (run.width() * run.height() * 3), 6.0);  // of 255, on average
}

TEST_F(WindowTest, AFatalErrorShowsTheCriticalBoxThenStoresAndEnds) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("hopper_png_renamed.jpg", "b.jpg");
    fIHM& window = Start();
    window.TextCopyright->setText("kept");
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, Q("Erreur à l'ouverture de " + (photos / "b.jpg") +
                               "\rL'application va maintenant se terminer"));
    EXPECT_EQ(shown[0].icon, MessageIcon::Critical);
    EXPECT_EQ(endStatus, std::vector<int>{0});
    EXPECT_EQ(Stored("IHM", "TEXT COPYRIGHT"), "kept");
    // The real message box's parent is the window.
    Application plain;
    plain.Main(photos.String());
    QWidget* parent = nullptr;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        parent = box ? box->parentWidget() : nullptr;
        if (box) box->close();
    });
    plain.ShowMessage("x", MessageIcon::Information, {});
    EXPECT_EQ(parent, &plain.Window());
}

// The window shows, the run processes and the store keeps a folder whose name is not
// UTF-8 and ends in a blank, byte for byte.
TEST_F(WindowTest, AFolderNameOfAnyBytesIsListedRunAndStoredExactly) {
    const std::string odd = photos.MakeFolder("caf\xE9 ");
    fs::copy_file(test::DataFile("Landscape_1.jpg"), odd + "/\xFF.jpg");
    fIHM& window = Start();
    Settings s = app.CurrentSettings();
    s.ImageFolder = odd;
    ApplySettingsToWindow(s, window);
    EXPECT_EQ(window.dirList->Path(), odd);
    EXPECT_EQ(Entries(window.filList), QStringList{QString(QChar::ReplacementCharacter) + ".jpg"});
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(fs::exists(odd + "/Resized/\xFF.jpg"));
    EXPECT_EQ(Stored("CONFIGURATION", "DESTINATION PATH"), odd);
}

TEST_F(WindowTest, KeysAltRRunsAltXLeavesArrowsMoveThePreview) {
    AddPhoto("Landscape_1.jpg", "a.jpg");  // 600 x 450
    AddPhoto("Landscape_5.jpg", "b.jpg");  // 450 x 600
    fIHM& window = Start();
    window.filList->setFocus(Qt::TabFocusReason);
    window.filList->setCurrentRow(0);
    QTest::keyClick(window.filList, Qt::Key_Down);
    EXPECT_EQ(window.ImageVisuSize->text(), "450 x 600");
    // A mnemonic animates the button: the click comes when it is released.
    QTest::keyClick(window.windowHandle(), Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(photos / "Resized/b.jpg"); }));
    QTest::keyClick(window.windowHandle(), Qt::Key_X, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !endStatus.empty(); }));
}

// Tab enters an option group at its checked button, so that Space cannot change the choice.
TEST_F(WindowTest, TabIntoAGroupLandsOnItsCheckedButton) {
    fIHM& window = Start();
    window.OptionCopyright->setChecked(true);
    const std::pair<QWidget*, QRadioButton*> groups[] = {
        {window.drvList, window.OptionImageSize[2]},
        {window.OptionCopyrightSize[0], window.OptionCopyrightColor[2]}};
    for (const auto& [before, checked] : groups) {
        checked->setChecked(true);
        before->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), checked) << checked->objectName().toStdString();
    }
    QTest::keyClick(window.OptionCopyrightColor[2], Qt::Key_Down);  // arrows move within
    EXPECT_TRUE(window.OptionCopyrightColor[4]->isChecked());
}

TEST_F(WindowTest, FolderListShowsAncestorsThenSubFoldersByName) {
    for (const char* name : {"beta", "Alpha", ".hidden"}) photos.MakeFolder(name);
    fIHM& window = Start();
    const QStringList parts = Q(photos.String()).split('/', Qt::SkipEmptyParts);
    EXPECT_EQ(Entries(window.dirList), QStringList({"/"}) + parts + QStringList({"Alpha", "beta"}));
    EXPECT_EQ(window.dirList->currentItem()->text(), parts.last());
    // The indent is drawn, not typed: a name's first letters find it.
    window.dirList->setFocus();
    QTest::keyClicks(window.dirList, "be");
    EXPECT_EQ(window.dirList->currentItem()->text(), "beta");
}

// A click highlights; leaving the list, a double click or Return opens.
TEST_F(WindowTest, FoldersOpenOnLeavingTheListDoubleClickOrReturn) {
    photos.WriteFile("Album/Two/inside.jpg");
    AddPhoto("testorig.jpg", "outside.jpg");
    fIHM& window = Start();
    Click(window.dirList, "Album");
    EXPECT_EQ(Entries(window.filList), QStringList{"outside.jpg"});
    window.txtSearchSpec->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(window.filList->Path(), photos / "Album");
    Click(window.dirList, Q(photos.Path().filename()), true);
    EXPECT_EQ(window.dirList->Path(), photos.String());
    window.dirList->setFocus();
    window.dirList->setCurrentItem(window.dirList->findItems("Album", Qt::MatchEndsWith)[0]);
    QTest::keyClick(window.dirList, Qt::Key_Return);
    EXPECT_EQ(window.dirList->Path(), photos / "Album");
    EXPECT_EQ(window.filList->Path(), photos / "Album");
}

TEST_F(WindowTest, EveryKeystrokeRefiltersAndEnteringTheBoxSelectsItAll) {
    for (const char* name : {"a.jpg", "b.JPEG", "c.png", "d.txt"}) photos.WriteFile(name);
    fIHM& window = Start();
    window.filList->setFocus(Qt::TabFocusReason);
    QTest::mouseClick(window.txtSearchSpec, Qt::LeftButton, {}, QPoint(5, 5));  // not only Tab
    QTest::qWait(10);
    EXPECT_EQ(window.txtSearchSpec->selectedText(), "*.jpg;*.jpeg");
    window.txtSearchSpec->clear();
    for (const auto& [key, count] :
         std::vector<std::pair<char, int>>{{'*', 4}, {'.', 0}, {'p', 0}, {'g', 0}}) {
        QTest::keyClicks(window.txtSearchSpec, QString(key));
        EXPECT_EQ(window.filList->ListCount(), count) << key;
    }
    window.txtSearchSpec->setText("*.TXT;*.jpg");
    EXPECT_EQ(Entries(window.filList), (QStringList{"a.jpg", "d.txt"}));
}

// The preview fits and centres the picture in its box, gives the stored size, empties
// for what cannot be read and when the file list is left.
TEST_F(WindowTest, ThePreviewFitsCentresAndEmpties) {
    const struct {
        int32_t width, height;
        QRect box;
    } shapes[] = {{600, 450, {16, 30, 113, 85}},
                  {450, 600, {30, 16, 85, 113}},
                  {100, 100, {16, 16, 113, 113}},
                  {227, 149, {16, 35, 113, 74}}};
    AddPhoto("testorig.jpg", "t.jpg");  // 227 x 149
    fIHM& window = Start();
    for (const auto& c : shapes) {
        ASSERT_TRUE(SaveJPG(
            test::MakePicture(c.width, c.height, [](int32_t, int32_t) { return test::Grey(90); }),
            photos / "p.jpg", 90));
        window.VisualizeImage(photos / "p.jpg");
        EXPECT_EQ(window.ImageVisu->geometry(), c.box) << c.width;
        EXPECT_EQ(window.ImageVisuSize->text(), QString("%1 x %2").arg(c.width).arg(c.height));
    }
    AddPhoto("Landscape_6.jpg", "rotated.jpg");  // stored 450 x 600, turned by viewers
    window.VisualizeImage(photos / "rotated.jpg");
    EXPECT_EQ(window.ImageVisuSize->text(), "450 x 600");
    photos.WriteFile("bad.jpg", "not a picture");
    window.VisualizeImage(photos / "bad.jpg");
    EXPECT_TRUE(window.ImageVisu->pixmap().isNull());
    EXPECT_EQ(window.ImageVisuSize->text(), "");
    for (QWidget* next :
         {static_cast<QWidget*>(window.txtSearchSpec), static_cast<QWidget*>(window.cmdGenerate)}) {
        window.filList->setFocus(Qt::TabFocusReason);
        Click(window.filList, "t.jpg");
        ASSERT_EQ(window.ImageVisuSize->text(), "227 x 149");
        next->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(window.ImageVisu->pixmap().isNull());
    }
}

class CustomBoxTest : public WindowTest, public testing::WithParamInterface<bool> {};

// Typing keeps a small number; leaving an empty or zero box gives 1.
TEST_P(CustomBoxTest, TypingKeepsASmallNumber) {
    fIHM& window = Start();
    QTest::mouseClick(window.OptionImageSize[0], Qt::LeftButton, {}, QPoint(5, 5));
    QLineEdit* box = GetParam() ? window.ImageCustomWidth : window.ImageCustomHeight;
    EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(window.LabelxImage->isEnabled());
    EXPECT_EQ(box->palette().color(QPalette::Base), kWhite);
    const std::pair<const char*, const char*> typed[] = {
        {"12345", "1234"}, {"a", ""},        {"0000", "0000"}, {"00001", "0000"},
        {"00000", ""},     {"12ab", "12ab"}, {"-5", "5"}};
    for (const auto& [keys, text] : typed) {
        box->clear();
        box->setFocus();
        QTest::keyClicks(box, keys);
        EXPECT_EQ(box->text(), text) << keys;
    }
    for (const auto& [left, text] : {std::pair{"", "1"}, {"000", "1"}, {"0.5", "0.5"}}) {
        box->setFocus();
        box->setText(left);
        window.TextCopyright->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(box->text(), text);
    }
    QTest::mouseClick(window.OptionImageSize[5], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(window.LabelxImage->isEnabled());
    EXPECT_EQ(box->palette().color(QPalette::Base), kWindowColor);
}

INSTANTIATE_TEST_SUITE_P(WidthAndHeight, CustomBoxTest, testing::Bool());

}  // namespace
}  // namespace pixtrim
