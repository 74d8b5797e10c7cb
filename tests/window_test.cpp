// The whole application on a temporary photo folder and a temporary settings store, with
// message boxes recorded and the end of the process watched instead of happening.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTimer>

#include "app/Application.h"
#include "app/WindowSettings.h"
#include "settings/ConfigurationFile.h"
#include "support/TempFolder.h"
#include "support/WindowState.h"
#include "tools/Language.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

namespace fs = std::filesystem;

struct Shown {
    QString text;
    MessageIcon icon;
    bool overTheBar;  // shown while the progress bar was
};

class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        app.SetMessageShower([this](const QString& text, MessageIcon icon) {
            shown.push_back({text, icon, app.Window().ProgressBar->isVisible()});
        });
        app.SetProcessEnder([this](int status) { endStatus.push_back(status); });
    }

    void AddPhoto(const std::string& data, const std::string& name) { photos.AddPhoto(data, name); }
    // Starts the program as if launched from the photo folder (with "pixtrim FOLDER").
    fIHM& Start(const std::string& folder = "") {
        app.Main(photos.String(), folder);
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
    void Click(QListWidget* list, const QString& name, bool twice = false) {
        const auto found = list->findItems(name, Qt::MatchEndsWith);
        ASSERT_FALSE(found.isEmpty()) << name.toStdString();
        list->setCurrentItem(found[0]);
        const QPoint at = list->visualItemRect(found[0]).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    // The stored window states show the folder's path: theirs is named after the test.
    static test::TempFolder PhotoFolder() {
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        if (!name.ends_with("AsStored")) return test::TempFolder();
        return test::TempFolder("pixtrim-" + name.substr(0, name.size() - 8));
    }

    test::StoreFolder store;
    test::TempFolder photos = PhotoFolder();
    Application app;
    std::vector<Shown> shown;
    std::vector<int> endStatus;
    test::CurrentFolderGuard currentFolder;
};

// The window in the states a user meets first, each as stored (tests/data/window): its
// controls in Tab's order with their captions, tips and choices, and its picture.
TEST_F(WindowTest, FirstStartAndARunAsStored) {
    AddPhoto("testorig.jpg", "a.jpg");
    photos.WriteFile("b.png");
    fIHM& window = Start();
    test::ExpectWindowAsStored(window, "first-start");
    EXPECT_EQ(window.drvList->CurrentRoot(), window.drvList->VolumeOf(photos.String()));
    QTest::mouseClick(window.OptionImageSize[0], Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(window.OptionCopyright, Qt::LeftButton, {}, QPoint(5, 5));
    test::ExpectWindowAsStored(window, "custom-size-and-copyright");
    window.SetProgressBar(100);
    window.ShowProgressBar();  // a second run's bar starts at 0
    EXPECT_EQ(window.ProgressBar->value(), 0);
    Click(window.filList, "a.jpg");
    window.SetProgressBar(50);
    window.DrawRunFrame();  // as the frame's end does
    test::ExpectWindowAsStored(window, "mid-run");
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
    EXPECT_EQ(SettingsText(Read()), SettingsText(s));
    EXPECT_TRUE(window.FrameCopyright->isVisibleTo(&window));
    // A custom size equal to a preset comes back as the preset.
    window.OptionImageSize[0]->setChecked(true);
    window.ImageCustomWidth->setText(" 640 ");
    window.ImageCustomHeight->setText("480");
    window.TextCopyright->setText("  © Anne  ");
    window.txtSearchSpec->setText("*.png");  // the filter box is not a setting
    s.ImageWidth = s.CustomWidth = "640";
    s.ImageHeight = s.CustomHeight = "480";
    s.CopyrightText = "© Anne";
    EXPECT_EQ(SettingsText(Read()), SettingsText(s));
    ApplySettingsToWindow(s, window);
    EXPECT_TRUE(window.OptionImageSize[5]->isChecked());
}

// A stored value without a button selects the group's default, and a group without a
// checked button reads as its default; a stored width with a blank is a custom size.
TEST_F(WindowTest, ValuesWithoutAButtonAreTheGroupsDefaultAsStored) {
    fIHM& window = Start();
    Settings s;
    s.ImageFolder = photos.String();
    s.CopyrightPlace = 7, s.CopyrightSize = 9, s.CopyrightColor = 3;
    s.ImageWidth = " 800", s.CustomWidth = "321";
    ApplySettingsToWindow(s, window);
    test::ExpectWindowAsStored(window, "stored-values-without-buttons");
    fIHM::ClearOptionGroup(window.CopyrightPosition.data(), 4);
    fIHM::ClearOptionGroup(window.OptionCopyrightSize.data(), 3);
    fIHM::ClearOptionGroup(window.OptionCopyrightColor.data(), 5);
    s.CopyrightPlace = 0, s.CopyrightSize = 1, s.CopyrightColor = 1;
    s.ImageWidth = "321", s.ImageHeight = "120";  // the custom size: its button is checked
    EXPECT_EQ(SettingsText(Read()), SettingsText(s));
}

// The same states in English (PIXTRIM_LANG=en): every caption and tip in its place, in the
// form's fixed sizes; a run's messages in English too.
TEST_F(WindowTest, TheEnglishWindowAsStored) {
    const struct French {
        ~French() { SetLanguage(Language::French); }
    } french;
    SetLanguage(Language::English);
    AddPhoto("testorig.jpg", "a.jpg");
    AddPhoto("00-empty-file.jpg", "b.jpg");
    fIHM& window = Start();
    test::ExpectWindowAsStored(window, "first-start.en");
    QTest::mouseClick(window.OptionImageSize[0], Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(window.OptionCopyright, Qt::LeftButton, {}, QPoint(5, 5));
    test::ExpectWindowAsStored(window, "custom-size-and-copyright.en");
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Error opening " + Q(photos / "b.jpg") +
                                 "\rThe application will now end\rEmpty input file");
}

// Exit stores and ends; the close box ends without storing. The choices the window has no
// control for are stored as they were.
TEST_F(WindowTest, ExitAndTheCloseBox) {
    ASSERT_TRUE(WriteConfigurationValue(photos / "Pixtrim.cfg", "IHM", "GPS", "0"));
    ASSERT_TRUE(WriteConfigurationValue(photos / "Pixtrim.cfg", "IHM", "KEEP DATES", "1"));
    fIHM& window = Start();
    window.OptionExif->setChecked(false);
    window.close();
    EXPECT_EQ(Stored("IHM", "EXIF"), "");
    window.TextCopyright->setText("© Exit");
    QTest::mouseClick(window.cmdExit, Qt::LeftButton);
    EXPECT_EQ(endStatus, (std::vector<int>{0, 0}));
    EXPECT_EQ(Stored("IHM", "EXIF"), "0");
    EXPECT_EQ(Stored("IHM", "TEXT COPYRIGHT"), "© Exit");
    EXPECT_EQ(Stored("IHM", "GPS"), "0");
    EXPECT_EQ(Stored("IHM", "KEEP DATES"), "1");
    // A store that cannot be written says so, and the program still ends.
    fs::remove(store.IniPath());
    fs::create_directories(store.IniPath());
    QTest::mouseClick(window.cmdExit, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, Q("Impossible d'enregistrer les paramètres dans " + store.IniPath() +
                               "\rIs a directory"));
    EXPECT_EQ(shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(endStatus, (std::vector<int>{0, 0, 0}));
}

TEST_F(WindowTest, GenerateRunsTheBatchThroughTheWindowAsStored) {
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
    test::ExpectWindowAsStored(window, "after-run");  // the bar gone, the last photo shown
    EXPECT_EQ(Stored("IHM", "IMAGE WIDTH"), "320");
    EXPECT_TRUE(endStatus.empty());
}

// A run draws its preview and bar at most once a frame: the first copy at the next turn of
// the event loop, what comes within a frame when the frame ends, the last state before the bar
// goes; a preview cleared for a failed file is not drawn over by one still waiting.
TEST_F(WindowTest, ARunDrawsOneFrameAtATime) {
    fIHM& window = Start();
    window.RunFrameMs = 60'000;  // a frame of a minute: no step meets its end by chance
    const auto Picture = [](Qt::GlobalColor colour) {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(colour);
        return picture;
    };
    const auto Show = [&](Qt::GlobalColor colour, int percent) {
        window.ShowRunPreview(Picture(colour), QSize(400, 300));
        window.SetProgressBar(uint8_t(percent));
        QCoreApplication::processEvents();
    };
    const auto Drawn = [&] {
        const QImage shown = window.ImageVisu->pixmap().toImage();
        const QString colour = shown.isNull() ? "none" : QColor(shown.pixel(0, 0)).name();
        return colour + " " + QString::number(window.ProgressBar->value());
    };
    const struct {
        const char* step;
        std::function<void()> act;
        const char* drawn;
    } kSteps[] = {
        {"the first copy", [&] { window.ShowProgressBar(), Show(Qt::red, 10); }, "#ff0000 10"},
        {"within the frame", [&] { Show(Qt::blue, 20); }, "#ff0000 10"},
        {"a message box", [&] { window.DrawRunFrame(); }, "#0000ff 20"},
        {"a frame's end", [&] { window.RunFrameMs = 1, Show(Qt::green, 30), QTest::qWait(50); },
         "#00ff00 30"},
        {"a long frame", [&] { window.RunFrameMs = 60'000, Show(Qt::blue, 35); }, "#00ff00 30"},
        {"a failed file", [&] { window.ClearPreview(), window.SetProgressBar(40); }, "none 30"},
        {"the run's end", [&] { window.HideProgressBar(); }, "none 40"},
    };
    for (const auto& step : kSteps) {
        step.act();
        EXPECT_EQ(Drawn().toStdString(), step.drawn) << step.step;
    }
}

// The run's preview is the photo, as a click shows it: the same size, nearly the same
// pixels (other code scales them), without the copyright, also when the copy is smaller
// than the preview.
TEST_F(WindowTest, TheRunsPreviewIsTheClicksPreview) {
    AddPhoto("Landscape_5.jpg", "b.jpg");
    fIHM& window = Start();
    window.OptionImageSize[0]->setChecked(true);  // the custom size
    window.ImageCustomWidth->setText("40");
    window.ImageCustomHeight->setText("30");
    window.OptionCopyright->setChecked(true);
    window.TextCopyright->setText("© 2026 Zoë");
    window.OptionCopyrightTransparent->setChecked(false);
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    ASSERT_TRUE(shown.empty());
    const QImage run = window.ImageVisu->pixmap().toImage();
    Click(window.filList, "b.jpg");
    const QImage click = window.ImageVisu->pixmap().toImage();
    ASSERT_EQ(run.size(), click.size());
    EXPECT_GT(run.width(), 40);
    EXPECT_LT(test::MeanDifference(run, click), 6.0);  // of 255, on average
}

// Every orientation previews upright, as viewers show the copy, on a click and in a run: the
// eight photos of one scene, stored turned and mirrored the eight ways, all look alike (each
// differs from the first by its numeral, about 15 of 255 on average; mirrored, by 43).
TEST_F(WindowTest, EveryOrientationPreviewsUpright) {
    for (int n = 1; n <= 8; ++n)
        AddPhoto("Landscape_" + std::to_string(n) + ".jpg", std::to_string(n) + ".jpg");
    fIHM& window = Start();
    Click(window.filList, "1.jpg");
    const QImage upright = window.ImageVisu->pixmap().toImage();
    for (int n = 2; n <= 8; ++n) {
        Click(window.filList, Q(std::to_string(n) + ".jpg"));
        const QImage preview = window.ImageVisu->pixmap().toImage();
        ASSERT_EQ(preview.size(), upright.size()) << n;
        EXPECT_LT(test::MeanDifference(preview, upright), 25.0) << n;
    }
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    EXPECT_LT(test::MeanDifference(window.ImageVisu->pixmap().toImage(), upright), 25.0);
}

// The fatal message comes over the window (its parent), with its reason on a third line and
// nothing in the preview to contradict it; then the settings are stored and the program
// ends.
TEST_F(WindowTest, AFatalErrorShowsTheCriticalBoxThenStoresAndEnds) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("00-empty-file.jpg", "b.jpg");
    fIHM& window = Start();
    window.TextCopyright->setText("kept");
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, Q("Erreur à l'ouverture de " + (photos / "b.jpg") +
                               "\rL'application va maintenant se terminer\rEmpty input file"));
    EXPECT_EQ(shown[0].icon, MessageIcon::Critical);
    EXPECT_TRUE(window.ImageVisu->pixmap().isNull());
    EXPECT_EQ(window.ImageVisuSize->text(), "");
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
    plain.ShowMessage({MessageIcon::Information, "x"});
    EXPECT_EQ(parent, &plain.Window());
}

// Damaged sources copied anyway are said in one box once the run is over (the batch tests
// hold its words).
TEST_F(WindowTest, DamagedCopiesAreSaidAfterTheRun) {
    AddPhoto("truncated.jpg", "a.jpg");
    AddPhoto("Landscape_1.jpg", "b.jpg");
    QTest::mouseClick(Start().cmdGenerate, Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, MessageIcon::Information);
    EXPECT_FALSE(shown[0].overTheBar);
}

// The window shows, the run processes and the store keeps a folder whose name is not
// UTF-8 and ends in a blank, byte for byte.
TEST_F(WindowTest, AFolderNameOfAnyBytesIsListedRunAndStoredExactly) {
    const std::string odd = photos.MakeFolder("caf\xE9 ");
    AddPhoto("Landscape_1.jpg", "caf\xE9 /\xFF.jpg");
    fIHM& window = Start(odd);
    EXPECT_EQ(window.dirList->Path(), odd);
    EXPECT_EQ(test::ListEntries(*window.filList),
              QStringList{QString(QChar::ReplacementCharacter) + ".jpg"});
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(fs::exists(odd + "/Resized/\xFF.jpg"));
    EXPECT_EQ(Stored("CONFIGURATION", "DESTINATION PATH"), odd);
}

// The file list is the folder's as it is now: a photo copied into an empty folder shown is
// listed once the filter box is edited, is copied by a run started at once, and a photo
// that arrives later is listed on its own; when the folder goes, the one above it opens.
TEST_F(WindowTest, TheFileListFollowsTheFolder) {
    photos.MakeFolder("empty");
    fIHM& window = Start(photos / "empty");
    AddPhoto("Landscape_1.jpg", "empty/a.jpg");
    window.txtSearchSpec->setText("*.jpg");
    EXPECT_EQ(test::ListEntries(*window.filList), QStringList{"a.jpg"});
    AddPhoto("Landscape_2.jpg", "empty/b.jpg");
    QTest::mouseClick(window.cmdGenerate, Qt::LeftButton);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(fs::exists(photos / "empty/Resized/b.jpg"));
    AddPhoto("Landscape_3.jpg", "empty/c.jpg");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.filList->count() == 3; }));
    fs::remove_all(photos / "empty");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.dirList->Path() == photos.String(); }));
}

