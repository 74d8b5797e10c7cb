#include "window/fIHM.h"

#include <sys/stat.h>

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QMimeData>
#include <QPixmap>
#include <QScreen>
#include <QShortcutEvent>
#include <QTimer>
#include <cmath>

#include "tools/HeldFolder.h"
#include "tools/Tools.h"
#include "window/FormStyle.h"

namespace pixtrim {

fIHM::fIHM(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("fIHM");
    setWindowTitle("Pixtrim");
    setWindowIcon(QIcon(QPixmap(":/pixtrim.png")));
    setFixedSize(TwipsToPixels(11880), TwipsToPixels(6015));
    setFont(WindowFont());
    // Greyed text that still reads on the form's grey.
    QPalette palette = this->palette();
    for (const QPalette::ColorRole role :
         {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, kDisabledText);
    }
    setPalette(palette);
    SetBackground(this, kWindowColor);
    BuildControls();
    setStyle(WindowStyle());
    for (QWidget* child : findChildren<QWidget*>()) child->setStyle(WindowStyle());
    SetTabOrder();
    ConnectReactions();
    setAcceptDrops(true);
}

void fIHM::SetGeometryTwips(QWidget* widget, double left, double top, double width, double height) {
    widget->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                        TwipsToPixels(height));
}

void fIHM::ConnectReactions() {
    KeepTabOnCheckedButtons();
    connect(cmdGenerate, &QPushButton::clicked, this, &fIHM::cmdGenerate_Click);
    runFrameTimer_.setSingleShot(true);
    connect(&runFrameTimer_, &QTimer::timeout, this, &fIHM::DrawRunFrame);
    connect(cmdExit, &QPushButton::clicked, this, &fIHM::cmdExit_Click);
    connect(drvList, &DriveList::Change, this, &fIHM::drvList_Change);
    connect(dirList, &FolderList::Change, this, &fIHM::dirList_Change);
    connect(drvList, &DriveList::Refreshed, this, &fIHM::FollowTheFolder);
    connect(filList, &FileList::FolderChanged, this, &fIHM::FollowTheFolder);
    connect(txtSearchSpec, &QLineEdit::textChanged, this, &fIHM::txtSearchSpec_Change);
    // A click and a move of the highlight by the keyboard both preview the file.
    connect(filList, &QListWidget::itemClicked, this, &fIHM::filList_Click);
    connect(filList, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item) { filList_Click(item); });
    connect(ImageCustomWidth, &QLineEdit::textChanged, this, &fIHM::ImageCustomWidth_Change);
    connect(ImageCustomHeight, &QLineEdit::textChanged, this, &fIHM::ImageCustomHeight_Change);
    connect(OptionExif, &QCheckBox::toggled, this, &fIHM::OptionExif_Click);
    connect(OptionCopyright, &QCheckBox::toggled, this, &fIHM::OptionCopyright_Click);
    for (int16_t index = 0; index < 7; ++index) {
        connect(OptionImageSize[index], &QRadioButton::toggled, this, [this, index](bool checked) {
            if (checked) OptionImageSize_Click(index);
        });
    }
}

void fIHM::ClearOptionGroup(QRadioButton* const* buttons, int count) {
    for (int i = 0; i < count; ++i) {
        if (!buttons[i]) continue;
        buttons[i]->setAutoExclusive(false);
        buttons[i]->setChecked(false);
        buttons[i]->setAutoExclusive(true);
    }
}

