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

struct ControlCase {
    const char* name;
    const char* container;
    int left, top, width, height;  // twips
    const char* caption;
    const char* tip;
};

void PrintTo(const ControlCase& c, std::ostream* os) { *os << c.name; }

const char kFolderTip[] = "Choisir ici le répertoire où se trouvent les images";
const char kSizeTip[] = "Taille maximale souhaitée pour les images";
const char kPositionTip[] = "Position du texte de Copyright dans l'image";

QString CaptionOf(QWidget* widget) {
    if (auto* b = qobject_cast<QAbstractButton*>(widget)) return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(widget)) return g->title();
    if (auto* l = qobject_cast<QLabel*>(widget)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(widget)) return e->text();
    return {};
}

class ControlTableTest : public AppFixture, public testing::WithParamInterface<ControlCase> {};

TEST_P(ControlTableTest, StandsWhereTheLayoutSays) {
    const ControlCase& c = GetParam();
    fIHM window;
    auto* widget = window.findChild<QWidget*>(c.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget()->objectName(), c.container);
    EXPECT_EQ(widget->geometry(), QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15));
    EXPECT_EQ(CaptionOf(widget), QString::fromUtf8(c.caption));
    EXPECT_EQ(widget->toolTip(), QString::fromUtf8(c.tip));
}