// A folder dropped on the window opens as the lists would open it, a dropped file opens its
// folder highlighted and previewed; a name of any bytes comes as it is; what is not a
// local file is refused.
TEST_F(WindowTest, ADroppedFolderOrFileOpens) {
    for (const char* folder : {"Album", "caf\xE9"}) photos.MakeFolder(folder);
    AddPhoto("Landscape_1.jpg", "Album/a.jpg");
    AddPhoto("Landscape_6.jpg", "caf\xE9/r.png");
    fIHM& window = Start();
    const QString root = "file://" + Q(photos.String());
    const struct {
        QString url;
        bool accepted;
        std::string folder;  // then shown, under the photo folder
        QString file, size;  // then highlighted, and the preview's label
    } rows[] = {
        {root + "/Album", true, "/Album", "", ""},
        {root + "/Album/a.jpg", true, "/Album", "[a.jpg]", "600 x 450"},
        {root + "/caf%E9/r.png", true, "/caf\xE9", "[r.png]", "600 x 450"},
        {root + "/missing", false, "/caf\xE9", "[r.png]", "600 x 450"},
        {"https://example.org/a.jpg", false, "/caf\xE9", "[r.png]", "600 x 450"},
    };
    for (const auto& row : rows) {
        QMimeData data;
        data.setUrls({QUrl::fromEncoded(row.url.toLatin1())});
        // The toolkit gives a drop to the control that accepted the drag's entry.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&window, &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        drop.setAccepted(false);
        QCoreApplication::sendEvent(&window, &drop);
        EXPECT_EQ(drop.isAccepted(), row.accepted) << row.url.toStdString();
        EXPECT_EQ(window.dirList->Path(), photos.String() + row.folder) << row.url.toStdString();
        EXPECT_EQ(test::ListEntries(*window.filList).filter("[").join(""), row.file);
        EXPECT_EQ(window.ImageVisuSize->text(), row.size) << row.url.toStdString();
    }
}

