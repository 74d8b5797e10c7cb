#include "window/fIHM.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTimer>
#include <cmath>
#include <functional>
#include <type_traits>

#include "tools/HeldFolder.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

const char kFolderTip[] = "Choisir ici le répertoire où se trouvent les images";
const char kSizeTip[] = "Taille maximale souhaitée pour les images";
const char kPositionTip[] = "Position du texte de Copyright dans l'image";
const char kTextSizeTip[] = "Taille du texte de Copyright";
const char kColourTip[] = "Couleur du texte de Copyright";

QFont WindowFont() {
    QFont font("Arial");
    font.setPointSizeF(8.25);
    font.setBold(true);
    return font;
}

QFont ControlFont() {
    QFont font("Arial");
    font.setPointSizeF(6.75);
    font.setBold(true);
    return font;
}

// The small text boxes are 15 pixels high: a thin border leaves room for the text.
const char kSmallBoxStyle[] =
    "QLineEdit { border: 1px solid #808080; padding: 0px; margin: 0px; background: %1; }"
    "QLineEdit:disabled { color: #808080; }";

// Fusion, but flat where the window is flat: buttons filled with their colour inside a
// one-pixel border, frames drawn as a line with nothing filled inside them.
class FlatStyle : public QProxyStyle {
public:
    FlatStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_PanelButtonCommand) {
            const bool down = option->state & (State_Sunken | State_On);
            painter->fillRect(option->rect, down ? kButtonColour.darker(115) : kButtonColour);
            painter->setPen(option->state & State_HasFocus ? Qt::black : kDisabledText);
            painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
            return;
        }
        if (element == PE_FrameGroupBox) {
            // Where Fusion puts it: below the title, which it does not cross.
            const int top =
                std::max(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height()) +
                3;
            const QRect frame = option->rect.adjusted(0, top, -2, -2);
            painter->setPen(kDisabledText);  // etched: a grey line with a white one beside it
            painter->drawRect(frame);
            painter->setPen(Qt::white);
            painter->drawRect(frame.translated(1, 1));
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

// Never deleted: widgets may ask for their style until the very end.
QStyle* WindowStyle() {
    static QStyle* const style = new FlatStyle;
    return style;
}

// Buttons fill with their Button role, text boxes with Base, the rest with Window.
void SetBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    if (!widget->styleSheet().isEmpty()) {
        widget->setStyleSheet(QString(kSmallBoxStyle).arg(colour.name()));
    }
}

}  // namespace

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
    SetBackground(this, kWindowColour);
    BuildControls();
    setStyle(WindowStyle());
    for (QWidget* child : findChildren<QWidget*>()) child->setStyle(WindowStyle());
    SetTabOrder();
    ConnectReactions();
}

void fIHM::SetGeometryTwips(QWidget* widget, double left, double top, double width, double height) {
    widget->setGeometry(RoundToInt32(left / 15), RoundToInt32(top / 15), RoundToInt32(width / 15),
                        RoundToInt32(height / 15));
}

namespace {

// One control of the form: made as its member's type (with its caption when the type takes
// one) inside the control named `container` (the form when empty), then named and placed
// in twips with its tool tip.
struct Control {
    std::function<QWidget*(QWidget*)> make;
    const char* container;
    QString name;
    int left, top, width, height;
    const char* tip = "";
};

template <class T>
std::function<QWidget*(QWidget*)> Into(T*& member, const char* caption = "") {
    return [&member, caption](QWidget* container) -> QWidget* {
        if constexpr (std::is_constructible_v<T, QString, QWidget*>) {
            member = new T(QString::fromUtf8(caption), container);
        } else {
            member = new T(container);
        }
        return member;
    };
}

QString Option(const char* group, int index) { return QString("%1_%2").arg(group).arg(index); }

}  // namespace