INSTANTIATE_TEST_SUITE_P(
    Layout, ControlTableTest,
    testing::Values(
        ControlCase{"PictureFileSystem", "fIHM", 120, 0, 5895, 4575, "", ""},
        ControlCase{"drvList", "PictureFileSystem", 360, 480, 2535, 285, "", kFolderTip},
        ControlCase{"dirList", "PictureFileSystem", 360, 840, 2535, 3405, "", kFolderTip},
        ControlCase{"txtSearchSpec", "PictureFileSystem", 3000, 480, 2655, 285, "*.*",
                    "Filtre(s) des fichiers"},
        ControlCase{"filList", "PictureFileSystem", 3000, 840, 2655, 3555, "",
                    "Contenu filtré du répertoire sélectionné"},
        ControlCase{"FrameFileSystem", "PictureFileSystem", 120, 120, 5775, 4455,
                    "Emplacement des images", ""},
        ControlCase{"PictureButtons", "fIHM", 120, 4560, 6015, 1335, "", ""},
        ControlCase{"FrameButtons", "PictureButtons", 120, 120, 5775, 1095, "Action", ""},
        ControlCase{"cmdGenerate", "FrameButtons", 600, 360, 1560, 495, "&Redimensionner Images",
                    "Redimensionner les images dans le répertoire sélectionné"},
        ControlCase{"cmdExit", "FrameButtons", 3600, 360, 1560, 495, "E&xit",
                    "Non, pitié ! Ne cliquez pas ici !"},
        ControlCase{"PictureOptions", "fIHM", 6000, 0, 5775, 5895, "", ""},
        ControlCase{"ImageVisu", "PictureOptions", 240, 240, 1695, 1695, "", ""},
        ControlCase{"ImageVisuSize", "PictureOptions", 240, 2040, 1695, 225, "", ""},
        ControlCase{"ProgressBar", "PictureOptions", 2040, 960, 3615, 255, "", ""},
        ControlCase{"FrameOptions", "PictureOptions", 240, 2400, 3375, 975, "Options", ""},
        ControlCase{"OptionExif", "FrameOptions", 240, 360, 3015, 195, "Conserver les données EXIF",
                    "Conserver les données EXIF des images originales"},
        ControlCase{"OptionCopyright", "FrameOptions", 240, 600, 3015, 195,
                    "Insérer un Copyright  sur les images",
                    "Insérer un texte de Copyright dans les images (pas dans les miniatures)"},
        ControlCase{"FrameImageSize", "PictureOptions", 3840, 2400, 1815, 2535, "Taille des images",
                    ""},
        ControlCase{"OptionImageSize_1", "FrameImageSize", 240, 360, 1455, 195, "2272 x 1704",
                    kSizeTip},
        ControlCase{"OptionImageSize_2", "FrameImageSize", 240, 600, 1455, 195, "1152 x 864",
                    kSizeTip},
        ControlCase{"OptionImageSize_3", "FrameImageSize", 240, 840, 1455, 195, "1024 x 768",
                    kSizeTip},
        ControlCase{"OptionImageSize_4", "FrameImageSize", 240, 1080, 1455, 195, "800 x 600",
                    kSizeTip},
        ControlCase{"OptionImageSize_5", "FrameImageSize", 240, 1320, 1455, 195, "640 x 480",
                    kSizeTip},
        ControlCase{"OptionImageSize_6", "FrameImageSize", 240, 1560, 1455, 195, "320 x 240",
                    kSizeTip},
        ControlCase{"OptionImageSize_0", "FrameImageSize", 240, 1800, 1455, 195, "Autre", kSizeTip},
        ControlCase{"ImageCustomWidth", "FrameImageSize", 240, 2040, 495, 225, "",
                    "Largeur maximale des images"},
        ControlCase{"LabelxImage", "FrameImageSize", 720, 2040, 375, 225, "x", ""},
        ControlCase{"ImageCustomHeight", "FrameImageSize", 1080, 2040, 495, 225, "",
                    "Hauteur maximale des images"},
        ControlCase{"FrameCopyright", "PictureOptions", 240, 3480, 3375, 2295, "Copyright", ""},
        ControlCase{"PictureCopyrightPosition", "FrameCopyright", 240, 360, 2895, 450, "", ""},
        ControlCase{"CopyrightPosition_2", "PictureCopyrightPosition", 120, 0, 1200, 195,
                    " Haut Gauche", kPositionTip},
        ControlCase{"CopyrightPosition_3", "PictureCopyrightPosition", 1440, 0, 1200, 195,
                    "Droite Haut", kPositionTip},
        ControlCase{"CopyrightPosition_1", "PictureCopyrightPosition", 120, 240, 1200, 195,
                    "  Bas Gauche", kPositionTip},
        ControlCase{"CopyrightPosition_0", "PictureCopyrightPosition", 1440, 240, 1200, 195,
                    "Droite Bas", kPositionTip},
        ControlCase{"LabelTextCopyright", "FrameCopyright", 240, 960, 375, 135, "Texte", ""},
        ControlCase{"TextCopyright", "FrameCopyright", 720, 960, 2415, 225, "", ""},
        ControlCase{"PictureCopyrightSize", "FrameCopyright", 240, 1320, 855, 855, "", ""},
        ControlCase{"OptionCopyrightSize_0", "PictureCopyrightSize", 0, 0, 735, 195, "Petit",
                    "Taille du texte de Copyright"},
        ControlCase{"OptionCopyrightSize_1", "PictureCopyrightSize", 0, 240, 735, 195, "Moyen",
                    "Taille du texte de Copyright"},
        ControlCase{"OptionCopyrightSize_2", "PictureCopyrightSize", 0, 480, 735, 195, "Grand",
                    "Taille du texte de Copyright"},
        ControlCase{"PictureCopyrightColor", "FrameCopyright", 1080, 1320, 855, 945, "", ""},
        ControlCase{"OptionCopyrightColor_0", "PictureCopyrightColor", 0, 0, 735, 195, "Noir",
                    "Couleur du texte de Copyright"},
        ControlCase{"OptionCopyrightColor_1", "PictureCopyrightColor", 0, 240, 735, 195, "Blanc",
                    "Couleur du texte de Copyright"},
        ControlCase{"OptionCopyrightColor_2", "PictureCopyrightColor", 0, 480, 735, 195, "Jaune",
                    "Couleur du texte de Copyright"},
        ControlCase{"OptionCopyrightColor_4", "PictureCopyrightColor", 0, 720, 735, 195, "Bleu",
                    "Couleur du texte de Copyright"},
        ControlCase{"PictureCopyrightFont", "FrameCopyright", 2040, 1320, 1095, 855, "", ""},
        ControlCase{"OptionCopyrightTransparent", "PictureCopyrightFont", 0, 0, 1095, 195,
                    "Transparent",
                    "Lorsque le mode transparent n'est pas sélectionné, le texte de Copyright est "
                    "inséré sur un fond rectangulaire plein"},
        ControlCase{"OptionCopyrightOutline", "PictureCopyrightFont", 0, 240, 1095, 195, "Contour",
                    "Créer un effet de contour sur le texte de Copyright"}));

TEST(WindowTest, FrameIsAFixedDialogOf792By401) {
    fIHM window;
    EXPECT_EQ(window.size(), QSize(792, 401));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.windowTitle(), "Pixtrim");
    EXPECT_EQ(window.windowIcon().availableSizes().value(0), QSize(32, 32));
}