// The drive list is the system's volumes as they are now: read again when it opens and
// when a volume is mounted; a selected volume that goes gives way to the one that holds
// the nearest folder left.
TEST_F(WindowTest, TheDriveListFollowsTheVolumes) {
    const auto systems = DriveList::Volumes;
    std::vector<std::string> volumes;
    DriveList::Volumes = [&] { return volumes; };
    const std::string card = photos.MakeFolder("card");
    photos.MakeFolder("card/DCIM");
    fIHM& window = Start(card + "/DCIM");
    EXPECT_EQ(window.drvList->CurrentRoot(), "/");
    volumes = {card};
    window.drvList->showPopup();
    window.drvList->hidePopup();
    EXPECT_EQ(window.drvList->CurrentRoot(), card);
    volumes = {};
    fs::remove(photos / "card/DCIM");
    window.drvList->showPopup();
    window.drvList->hidePopup();
    EXPECT_EQ(window.drvList->CurrentRoot(), "/");
    EXPECT_EQ(window.dirList->Path(), card);
    DriveList::Volumes = systems;
    const std::string under = photos.MakeFolder("under");
    test::FuseView mounted(under, photos.MakeFolder("mounted"));
    if (!mounted) GTEST_SKIP() << "no FUSE mount here";
    const QByteArray root = QByteArray::fromStdString(photos / "mounted");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.drvList->findData(root) >= 0; }));
}