void fIHM::BuildControls() {
    const char* const transparentTip =
        "Lorsque le mode transparent n'est pas sélectionné, le texte de Copyright est inséré "
        "sur un fond rectangulaire plein";
    OptionCopyrightColor.fill(nullptr);
    const Control controls[] = {
        {Into(PictureFileSystem), "", "PictureFileSystem", 120, 0, 5895, 4575},
        {Into(FrameFileSystem, "Emplacement des images"), "PictureFileSystem", "FrameFileSystem",
         120, 120, 5775, 4455},
        {Into(drvList), "PictureFileSystem", "drvList", 360, 480, 2535, 285, kFolderTip},
        {Into(dirList), "PictureFileSystem", "dirList", 360, 840, 2535, 3405, kFolderTip},
        {Into(txtSearchSpec, "*.*"), "PictureFileSystem", "txtSearchSpec", 3000, 480, 2655, 285,
         "Filtre(s) des fichiers"},
        {Into(filList), "PictureFileSystem", "filList", 3000, 840, 2655, 3555,
         "Contenu filtré du répertoire sélectionné"},
        {Into(PictureButtons), "", "PictureButtons", 120, 4560, 6015, 1335},
        {Into(FrameButtons, "Action"), "PictureButtons", "FrameButtons", 120, 120, 5775, 1095},
        {Into(cmdGenerate, "&Redimensionner Images"), "FrameButtons", "cmdGenerate", 600, 360, 1560,
         495, "Redimensionner les images dans le répertoire sélectionné"},
        {Into(cmdExit, "E&xit"), "FrameButtons", "cmdExit", 3600, 360, 1560, 495,
         "Non, pitié ! Ne cliquez pas ici !"},
        {Into(PictureOptions), "", "PictureOptions", 6000, 0, 5775, 5895},
        {Into(ImageVisu), "PictureOptions", "ImageVisu", 240, 240, 1695, 1695},
        {Into(ImageVisuSize), "PictureOptions", "ImageVisuSize", 240, 2040, 1695, 225},
        {Into(ProgressBar), "PictureOptions", "ProgressBar", 2040, 960, 3615, 255},
        {Into(FrameOptions, "Options"), "PictureOptions", "FrameOptions", 240, 2400, 3375, 975},
        {Into(OptionExif, "Conserver les données EXIF"), "FrameOptions", "OptionExif", 240, 360,
         3015, 195, "Conserver les données EXIF des images originales"},
        {Into(OptionCopyright, "Insérer un Copyright  sur les images"), "FrameOptions",
         "OptionCopyright", 240, 600, 3015, 195,
         "Insérer un texte de Copyright dans les images (pas dans les miniatures)"},
        {Into(FrameImageSize, "Taille des images"), "PictureOptions", "FrameImageSize", 3840, 2400,
         1815, 2535},
        // The presets 1 to 6 from the top, then "Autre" (0).
        {Into(OptionImageSize[1], "2272 x 1704"), "FrameImageSize", Option("OptionImageSize", 1),
         240, 360, 1455, 195, kSizeTip},
        {Into(OptionImageSize[2], "1152 x 864"), "FrameImageSize", Option("OptionImageSize", 2),
         240, 600, 1455, 195, kSizeTip},
        {Into(OptionImageSize[3], "1024 x 768"), "FrameImageSize", Option("OptionImageSize", 3),
         240, 840, 1455, 195, kSizeTip},
        {Into(OptionImageSize[4], "800 x 600"), "FrameImageSize", Option("OptionImageSize", 4), 240,
         1080, 1455, 195, kSizeTip},
        {Into(OptionImageSize[5], "640 x 480"), "FrameImageSize", Option("OptionImageSize", 5), 240,
         1320, 1455, 195, kSizeTip},
        {Into(OptionImageSize[6], "320 x 240"), "FrameImageSize", Option("OptionImageSize", 6), 240,
         1560, 1455, 195, kSizeTip},
        {Into(OptionImageSize[0], "Autre"), "FrameImageSize", Option("OptionImageSize", 0), 240,
         1800, 1455, 195, kSizeTip},
        {Into(ImageCustomWidth), "FrameImageSize", "ImageCustomWidth", 240, 2040, 495, 225,
         "Largeur maximale des images"},
        {Into(LabelxImage, "x"), "FrameImageSize", "LabelxImage", 720, 2040, 375, 225},
        {Into(ImageCustomHeight), "FrameImageSize", "ImageCustomHeight", 1080, 2040, 495, 225,
         "Hauteur maximale des images"},
        {Into(FrameCopyright, "Copyright"), "PictureOptions", "FrameCopyright", 240, 3480, 3375,
         2295},
        {Into(PictureCopyrightPosition), "FrameCopyright", "PictureCopyrightPosition", 240, 360,
         2895, 450},
        {Into(CopyrightPosition[2], " Haut Gauche"), "PictureCopyrightPosition",
         Option("CopyrightPosition", 2), 120, 0, 1200, 195, kPositionTip},
        {Into(CopyrightPosition[3], "Droite Haut"), "PictureCopyrightPosition",
         Option("CopyrightPosition", 3), 1440, 0, 1200, 195, kPositionTip},
        {Into(CopyrightPosition[1], "  Bas Gauche"), "PictureCopyrightPosition",
         Option("CopyrightPosition", 1), 120, 240, 1200, 195, kPositionTip},
        {Into(CopyrightPosition[0], "Droite Bas"), "PictureCopyrightPosition",
         Option("CopyrightPosition", 0), 1440, 240, 1200, 195, kPositionTip},
        {Into(LabelTextCopyright, "Texte"), "FrameCopyright", "LabelTextCopyright", 240, 960, 375,
         135},
        {Into(TextCopyright), "FrameCopyright", "TextCopyright", 720, 960, 2415, 225},
        {Into(PictureCopyrightSize), "FrameCopyright", "PictureCopyrightSize", 240, 1320, 855, 855},
        {Into(OptionCopyrightSize[0], "Petit"), "PictureCopyrightSize",
         Option("OptionCopyrightSize", 0), 0, 0, 735, 195, kTextSizeTip},
        {Into(OptionCopyrightSize[1], "Moyen"), "PictureCopyrightSize",
         Option("OptionCopyrightSize", 1), 0, 240, 735, 195, kTextSizeTip},
        {Into(OptionCopyrightSize[2], "Grand"), "PictureCopyrightSize",
         Option("OptionCopyrightSize", 2), 0, 480, 735, 195, kTextSizeTip},
        {Into(PictureCopyrightColor), "FrameCopyright", "PictureCopyrightColor", 1080, 1320, 855,
         945},
        {Into(OptionCopyrightColor[0], "Noir"), "PictureCopyrightColor",
         Option("OptionCopyrightColor", 0), 0, 0, 735, 195, kColourTip},
        {Into(OptionCopyrightColor[1], "Blanc"), "PictureCopyrightColor",
         Option("OptionCopyrightColor", 1), 0, 240, 735, 195, kColourTip},
        {Into(OptionCopyrightColor[2], "Jaune"), "PictureCopyrightColor",
         Option("OptionCopyrightColor", 2), 0, 480, 735, 195, kColourTip},
        {Into(OptionCopyrightColor[4], "Bleu"), "PictureCopyrightColor",
         Option("OptionCopyrightColor", 4), 0, 720, 735, 195, kColourTip},
        {Into(PictureCopyrightFont), "FrameCopyright", "PictureCopyrightFont", 2040, 1320, 1095,
         855},
        {Into(OptionCopyrightTransparent, "Transparent"), "PictureCopyrightFont",
         "OptionCopyrightTransparent", 0, 0, 1095, 195, transparentTip},
        {Into(OptionCopyrightOutline, "Contour"), "PictureCopyrightFont", "OptionCopyrightOutline",
         0, 240, 1095, 195, "Créer un effet de contour sur le texte de Copyright"},
    };
    for (const Control& control : controls) {
        QWidget* widget =
            control.make(*control.container ? findChild<QWidget*>(control.container) : this);
        widget->setObjectName(control.name);
        SetGeometryTwips(widget, control.left, control.top, control.width, control.height);
        widget->setToolTip(QString::fromUtf8(control.tip));
        // Group titles and panels keep the form's font; controls have the smaller one.
        if (!qobject_cast<QGroupBox*>(widget) && widget->metaObject() != &QFrame::staticMetaObject)
            widget->setFont(ControlFont());
    }

    FrameFileSystem->lower();  // behind the four controls that lie inside its border
    for (QFrame* frame : {static_cast<QFrame*>(dirList), static_cast<QFrame*>(filList),
                          static_cast<QFrame*>(ImageVisu)})
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);  // flat
    for (QPushButton* button : {cmdGenerate, cmdExit}) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::Button, kButtonColour);
        button->setPalette(palette);
    }
    ImageVisu->setScaledContents(true);
    ImageVisuSize->setAlignment(Qt::AlignCenter);
    ImageVisuSize->setFont(WindowFont());
    ProgressBar->setRange(0, 100);
    ProgressBar->setTextVisible(false);  // the bar alone, as the original control drew it
    LabelxImage->setAlignment(Qt::AlignCenter);
    ImageCustomWidth->raise();  // its right border lies under the "x" label
    // The left-hand buttons carry their mark on the right: the four marks meet in the middle.
    for (int index : {1, 2}) CopyrightPosition[index]->setLayoutDirection(Qt::RightToLeft);
    LabelTextCopyright->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QLineEdit* box : {ImageCustomWidth, ImageCustomHeight, TextCopyright}) {
        box->setAlignment(Qt::AlignCenter);
        box->setStyleSheet(QString(kSmallBoxStyle).arg(kWhite.name()));
    }
    for (QWidget* watched : std::initializer_list<QWidget*>{dirList, filList, txtSearchSpec,
                                                            ImageCustomWidth, ImageCustomHeight}) {
        watched->installEventFilter(this);
    }
}