void fIHM::Form_Load(const QString& imageFilters) {
    for (QWidget* widget : std::initializer_list<QWidget*>{PictureFileSystem, FrameFileSystem,
                                                           PictureOptions, FrameOptions, OptionExif,
                                                           OptionCopyright, FrameImageSize}) {
        SetBackground(widget, kWindowColor);
    }
    for (QRadioButton* button : OptionImageSize) SetBackground(button, kWindowColor);
    SetBackground(ImageCustomWidth, kWhite);
    SetBackground(ImageCustomHeight, kWhite);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{LabelxImage, FrameCopyright, PictureCopyrightPosition}) {
        SetBackground(widget, kWindowColor);
    }
    for (QRadioButton* button : CopyrightPosition) SetBackground(button, kWindowColor);
    SetBackground(LabelTextCopyright, kWindowColor);
    SetBackground(TextCopyright, kWhite);
    SetBackground(PictureCopyrightSize, kWindowColor);
    for (QRadioButton* button : OptionCopyrightSize) SetBackground(button, kWindowColor);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             PictureCopyrightFont, PictureCopyrightColor, OptionCopyrightTransparent,
             OptionCopyrightOutline, PictureButtons, FrameButtons}) {
        SetBackground(widget, kWindowColor);
    }
    for (QRadioButton* button : OptionCopyrightColor) {
        if (button) SetBackground(button, kWindowColor);
    }
    VisuBoxLeft = static_cast<int16_t>(PixelsToTwips(ImageVisu->x()));
    VisuBoxTop = static_cast<int16_t>(PixelsToTwips(ImageVisu->y()));
    VisuBoxWidth = static_cast<int16_t>(PixelsToTwips(ImageVisu->width()));
    VisuBoxHeight = static_cast<int16_t>(PixelsToTwips(ImageVisu->height()));
    SetBackground(ImageVisuSize, kWindowColor);
    txtSearchSpec->setText(imageFilters);
    txtSearchSpec->setCursorPosition(0);  // a long list shows its first patterns
    HideProgressBar();
}

void fIHM::closeEvent(QCloseEvent* event) {
    event->accept();
    if (onClose) onClose();
}

bool fIHM::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Only a move of focus inside the window counts, not the window losing activation.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == dirList) dirList_LostFocus();
            if (watched == filList) filList_LostFocus();
            if (watched == ImageCustomWidth) ImageCustomWidth_LostFocus();
            if (watched == ImageCustomHeight) ImageCustomHeight_LostFocus();
            // A long filter list shows its first patterns again, whatever was edited.
            if (watched == txtSearchSpec) txtSearchSpec->setCursorPosition(0);
        }
    } else if (event->type() == QEvent::FocusIn && watched == txtSearchSpec) {
        txtSearchSpec_GotFocus();
    } else if (event->type() == QEvent::Shortcut &&
               (watched == cmdGenerate || watched == cmdExit) &&
               !static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
        // Alt+R clicks at once: the toolkit would show the button down for 100 ms first,
        // as long as a third of a run.
        auto* button = static_cast<QPushButton*>(watched);
        button->setFocus(Qt::ShortcutFocusReason);
        button->click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void fIHM::cmdGenerate_Click() {
    if (onGenerate) onGenerate();
}

void fIHM::cmdExit_Click() {
    if (onExit) onExit();
}

void fIHM::drvList_Change(bool byUser) {
    // A volume the user picks opens at its root. One that code picks to match the folder
    // shown keeps that folder: it is the volume's current folder.
    const std::string root = drvList->CurrentRoot();
    if (!byUser && drvList->VolumeOf(dirList->Path()) == root) return;
    // A volume that cannot be read: back, silently, to the volume of the folder shown.
    if (!dirList->SetPath(root)) drvList->SelectVolumeOf(dirList->Path());
}

void fIHM::dirList_Change() { filList->SetPath(dirList->Path()); }

void fIHM::dirList_LostFocus() {
    const std::string highlighted = dirList->HighlightedPath();
    if (highlighted != dirList->Path()) dirList->SetPath(highlighted);
}

void fIHM::txtSearchSpec_Change() { filList->SetPattern(txtSearchSpec->text()); }

void fIHM::txtSearchSpec_GotFocus() {
    // A click places the cursor after the focus arrives: select once it has.
    QTimer::singleShot(0, txtSearchSpec, [box = txtSearchSpec] { box->selectAll(); });
}

void fIHM::filList_Click(QListWidgetItem* item) {
    // A click that made the item current has previewed that file already.
    if (!item) return;
    const std::string path = JoinPath(filList->Path(), FileList::NameOf(item));
    if (path == previewed_) return;
    previewed_ = path;
    VisualizeImage(path);
}

void fIHM::filList_LostFocus() {
    previewed_.clear();
    ImageVisu->setPixmap(QPixmap());
    ImageVisuSize->setText("");
}

void fIHM::ShowCentred() {
    if (const QScreen* screen = this->screen()) {
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));
    }
    show();
    // Once the window is idle, the progress bar is drawn once out of sight: the first
    // drawing of its text (the font's glyphs) would otherwise cost the first run 10 ms.
    QTimer::singleShot(0, ProgressBar, [bar = ProgressBar] {
        const int value = bar->value();
        bar->setValue(50);
        (void)bar->grab();
        if (value < bar->minimum()) {
            bar->reset();  // no value yet, as before
        } else {
            bar->setValue(value);
        }
    });
    for (QWidget* control : tabOrder_) {
        if (control->isVisible() && control->isEnabled() &&
            (control->focusPolicy() & Qt::TabFocus)) {
            control->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

namespace {

// The local path a dropped address names, as the bytes the file manager percent-encoded
// (a name that is not UTF-8 keeps its bytes); empty when it names no local file.
std::string DroppedPath(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().isEmpty()) return {};
    const QUrl url = data->urls().first();
    if (!url.isLocalFile()) return {};
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

}  // namespace

void fIHM::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedPath(event->mimeData()).empty()) event->acceptProposedAction();
}