TEST(WindowTest, ColourGroupHasFourMembers) {
    fIHM window;
    for (const char* name : {"OptionCopyrightColor_0", "OptionCopyrightColor_1",
                             "OptionCopyrightColor_2", "OptionCopyrightColor_4"}) {
        EXPECT_NE(window.findChild<QRadioButton*>(name), nullptr) << name;
    }
    EXPECT_EQ(window.findChild<QWidget*>("OptionCopyrightColor_3"), nullptr);
    EXPECT_EQ(window.PictureCopyrightColor->findChildren<QRadioButton*>().size(), 4);
}

TEST(WindowTest, FocusFollowsTheTabIndexes) {
    fIHM window;
    const QStringList expected = {"TextCopyright",
                                  "ImageCustomWidth",
                                  "ImageCustomHeight",
                                  "txtSearchSpec",
                                  "filList",
                                  "dirList",
                                  "drvList",
                                  "OptionImageSize_1",
                                  "OptionImageSize_2",
                                  "OptionImageSize_3",
                                  "OptionImageSize_4",
                                  "OptionImageSize_5",
                                  "OptionImageSize_6",
                                  "OptionImageSize_0",
                                  "cmdGenerate",
                                  "cmdExit",
                                  "OptionCopyright",
                                  "CopyrightPosition_3",
                                  "CopyrightPosition_0",
                                  "CopyrightPosition_2",
                                  "CopyrightPosition_1",
                                  "OptionCopyrightSize_1",
                                  "OptionCopyrightSize_2",
                                  "OptionCopyrightSize_0",
                                  "OptionCopyrightColor_1",
                                  "OptionCopyrightColor_0",
                                  "OptionCopyrightColor_2",
                                  "OptionCopyrightTransparent",
                                  "OptionCopyrightColor_4",
                                  "OptionCopyrightOutline",
                                  "OptionExif"};
    QStringList chain;
    QWidget* widget = window.TextCopyright;
    do {
        if (expected.contains(widget->objectName())) chain << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != window.TextCopyright);
    EXPECT_EQ(chain, expected);
}

TEST_F(AppFixture, ColoursAndFontsAfterLoad) {
    fIHM& window = Start();
    const auto background = [](QWidget* w) { return w->palette().color(w->backgroundRole()); };
    EXPECT_EQ(background(&window), kWindowColour);
    for (QWidget* w : std::initializer_list<QWidget*>{window.PictureFileSystem,
                                                      window.FrameFileSystem,
                                                      window.PictureOptions,
                                                      window.FrameOptions,
                                                      window.OptionExif,
                                                      window.OptionCopyright,
                                                      window.FrameImageSize,
                                                      window.OptionImageSize[3],
                                                      window.LabelxImage,
                                                      window.FrameCopyright,
                                                      window.CopyrightPosition[1],
                                                      window.LabelTextCopyright,
                                                      window.PictureCopyrightSize,
                                                      window.OptionCopyrightSize[2],
                                                      window.PictureCopyrightFont,
                                                      window.PictureCopyrightColor,
                                                      window.OptionCopyrightOutline,
                                                      window.OptionCopyrightColor[4],
                                                      window.PictureButtons,
                                                      window.FrameButtons,
                                                      window.ImageVisuSize}) {
        EXPECT_EQ(background(w), kWindowColour) << w->objectName().toStdString();
    }
    EXPECT_EQ(background(window.TextCopyright), kWhite);
    EXPECT_EQ(background(window.cmdGenerate), kButtonColour);
    EXPECT_EQ(background(window.cmdExit), kButtonColour);
    // 800 x 600 is chosen: the custom boxes take the window's colour.
    EXPECT_EQ(background(window.ImageCustomWidth), kWindowColour);
    for (QWidget* w :
         std::initializer_list<QWidget*>{window.FrameImageSize, window.ImageVisuSize, &window}) {
        EXPECT_DOUBLE_EQ(w->font().pointSizeF(), 8.25);
        EXPECT_TRUE(w->font().bold());
        EXPECT_EQ(w->font().family(), "Arial");
    }
    for (QWidget* w :
         std::initializer_list<QWidget*>{window.cmdGenerate, window.OptionExif, window.filList,
                                         window.txtSearchSpec, window.LabelxImage}) {
        EXPECT_DOUBLE_EQ(w->font().pointSizeF(), 6.75) << w->objectName().toStdString();
        EXPECT_TRUE(w->font().bold());
    }
    EXPECT_EQ(window.CopyrightPosition[2]->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(window.CopyrightPosition[3]->layoutDirection(), Qt::LeftToRight);
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