// The mnemonics click at once, without the toolkit's 100 ms of a button held down.
TEST_F(WindowTest, KeysAltRRunsAltXLeaves) {
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Landscape_5.jpg", "b.jpg");
    fIHM& window = Start();
    QTest::keyClick(window.windowHandle(), Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(fs::exists(photos / "Resized/b.jpg"));
    QTest::keyClick(window.windowHandle(), Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(endStatus, std::vector<int>{0});
}

// The keyboard's paths (tests/data/window/keys.tsv says how to read a row).
struct KeyRow {
    std::string name, click, focus, keys, focused, control, shows;
};

void PrintTo(const KeyRow& row, std::ostream* out) { *out << row.name; }

std::vector<KeyRow> ReadKeyRows() {
    std::vector<KeyRow> rows;
    for (const auto& c : test::ReadTable("window/keys.tsv"))
        rows.push_back({c.at(0), c.at(1), c.at(2), c.at(3), c.at(4), c.at(5), c.at(6)});
    return rows;
}

// What a control shows: a button whether it is checked, a box or label its text (the
// preview its picture's place), a list its entries with the current one in brackets and
// the photo folder's name as p.
QString Shows(QWidget* control, const QString& photoFolder) {
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->isChecked() ? "checked" : "unchecked";
    if (auto* box = qobject_cast<QLineEdit*>(control)) return box->text();
    if (auto* label = qobject_cast<QLabel*>(control)) {
        const QRect g = label->geometry();
        if (label->pixmap().isNull()) return label->text();
        return QString("picture @%1,%2 %3x%4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
    }
    QStringList entries;
    if (const auto* list = qobject_cast<QListWidget*>(control)) entries = test::ListEntries(*list);
    for (QString& entry : entries) {
        if (entry == photoFolder) entry = "p";
        if (entry == "[" + photoFolder + "]") entry = "[p]";
    }
    return entries.join(' ');
}

class KeyTest : public WindowTest, public testing::WithParamInterface<KeyRow> {};

TEST_P(KeyTest, TheKeysReachTheRowsState) {
    for (const char* name : {"beta", "Alpha", ".hidden", "Album/Two"}) photos.MakeFolder(name);
    AddPhoto("Landscape_1.jpg", "a.jpg");
    AddPhoto("Issue 242.jpg", "b.jpg");
    AddPhoto("testorig.jpg", "t.jpg");
    AddPhoto("Landscape_6.jpg", "r.jpg");
    AddPhoto("testorig.jpg", "Album/f.jpg");
    AddPhoto("arrow.heic", "h.heic");
    AddPhoto("png-palette.png", "g.jpg");
    for (const char* name : {"c.bmp", "d.txt", "e.jpg"}) photos.WriteFile(name);
    fIHM& window = Start();
    const auto control = [&](const std::string& name) {
        QWidget* found = window.findChild<QWidget*>(Q(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    };
    // A control's name clicks it; LIST>NAME clicks an entry, LIST>>NAME double-clicks it.
    for (const QString& name : Q(GetParam().click).split(' ', Qt::SkipEmptyParts)) {
        const QStringList parts = name.split('>');
        if (parts.size() == 1)
            QTest::mouseClick(control(name.toStdString()), Qt::LeftButton, {}, QPoint(5, 5));
        else
            Click(qobject_cast<QListWidget*>(control(parts[0].toStdString())), parts.last(),
                  parts.size() == 3);
    }
    control(GetParam().focus)->setFocus(Qt::MouseFocusReason);
    QTest::qWait(1);
    for (const QString& key : Q(GetParam().keys).split(' ', Qt::SkipEmptyParts)) {
        if (key.size() == 1 || key.startsWith('\'')) {
            QTest::keyClicks(QApplication::focusWidget(), key.size() == 1 ? key : key.mid(1));
        } else {
            const QKeyCombination combination = QKeySequence::fromString(key)[0];
            QTest::keyClick(QApplication::focusWidget(), combination.key(),
                            combination.keyboardModifiers());
        }
        QTest::qWait(1);  // what the window does next, as between two real key strokes
    }
    EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), GetParam().focused);
    EXPECT_EQ(Shows(control(GetParam().control), Q(photos.Path().filename())).toStdString(),
              GetParam().shows);
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyTest, testing::ValuesIn(ReadKeyRows()),
                         [](const auto& row) { return row.param.name; });

}  // namespace
}  // namespace pixtrim