void fIHM::dropEvent(QDropEvent* event) {
    if (OpenDropped(DroppedPath(event->mimeData()))) event->acceptProposedAction();
}

bool fIHM::OpenDropped(const std::string& path) {
    if (path.empty()) return false;
    if (IsReadableFolder(path)) {
        dirList->SetPath(path);
        drvList->SelectVolumeOf(dirList->Path());
        return true;
    }
    struct stat file {};
    if (stat(path.c_str(), &file) != 0 || !S_ISREG(file.st_mode) ||
        !dirList->SetPath(ParentFolder(path))) {
        return false;
    }
    drvList->SelectVolumeOf(dirList->Path());
    // The dropped file previewed, once, and highlighted when the filters list it.
    const std::string name = path.substr(path.rfind('/') + 1);
    previewed_ = JoinPath(dirList->Path(), name);
    VisualizeImage(previewed_);
    for (int i = 0; i < filList->count(); ++i) {
        if (FileList::NameOf(filList->item(i)) == name) filList->setCurrentRow(i);
    }
    return true;
}

void fIHM::FollowTheFolder() {
    std::string folder = dirList->Path();
    while (folder != "/" && !IsReadableFolder(folder)) folder = ParentFolder(folder);
    if (folder != dirList->Path()) dirList->SetPath(folder);
    drvList->SelectVolumeOf(dirList->Path());
}

void fIHM::VisualizeImage(const std::string& sFileName) {
    const Preview preview = decodePreview ? decodePreview(sFileName) : Preview{};
    if (preview.picture.isNull()) return ShowPreview(QImage(), QSize());
    PlacePreview(preview.seen);
    ShowPreview(preview.picture, preview.seen);
}

void fIHM::ClearPreview() {
    previewed_.clear();
    runFrame_.preview.reset();
    ShowPreview(QImage(), QSize());
}

void fIHM::ShowRunPreview(const QImage& picture, const QSize& seen) {
    previewed_.clear();  // the preview no longer shows the file last clicked
    runFrame_.preview.emplace(picture, seen);
    RunFrameChanged();
}

void fIHM::RunFrameChanged() {
    // Through the timer even when the frame is due: what the run shows in one turn of the
    // event loop (a copy's bar and preview) is drawn together.
    const qint64 since = lastRunFrame_.isValid() ? lastRunFrame_.elapsed() : RunFrameMs;
    if (!runFrameTimer_.isActive())
        runFrameTimer_.start(int(std::max<qint64>(RunFrameMs - since, 0)));
}

void fIHM::DrawRunFrame() {
    runFrameTimer_.stop();
    if (!runFrame_.preview && !runFrame_.percent) return;
    if (runFrame_.preview) {
        PlacePreview(runFrame_.preview->second);
        ShowPreview(runFrame_.preview->first, runFrame_.preview->second);
    }
    if (runFrame_.percent) {
        const int maximum = ProgressBar->maximum();
        // The bar paints at once on a change of its text; it is drawn with the preview at
        // the next turn of the event loop instead (enabling updates posts one).
        ProgressBar->setUpdatesEnabled(false);
        ProgressBar->setValue(std::min(maximum, int(*runFrame_.percent)));
        ProgressBar->setUpdatesEnabled(true);
    }
    runFrame_ = {};
    lastRunFrame_.start();
}