void fIHM::SetTabOrder() {
    // By the tab indexes of the layout: 0 TextCopyright, 1 and 2 the custom boxes, 4 to 7
    // the browsing controls, 13 to 19 the sizes, 22 and 23 the buttons, then the options.
    const std::vector<QWidget*> order = {TextCopyright,
                                         ImageCustomWidth,
                                         ImageCustomHeight,
                                         txtSearchSpec,
                                         filList,
                                         dirList,
                                         drvList,
                                         OptionImageSize[1],
                                         OptionImageSize[2],
                                         OptionImageSize[3],
                                         OptionImageSize[4],
                                         OptionImageSize[5],
                                         OptionImageSize[6],
                                         OptionImageSize[0],
                                         cmdGenerate,
                                         cmdExit,
                                         OptionCopyright,
                                         CopyrightPosition[3],
                                         CopyrightPosition[0],
                                         CopyrightPosition[2],
                                         CopyrightPosition[1],
                                         OptionCopyrightSize[1],
                                         OptionCopyrightSize[2],
                                         OptionCopyrightSize[0],
                                         OptionCopyrightColor[1],
                                         OptionCopyrightColor[0],
                                         OptionCopyrightColor[2],
                                         OptionCopyrightTransparent,
                                         OptionCopyrightColor[4],
                                         OptionCopyrightOutline,
                                         OptionExif};
    for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void fIHM::KeepTabOnCheckedButtons() {
    // Tab enters a group at its checked button; the arrow keys move within the group.
    const auto follow = [](QRadioButton* button) {
        const auto update = [button](bool checked) {
            button->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
        };
        update(button->isChecked());
        connect(button, &QRadioButton::toggled, button, update);
    };
    for (QRadioButton* button : OptionImageSize) follow(button);
    for (QRadioButton* button : CopyrightPosition) follow(button);
    for (QRadioButton* button : OptionCopyrightSize) follow(button);
    for (QRadioButton* button : OptionCopyrightColor) {
        if (button) follow(button);
    }
}

void fIHM::ConnectReactions() {
    KeepTabOnCheckedButtons();
    connect(cmdGenerate, &QPushButton::clicked, this, &fIHM::cmdGenerate_Click);
    connect(cmdExit, &QPushButton::clicked, this, &fIHM::cmdExit_Click);
    connect(drvList, &DriveList::Change, this, &fIHM::drvList_Change);
    connect(dirList, &FolderList::Change, this, &fIHM::dirList_Change);
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
        SetBackground(widget, kWindowColour);
    }
    for (QRadioButton* button : OptionImageSize) SetBackground(button, kWindowColour);
    SetBackground(ImageCustomWidth, kWhite);
    SetBackground(ImageCustomHeight, kWhite);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{LabelxImage, FrameCopyright, PictureCopyrightPosition}) {
        SetBackground(widget, kWindowColour);
    }
    for (QRadioButton* button : CopyrightPosition) SetBackground(button, kWindowColour);
    SetBackground(LabelTextCopyright, kWindowColour);
    SetBackground(TextCopyright, kWhite);
    SetBackground(PictureCopyrightSize, kWindowColour);
    for (QRadioButton* button : OptionCopyrightSize) SetBackground(button, kWindowColour);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             PictureCopyrightFont, PictureCopyrightColor, OptionCopyrightTransparent,
             OptionCopyrightOutline, PictureButtons, FrameButtons}) {
        SetBackground(widget, kWindowColour);
    }
    for (QRadioButton* button : OptionCopyrightColor) {
        if (button) SetBackground(button, kWindowColour);
    }
    VisuBoxLeft = static_cast<int16_t>(ImageVisu->x() * 15);
    VisuBoxTop = static_cast<int16_t>(ImageVisu->y() * 15);
    VisuBoxWidth = static_cast<int16_t>(ImageVisu->width() * 15);
    VisuBoxHeight = static_cast<int16_t>(ImageVisu->height() * 15);
    SetBackground(ImageVisuSize, kWindowColour);
    txtSearchSpec->setText(imageFilters);
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
        }
    } else if (event->type() == QEvent::FocusIn && watched == txtSearchSpec) {
        txtSearchSpec_GotFocus();
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
    if (!dirList->SetPath(root)) {
        const QSignalBlocker blocker(drvList);
        drvList->setCurrentIndex(
            drvList->findData(QByteArray::fromStdString(drvList->VolumeOf(dirList->Path()))));
    }
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
}

