// The program's one window: folder browsing and preview on the left, the size and
// copyright options and the progress bar on the right, "&Redimensionner Images" and
// "E&xit" below. Every control's objectName is its name; members of an option group are
// named with their index after an underscore (OptionImageSize_4). The window knows nothing
// of the settings, the run or the decoders: its two buttons and its preview call what the
// application gives it.
// Used only on the window's thread.
#pragma once

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "tools/Tools.h"
#include "window/BrowsingLists.h"

namespace pixtrim {

inline constexpr QColor kWindowColor{192, 192, 192};
inline constexpr QColor kButtonColor{224, 224, 224};
inline constexpr QColor kWhite{255, 255, 255};
inline constexpr QColor kDisabledText{128, 128, 128};

// Positions are given in twips; 15 twips make one device-independent pixel, rounded half
// to even. The one conversion of the form, both ways.
inline int TwipsToPixels(double twips) { return RoundToInt32(twips / 15); }
inline double PixelsToTwips(int pixels) { return pixels * 15.0; }

// The bounding sizes of OptionImageSize 1 to 6, as the settings store them; index 0 is
// "Autre", whose boxes hold the size.
struct SizePreset {
    const char* width;
    const char* height;
};
inline constexpr SizePreset kSizePresets[7] = {{"", ""},        {"2272", "1704"}, {"1152", "864"},
                                               {"1024", "768"}, {"800", "600"},   {"640", "480"},
                                               {"320", "240"}};

class fIHM : public QWidget {
    Q_OBJECT
public:
    explicit fIHM(QWidget* parent = nullptr);

    // What the two buttons and the close box do; set by the application.
    std::function<void()> onGenerate;  // "&Redimensionner Images"
    std::function<void()> onExit;      // "E&xit"
    std::function<void()> onClose;     // the close box: ends the program, storing nothing
    // Decodes the file `path` for the preview: the picture as viewers show it (turned as its
    // EXIF says) at the size PreviewSizes() gives for its size as seen, and that size; a
    // null picture when it cannot be decoded. Set by the application (the window decodes
    // nothing itself).
    struct Preview {
        QImage picture;
        QSize seen;
    };
    std::function<Preview(const std::string& path)> decodePreview;

    // Shows the window centred on its screen, the keyboard's focus on the first control of
    // the tab order that can take it.
    void ShowCentred();
    // Opens `path` in the lists, as choosing it there would (its volume selected); a file
    // opens its folder and is previewed. False, with nothing changed, when it is neither a
    // readable folder nor a file in one.
    bool OpenDropped(const std::string& path);

    // Public operations.
    // Previews the file `sFileName` (decodePreview), upright as viewers show it; a file that
    // cannot be decoded previews empty.
    void VisualizeImage(const std::string& sFileName);
    // Shows `picture`, already at the size PreviewSizes() gives for `seen`: a run's
    // preview, made on its workers. Drawn with the run's next frame (DrawRunFrame).
    void ShowRunPreview(const QImage& picture, const QSize& seen);
    // Empties the preview: a file the run could not read shows nothing.
    void ClearPreview();
    // The size at which a picture seen at a given size is previewed (the preview box's
    // rule, as a click applies it); safe to call on any thread.
    std::function<QSize(const QSize&)> PreviewSizes() const;
    void SetProgressBar(uint8_t iValue);
    void HideProgressBar();
    void ShowProgressBar();
    // A run's preview and bar are drawn at most once every RunFrameMs: drawing each copy's
    // took the window's thread from the workers, and no eye follows photos made 12 ms
    // apart. Draws now what the run showed and is not drawn yet (a message box, the run's
    // end and the frame's timer call it).
    void DrawRunFrame();
    int RunFrameMs = 40;
    void Public_OptionExif_Click() { OptionExif_Click(); }
    void Public_OptionCopyright_Click() { OptionCopyright_Click(); }
    void Public_OptionImageSize_Click(const int16_t& Index) { OptionImageSize_Click(Index); }