namespace {

// The preview's pixel size for a picture seen at the size `seen`, in a box of boxWidth x
// boxHeight twips: the label gets the picture's shape at the box's longer side (twips
// rounded to pixels as the form places controls), and the picture fills it, never enlarged.
QSize PreviewSize(const QSize& seen, double boxWidth, double boxHeight, qreal ratio) {
    const double w = seen.width(), h = seen.height();
    const double factor = w > h ? w / boxWidth : h / boxHeight;
    const QSize label(TwipsToPixels(std::floor(w / factor)), TwipsToPixels(std::floor(h / factor)));
    return seen.scaled(label * ratio, Qt::KeepAspectRatio).boundedTo(seen).expandedTo(QSize(1, 1));
}

}  // namespace

std::function<QSize(const QSize&)> fIHM::PreviewSizes() const {
    return [width = double(VisuBoxWidth), height = double(VisuBoxHeight),
            ratio = devicePixelRatio()](const QSize& seen) {
        return PreviewSize(seen, width, height, ratio);
    };
}

QSize fIHM::PlacePreview(const QSize& seen) {
    ImageVisu->hide();
    const double w = seen.width(), h = seen.height();
    const double factor = w > h ? w / VisuBoxWidth : h / VisuBoxHeight;
    SetGeometryTwips(ImageVisu, PixelsToTwips(ImageVisu->x()), PixelsToTwips(ImageVisu->y()),
                     std::floor(w / factor), std::floor(h / factor));
    const double shownWidth = PixelsToTwips(ImageVisu->width());
    const double shownHeight = PixelsToTwips(ImageVisu->height());
    SetGeometryTwips(ImageVisu, std::floor((VisuBoxWidth - shownWidth) / 2.0) + VisuBoxLeft,
                     std::floor((VisuBoxHeight - shownHeight) / 2.0) + VisuBoxTop, shownWidth,
                     shownHeight);
    return PreviewSize(seen, VisuBoxWidth, VisuBoxHeight, devicePixelRatio());
}

void fIHM::ShowPreview(const QImage& picture, const QSize& seen) {
    ImageVisu->setPixmap(QPixmap::fromImage(picture));
    ImageVisuSize->setText(
        picture.isNull() ? QString() : QString("%1 x %2").arg(seen.width()).arg(seen.height()));
    ImageVisu->show();
    ImageVisu->update();
}

void fIHM::ShowProgressBar() {
    runFrame_ = {};
    lastRunFrame_.invalidate();  // the run's first frame is due at once
    ProgressBar->setMaximum(100);
    ProgressBar->setValue(0);
    ProgressBar->show();
}

void fIHM::SetProgressBar(uint8_t iValue) {
    runFrame_.percent = iValue;
    RunFrameChanged();
}

void fIHM::HideProgressBar() {
    DrawRunFrame();
    ProgressBar->hide();
}

void fIHM::CustomSize_Change(QLineEdit* box) {
    static const QStringList kZeros = {"0", "00", "000", "0000"};
    if (NumericValue(box->text().toStdString()) == 0 && !kZeros.contains(box->text()))
        box->setText("");
    if (box->text().size() > 4) box->setText(box->text().left(4));
}

void fIHM::CustomSize_LostFocus(QLineEdit* box) {
    if (NumericValue(box->text().toStdString()) == 0) box->setText("1");
}

void fIHM::OptionImageSize_Click(int16_t Index) {
    const bool custom = Index == 0;
    const QColor background = custom ? kWhite : palette().color(QPalette::Window);
    for (QLineEdit* box : {ImageCustomWidth, ImageCustomHeight}) {
        box->setEnabled(custom);
        SetBackground(box, background);
    }
    LabelxImage->setEnabled(custom);
}

void fIHM::OptionCopyright_Click() { FrameCopyright->setVisible(OptionCopyright->isChecked()); }

}  // namespace pixtrim