void fIHM::VisualizeImage(const std::string& sFileName) {
    // The picture as stored (no EXIF rotation), decoded at the box's size. Only a regular
    // file is read, once: a FIFO in its place must not block the window.
    std::string content;
    (void)ReadRegularFile(sFileName, content);  // unreadable: the empty preview
    QByteArray bytes = QByteArray::fromRawData(content.data(), qsizetype(content.size()));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.isEmpty()) return ShowPreview(QImage(), QSize());
    reader.setScaledSize(PlacePreview(stored));
    ShowPreview(reader.read(), stored);
}

void fIHM::ShowRunPreview(const QImage& picture, const QSize& stored) {
    previewed_.clear();  // the preview no longer shows the file last clicked
    PlacePreview(stored);
    ShowPreview(picture, stored);
}

namespace {

// The preview's pixel size for a picture stored at `stored`, in a box of boxWidth x
// boxHeight twips: the label gets the picture's shape at the box's longer side (twips
// rounded to pixels as the form places controls), and the picture fills it, never enlarged.
QSize PreviewSize(const QSize& stored, double boxWidth, double boxHeight, qreal ratio) {
    const double w = stored.width(), h = stored.height();
    const double factor = w > h ? w / boxWidth : h / boxHeight;
    const QSize label(RoundToInt32(std::floor(w / factor) / 15),
                      RoundToInt32(std::floor(h / factor) / 15));
    return stored.scaled(label * ratio, Qt::KeepAspectRatio)
        .boundedTo(stored)
        .expandedTo(QSize(1, 1));
}

}  // namespace