    // Empties every button of an option group (Qt's exclusive groups cannot be emptied).
    static void ClearOptionGroup(QRadioButton* const* buttons, int count);

    // Controls.
    QFrame* PictureFileSystem;
    QGroupBox* FrameFileSystem;
    DriveList* drvList;
    FolderList* dirList;
    QLineEdit* txtSearchSpec;
    FileList* filList;
    QFrame* PictureButtons;
    QGroupBox* FrameButtons;
    QPushButton* cmdGenerate;
    QPushButton* cmdExit;
    QFrame* PictureOptions;
    QLabel* ImageVisu;
    QLabel* ImageVisuSize;
    QProgressBar* ProgressBar;
    QGroupBox* FrameOptions;
    QCheckBox* OptionExif;
    QCheckBox* OptionCopyright;
    QGroupBox* FrameImageSize;
    std::array<QRadioButton*, 7> OptionImageSize;
    QLineEdit* ImageCustomWidth;
    QLabel* LabelxImage;
    QLineEdit* ImageCustomHeight;
    QGroupBox* FrameCopyright;
    QFrame* PictureCopyrightPosition;
    std::array<QRadioButton*, 4> CopyrightPosition;
    QLabel* LabelTextCopyright;
    QLineEdit* TextCopyright;
    QFrame* PictureCopyrightSize;
    std::array<QRadioButton*, 3> OptionCopyrightSize;
    QFrame* PictureCopyrightColor;
    std::array<QRadioButton*, 5> OptionCopyrightColor;  // index 3 has no button (nullptr)
    QFrame* PictureCopyrightFont;
    QCheckBox* OptionCopyrightTransparent;
    QCheckBox* OptionCopyrightOutline;

    // The preview box's bounds as laid out, in twips of PictureOptions.
    int16_t VisuBoxLeft = 0, VisuBoxTop = 0, VisuBoxWidth = 0, VisuBoxHeight = 0;

    // Puts the stored filter list into the filter box and readies the controls.
    void Form_Load(const QString& imageFilters);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A folder or file dropped from a file manager opens (OpenDropped).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildControls();
    void KeepTabOnCheckedButtons();
    void ConnectReactions();
    void SetTabOrder();
    void SetGeometryTwips(QWidget* widget, double left, double top, double width, double height);
    // Places the preview box for a picture of `seen` size; answers the size to show it at.
    QSize PlacePreview(const QSize& seen);
    void ShowPreview(const QImage& picture, const QSize& seen);

    // Reactions.
    void cmdGenerate_Click();
    void cmdExit_Click();
    void drvList_Change(bool byUser);
    void dirList_Change();
    void dirList_LostFocus();
    void txtSearchSpec_Change();
    void txtSearchSpec_GotFocus();
    void filList_Click(QListWidgetItem* item);
    void filList_LostFocus();
    // The folder shown, or its volume, went: the nearest readable folder above it opens,
    // and the drive list selects its volume.
    void FollowTheFolder();
    void ImageCustomWidth_Change() { CustomSize_Change(ImageCustomWidth); }
    void ImageCustomHeight_Change() { CustomSize_Change(ImageCustomHeight); }
    void ImageCustomWidth_LostFocus() { CustomSize_LostFocus(ImageCustomWidth); }
    void ImageCustomHeight_LostFocus() { CustomSize_LostFocus(ImageCustomHeight); }
    void CustomSize_Change(QLineEdit* box);
    void CustomSize_LostFocus(QLineEdit* box);
    void OptionImageSize_Click(int16_t Index);
    void OptionCopyright_Click();
    void OptionExif_Click() {}  // the EXIF choice changes nothing else in the window

    std::string previewed_;  // the file the preview shows, by its path
    std::vector<QWidget*> tabOrder_;
    // What the run showed since its last frame.
    struct RunFrame {
        std::optional<std::pair<QImage, QSize>> preview;
        std::optional<uint8_t> percent;
    } runFrame_;
    QElapsedTimer lastRunFrame_;
    QTimer runFrameTimer_;
    void RunFrameChanged();
};

}  // namespace pixtrim
