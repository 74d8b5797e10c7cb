#include <gtest/gtest.h>

#include <QClipboard>
#include <QStyleFactory>

#include "app/WindowSettings.h"
#include "codec/JpegCodec.h"
#include "support/AppFixture.h"

namespace pixtrim {
namespace {

using test::AppFixture;

class BrowsingTest : public AppFixture {
protected:
    QListWidgetItem* FolderEntry(fIHM& window, const QString& name) {
        for (int i = 0; i < window.dirList->count(); ++i) {
            if (window.dirList->item(i)->text().trimmed() == name) return window.dirList->item(i);
        }
        return nullptr;
    }
    QStringList Files(fIHM& window) {
        QStringList names;
        for (int i = 0; i < window.filList->count(); ++i) names << window.filList->item(i)->text();
        return names;
    }
    void ClickItem(QListWidget* list, QListWidgetItem* item, bool twice = false) {
        const QPoint at = list->visualItemRect(item).center();
        // A double click is a click, then the second press that the system reports as one.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    // A grey JPEG of the given size, made through the codec.
    void MakePhoto(const std::string& name, int32_t width, int32_t height) {
        cDIBSection dib;
        ASSERT_TRUE(dib.Create(width, height));
        test::Fill(dib, [](int32_t, int32_t) { return test::Grey(90); });
        ASSERT_TRUE(SaveJPG(dib, photos / name, 90));
    }
};

TEST_F(BrowsingTest, FolderListShowsAncestorsThenSubFoldersByName) {
    photos.MakeFolder("beta");
    photos.MakeFolder("Alpha");
    photos.MakeFolder(".hidden");
    fIHM& window = Start();
    QStringList entries;
    for (int i = 0; i < window.dirList->count(); ++i)
        entries << window.dirList->item(i)->text().trimmed();
    const QStringList parts = Q(photos.String()).split('/', Qt::SkipEmptyParts);
    QStringList expected = {"/"};
    expected << parts << "Alpha"
             << "beta";
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(window.dirList->currentItem()->text().trimmed(), parts.last());
    // Deeper entries are indented further.
    EXPECT_GT(window.dirList->item(1)->text().indexOf(parts[0]),
              window.dirList->item(0)->text().indexOf('/'));
}

TEST_F(BrowsingTest, AClickHighlightsAndLeavingTheListOpens) {
    photos.WriteFile("Album/inside.jpg");
    AddPhoto("testorig.jpg", "outside.jpg");
    fIHM& window = Start();
    ClickItem(window.dirList, FolderEntry(window, "Album"));
    EXPECT_EQ(window.dirList->Path(), photos.String());
    EXPECT_EQ(Files(window), QStringList{"outside.jpg"});
    window.txtSearchSpec->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(window.dirList->Path(), photos / "Album");
    EXPECT_EQ(window.filList->Path(), photos / "Album");
    EXPECT_EQ(Files(window), QStringList{"inside.jpg"});
}

TEST_F(BrowsingTest, ADoubleClickOrEnterOpens) {
    photos.MakeFolder("One");
    photos.MakeFolder("One/Two");
    fIHM& window = Start();
    ClickItem(window.dirList, FolderEntry(window, "One"), true);
    EXPECT_EQ(window.dirList->Path(), photos / "One");
    window.dirList->setFocus();
    window.dirList->setCurrentItem(FolderEntry(window, "Two"));
    QTest::keyClick(window.dirList, Qt::Key_Return);
    EXPECT_EQ(window.dirList->Path(), photos / "One/Two");
}

TEST_F(BrowsingTest, EveryKeystrokeRefiltersTheFileList) {
    for (const char* name : {"a.jpg", "b.JPEG", "c.png", "d.txt"}) photos.WriteFile(name);
    fIHM& window = Start();
    EXPECT_EQ(Files(window), (QStringList{"a.jpg", "b.JPEG"}));
    window.txtSearchSpec->clear();
    const std::vector<std::pair<char, int>> steps = {
        {'*', 4}, {'.', 0}, {'p', 0}, {'n', 0}, {'g', 1}};
    for (const auto& [key, count] : steps) {
        QTest::keyClicks(window.txtSearchSpec, QString(key));
        EXPECT_EQ(window.filList->ListCount(), count) << window.txtSearchSpec->text().toStdString();
    }
    window.txtSearchSpec->setText("*.TXT;*.jpg");
    EXPECT_EQ(Files(window), (QStringList{"a.jpg", "d.txt"}));
}

TEST_F(BrowsingTest, EnteringTheFilterBoxSelectsItsWholeText) {
    fIHM& window = Start();
    window.txtSearchSpec->setFocus(Qt::TabFocusReason);
    QTest::qWait(10);
    EXPECT_EQ(window.txtSearchSpec->selectedText(), "*.jpg;*.jpeg");
    window.filList->setFocus(Qt::TabFocusReason);
    QTest::mouseClick(window.txtSearchSpec, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::qWait(10);
    EXPECT_EQ(window.txtSearchSpec->selectedText(), "*.jpg;*.jpeg");
}

TEST_F(BrowsingTest, AnUnreadableVolumeSendsTheDriveListBackSilently) {
    fIHM& window = Start();
    const std::string shown = window.drvList->CurrentRoot();
    window.drvList->addItem("/pixtrim-absent-volume", QByteArray("/pixtrim-absent-volume"));
    window.drvList->setCurrentIndex(window.drvList->count() - 1);
    emit window.drvList->Change(true);
    EXPECT_EQ(window.drvList->CurrentRoot(), shown);
    EXPECT_EQ(window.dirList->Path(), photos.String());
    EXPECT_TRUE(shown.empty() == false);
}

TEST_F(BrowsingTest, SettingsOnAnotherVolumeKeepTheirFolder) {
    const std::string album = photos.MakeFolder("Album");
    fIHM& window = Start();
    // As if the photo folder were a mount point.
    window.drvList->addItem(Q(photos.String()), QByteArray::fromStdString(photos.String()));
    Settings s;
    s.ImageFolder = album;
    ApplySettingsToWindow(s, window);
    EXPECT_EQ(window.drvList->CurrentRoot(), photos.String());
    EXPECT_EQ(window.dirList->Path(), album);
    EXPECT_EQ(window.filList->Path(), album);
}

TEST_F(BrowsingTest, ChoosingAVolumeOpensItsRoot) {
    fIHM& window = Start();
    window.drvList->setCurrentIndex(window.drvList->findText("/"));
    emit window.drvList->Change(true);
    EXPECT_EQ(window.dirList->Path(), "/");
    EXPECT_EQ(window.filList->Path(), "/");
}

struct PreviewCase {
    const char* name;
    int32_t width, height;
    QRect box;  // pixels of PictureOptions
};

class PreviewTest : public BrowsingTest, public testing::WithParamInterface<PreviewCase> {};

TEST_P(PreviewTest, FitsAndCentresThePictureInTheBox) {
    const PreviewCase& c = GetParam();
    MakePhoto("p.jpg", c.width, c.height);
    fIHM& window = Start();
    ASSERT_EQ(window.filList->ListCount(), 1);
    ClickItem(window.filList, window.filList->item(0));
    EXPECT_EQ(window.ImageVisu->geometry(), c.box);
    EXPECT_TRUE(window.ImageVisu->isVisible());
    EXPECT_FALSE(window.ImageVisu->pixmap().isNull());
    EXPECT_EQ(window.ImageVisuSize->text(), QString("%1 x %2").arg(c.width).arg(c.height));
}

INSTANTIATE_TEST_SUITE_P(Shapes, PreviewTest,
                         testing::Values(PreviewCase{"Landscape", 600, 450, QRect(16, 30, 113, 85)},
                                         PreviewCase{"Portrait", 450, 600, QRect(30, 16, 85, 113)},
                                         PreviewCase{"Square", 128, 128, QRect(16, 16, 113, 113)},
                                         PreviewCase{"Small", 100, 100, QRect(16, 16, 113, 113)},
                                         PreviewCase{"OddSides", 227, 149,
                                                     QRect(16, 35, 113, 74)}));

TEST_F(BrowsingTest, TheSizeLabelGivesTheStoredSizeWithoutRotation) {
    AddPhoto("Landscape_6.jpg", "rotated.jpg");  // stored 450 x 600, shown turned by viewers
    fIHM& window = Start();
    window.VisualizeImage(photos / "rotated.jpg");
    EXPECT_EQ(window.ImageVisuSize->text(), "450 x 600");
    EXPECT_EQ(window.ImageVisu->geometry(), QRect(30, 16, 85, 113));
}

TEST_F(BrowsingTest, AnUnreadableFileGivesAnEmptyPreview) {
    AddPhoto("testorig.jpg", "good.jpg");
    AddPhoto("hopper_png_renamed.jpg", "png.jpg");  // a PNG: the preview reads it
    photos.WriteFile("bad.jpg", "not a picture");
    fIHM& window = Start();
    window.VisualizeImage(photos / "good.jpg");
    window.VisualizeImage(photos / "bad.jpg");
    EXPECT_TRUE(window.ImageVisu->pixmap().isNull());
    EXPECT_EQ(window.ImageVisuSize->text(), "");
    window.VisualizeImage(photos / "png.jpg");
    EXPECT_EQ(window.ImageVisuSize->text(), "128 x 128");
}

TEST_F(BrowsingTest, LeavingTheFileListEmptiesThePreviewAlsoOntoGenerate) {
    AddPhoto("testorig.jpg", "a.jpg");
    fIHM& window = Start();
    for (QWidget* next :
         std::initializer_list<QWidget*>{window.txtSearchSpec, window.cmdGenerate}) {
        window.filList->setFocus(Qt::TabFocusReason);
        ClickItem(window.filList, window.filList->item(0));
        ASSERT_EQ(window.ImageVisuSize->text(), "227 x 149");
        const QRect before = window.ImageVisu->geometry();
        next->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(window.ImageVisu->pixmap().isNull());
        EXPECT_EQ(window.ImageVisuSize->text(), "");
        EXPECT_EQ(window.ImageVisu->geometry(), before);
    }
}

class CustomBoxTest : public BrowsingTest, public testing::WithParamInterface<bool> {
protected:
    QLineEdit* Box(fIHM& window) {
        return GetParam() ? window.ImageCustomWidth : window.ImageCustomHeight;
    }
    QLineEdit* Prepare() {
        fIHM& window = Start();
        window.OptionImageSize[0]->setChecked(true);
        QLineEdit* box = Box(window);
        box->clear();
        box->setFocus();
        return box;
    }
};

TEST_P(CustomBoxTest, TypingKeepsASmallNumber) {
    QLineEdit* box = Prepare();
    QTest::keyClicks(box, "12345");
    EXPECT_EQ(box->text(), "1234");
    box->clear();
    QTest::keyClicks(box, "a");
    EXPECT_EQ(box->text(), "");
    QTest::keyClicks(box, "0000");
    EXPECT_EQ(box->text(), "0000");
    QTest::keyClicks(box, "1");
    EXPECT_EQ(box->text(), "0000");
    QTest::keyClicks(box, "0");
    EXPECT_EQ(box->text(), "");
    QTest::keyClicks(box, "12ab");
    EXPECT_EQ(box->text(), "12ab");
    box->clear();
    QTest::keyClicks(box, "-5");
    EXPECT_EQ(box->text(), "5");
    box->clear();
    box->insert("-5");  // pasted at once
    EXPECT_EQ(box->text(), "-5");
}

TEST_P(CustomBoxTest, LeavingAnEmptyOrZeroBoxGivesOne) {
    QLineEdit* box = Prepare();
    app.Window().TextCopyright->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(box->text(), "1");
    box->setFocus();
    box->setText("000");
    app.Window().TextCopyright->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(box->text(), "1");
    box->setFocus();
    box->setText("0.5");
    app.Window().TextCopyright->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(box->text(), "0.5");
}

INSTANTIATE_TEST_SUITE_P(WidthAndHeight, CustomBoxTest, testing::Bool());

TEST_F(BrowsingTest, SizeChoicesEnableAndColourTheCustomBoxes) {
    fIHM& window = Start();
    window.ImageCustomWidth->setText("77");
    QTest::mouseClick(window.OptionImageSize[5], Qt::LeftButton, {}, QPoint(5, 5));
    for (QLineEdit* box : {window.ImageCustomWidth, window.ImageCustomHeight}) {
        EXPECT_FALSE(box->isEnabled());
        EXPECT_EQ(box->palette().color(QPalette::Base), kWindowColour);
    }
    EXPECT_FALSE(window.LabelxImage->isEnabled());
    QTest::mouseClick(window.OptionImageSize[0], Qt::LeftButton, {}, QPoint(5, 5));
    for (QLineEdit* box : {window.ImageCustomWidth, window.ImageCustomHeight}) {
        EXPECT_TRUE(box->isEnabled());
        EXPECT_EQ(box->palette().color(QPalette::Base), kWhite);
    }
    EXPECT_TRUE(window.LabelxImage->isEnabled());
    EXPECT_EQ(window.ImageCustomWidth->text(), "77");
}

TEST_F(BrowsingTest, TheCopyrightOptionShowsAndHidesItsFrame) {
    fIHM& window = Start();
    window.TextCopyright->setText("© Anne");
    window.OptionCopyright->setChecked(true);
    EXPECT_TRUE(window.FrameCopyright->isVisible());
    window.OptionCopyright->setChecked(false);
    EXPECT_FALSE(window.FrameCopyright->isVisible());
    window.OptionCopyright->setChecked(true);
    EXPECT_TRUE(window.FrameCopyright->isVisible());
    EXPECT_EQ(window.TextCopyright->text(), "© Anne");
}

TEST_F(BrowsingTest, TheExifOptionChangesNothingElse) {
    fIHM& window = Start();
    const auto state = [&] {
        QStringList s;
        for (QWidget* w : window.findChildren<QWidget*>()) {
            s << QString("%1 %2 %3").arg(w->objectName()).arg(w->isVisible()).arg(w->isEnabled());
        }
        return s;
    };
    const QStringList before = state();
    QTest::mouseClick(window.OptionExif, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(window.OptionExif->isChecked());
    EXPECT_EQ(state(), before);
}

TEST_F(BrowsingTest, ProgressBarOperations) {
    fIHM& window = Start();
    window.ShowProgressBar();
    window.SetProgressBar(60);
    window.HideProgressBar();
    EXPECT_TRUE(window.ProgressBar->isHidden());
    EXPECT_EQ(window.ProgressBar->value(), 60);
    window.ShowProgressBar();
    EXPECT_TRUE(window.ProgressBar->isVisible());
    EXPECT_EQ(window.ProgressBar->value(), 0);
    window.SetProgressBar(150);
    EXPECT_EQ(window.ProgressBar->value(), 100);
    window.SetProgressBar(0);
    EXPECT_EQ(window.ProgressBar->value(), 0);
}

}  // namespace
}  // namespace pixtrim