std::function<QSize(const QSize&)> fIHM::PreviewSizes() const {
    return [width = double(VisuBoxWidth), height = double(VisuBoxHeight),
            ratio = devicePixelRatio()](const QSize& stored) {
        return PreviewSize(stored, width, height, ratio);
    };
}

QSize fIHM::PlacePreview(const QSize& stored) {
    ImageVisu->hide();
    const double w = stored.width(), h = stored.height();
    const double factor = w > h ? w / VisuBoxWidth : h / VisuBoxHeight;
    SetGeometryTwips(ImageVisu, ImageVisu->x() * 15, ImageVisu->y() * 15, std::floor(w / factor),
                     std::floor(h / factor));
    const int shownWidth = ImageVisu->width() * 15, shownHeight = ImageVisu->height() * 15;
    SetGeometryTwips(ImageVisu, std::floor((VisuBoxWidth - shownWidth) / 2.0) + VisuBoxLeft,
                     std::floor((VisuBoxHeight - shownHeight) / 2.0) + VisuBoxTop, shownWidth,
                     shownHeight);
    return PreviewSize(stored, VisuBoxWidth, VisuBoxHeight, devicePixelRatio());
}

void fIHM::ShowPreview(const QImage& picture, const QSize& stored) {
    ImageVisu->setPixmap(QPixmap::fromImage(picture));
    ImageVisuSize->setText(
        picture.isNull() ? QString() : QString("%1 x %2").arg(stored.width()).arg(stored.height()));
    ImageVisu->show();
    ImageVisu->update();
}

void fIHM::ShowProgressBar() {
    ProgressBar->setMaximum(100);
    ProgressBar->setValue(0);
    ProgressBar->show();
}

void fIHM::SetProgressBar(uint8_t iValue) {
    const int maximum = ProgressBar->maximum();
    ProgressBar->setValue(maximum < iValue ? maximum : iValue);
}

void fIHM::HideProgressBar() { ProgressBar->hide(); }

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
