#include "window/fIHM.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QBuffer>
#include <QImageReader>
#include <QPixmap>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <QPainter>
#include <QStyleOption>
#include <cmath>

#include "tools/HeldFolder.h"
#include "tools/Tools.h"

// The icon lives in this library's resources, which a static library must register itself.
static void InitResources() { Q_INIT_RESOURCE(pixtrim); }

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
            const int top = std::max(pixelMetric(PM_ExclusiveIndicatorHeight),
                                     option->fontMetrics.height()) +
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

QFrame* MakePanel(QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setFrameShape(QFrame::NoFrame);
    return panel;
}


}  // namespace

fIHM::fIHM(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("fIHM");
    setWindowTitle("Pixtrim");
    InitResources();
    setWindowIcon(QIcon(QPixmap(":/pixtrim.xpm")));
    setFixedSize(TwipsToPixels(11880), TwipsToPixels(6015));
    setFont(WindowFont());
    // Greyed text that still reads on the form's grey.
    QPalette palette = this->palette();
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
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

void fIHM::BuildControls() {
    // Places a control in its container, names it, and gives it its caption and tool tip.
    const auto place = [this](auto* widget, const QString& name, int left, int top, int width,
                              int height, const QString& tip = QString()) {
        widget->setObjectName(name);
        SetGeometryTwips(widget, left, top, width, height);
        if (!tip.isEmpty()) widget->setToolTip(tip);
        if (!qobject_cast<QGroupBox*>(widget) &&
            widget->metaObject() != &QFrame::staticMetaObject) {
            widget->setFont(ControlFont());
        }
        return widget;
    };
    const auto option = [&](QWidget* parent, const QString& group, int index,
                            const QString& caption, int left, int top, int width,
                            const QString& tip) {
        auto* button = new QRadioButton(caption, parent);
        return place(button, group + "_" + QString::number(index), left, top, width, 195, tip);
    };

    PictureFileSystem = place(MakePanel(this), "PictureFileSystem", 120, 0, 5895, 4575);
    FrameFileSystem = place(new QGroupBox("Emplacement des images", PictureFileSystem),
                            "FrameFileSystem", 120, 120, 5775, 4455);
    drvList = place(new DriveList(PictureFileSystem), "drvList", 360, 480, 2535, 285, kFolderTip);
    dirList = place(new FolderList(PictureFileSystem), "dirList", 360, 840, 2535, 3405, kFolderTip);
    txtSearchSpec = place(new QLineEdit("*.*", PictureFileSystem), "txtSearchSpec", 3000, 480, 2655,
                          285, "Filtre(s) des fichiers");
    filList = place(new FileList(PictureFileSystem), "filList", 3000, 840, 2655, 3555,
                    "Contenu filtré du répertoire sélectionné");
    FrameFileSystem->lower();  // behind the four controls that lie inside its border
    for (QFrame* list : {static_cast<QFrame*>(dirList), static_cast<QFrame*>(filList)}) {
        list->setFrameStyle(QFrame::Box | QFrame::Plain);  // flat
    }

    PictureButtons = place(MakePanel(this), "PictureButtons", 120, 4560, 6015, 1335);
    FrameButtons =
        place(new QGroupBox("Action", PictureButtons), "FrameButtons", 120, 120, 5775, 1095);
    cmdGenerate = place(new QPushButton("&Redimensionner Images", FrameButtons), "cmdGenerate", 600,
                        360, 1560, 495, "Redimensionner les images dans le répertoire sélectionné");
    cmdExit = place(new QPushButton("E&xit", FrameButtons), "cmdExit", 3600, 360, 1560, 495,
                    "Non, pitié ! Ne cliquez pas ici !");
    for (QPushButton* button : {cmdGenerate, cmdExit}) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::Button, kButtonColour);
        button->setPalette(palette);
    }

    PictureOptions = place(MakePanel(this), "PictureOptions", 6000, 0, 5775, 5895);
    ImageVisu = place(new QLabel(PictureOptions), "ImageVisu", 240, 240, 1695, 1695);
    ImageVisu->setFrameStyle(QFrame::Box | QFrame::Plain);
    ImageVisu->setScaledContents(true);
    ImageVisuSize = place(new QLabel(PictureOptions), "ImageVisuSize", 240, 2040, 1695, 225);
    ImageVisuSize->setAlignment(Qt::AlignCenter);
    ImageVisuSize->setFont(WindowFont());
    ProgressBar = place(new QProgressBar(PictureOptions), "ProgressBar", 2040, 960, 3615, 255);
    ProgressBar->setRange(0, 100);

    FrameOptions =
        place(new QGroupBox("Options", PictureOptions), "FrameOptions", 240, 2400, 3375, 975);
    OptionExif = place(new QCheckBox("Conserver les données EXIF", FrameOptions), "OptionExif", 240,
                       360, 3015, 195, "Conserver les données EXIF des images originales");
    OptionCopyright = place(
        new QCheckBox("Insérer un Copyright  sur les images", FrameOptions), "OptionCopyright", 240,
        600, 3015, 195, "Insérer un texte de Copyright dans les images (pas dans les miniatures)");

    FrameImageSize = place(new QGroupBox("Taille des images", PictureOptions), "FrameImageSize",
                           3840, 2400, 1815, 2535);
    const char* presets[] = {"Autre",     "2272 x 1704", "1152 x 864", "1024 x 768",
                             "800 x 600", "640 x 480",   "320 x 240"};
    for (int i = 1; i <= 7; ++i) {
        const int index = i % 7;  // the presets 1 to 6 from the top, then "Autre" (0)
        OptionImageSize[index] = option(FrameImageSize, "OptionImageSize", index, presets[index],
                                        240, 360 + 240 * (i - 1), 1455, kSizeTip);
    }
    ImageCustomWidth = place(new QLineEdit(FrameImageSize), "ImageCustomWidth", 240, 2040, 495, 225,
                             "Largeur maximale des images");
    LabelxImage = place(new QLabel("x", FrameImageSize), "LabelxImage", 720, 2040, 375, 225);
    LabelxImage->setAlignment(Qt::AlignCenter);
    ImageCustomWidth->raise();  // its right border lies under the "x" label
    ImageCustomHeight = place(new QLineEdit(FrameImageSize), "ImageCustomHeight", 1080, 2040, 495,
                              225, "Hauteur maximale des images");

    FrameCopyright =
        place(new QGroupBox("Copyright", PictureOptions), "FrameCopyright", 240, 3480, 3375, 2295);
    PictureCopyrightPosition =
        place(MakePanel(FrameCopyright), "PictureCopyrightPosition", 240, 360, 2895, 450);
    CopyrightPosition[2] = option(PictureCopyrightPosition, "CopyrightPosition", 2, " Haut Gauche",
                                  120, 0, 1200, kPositionTip);
    CopyrightPosition[3] = option(PictureCopyrightPosition, "CopyrightPosition", 3, "Droite Haut",
                                  1440, 0, 1200, kPositionTip);
    CopyrightPosition[1] = option(PictureCopyrightPosition, "CopyrightPosition", 1, "  Bas Gauche",
                                  120, 240, 1200, kPositionTip);
    CopyrightPosition[0] = option(PictureCopyrightPosition, "CopyrightPosition", 0, "Droite Bas",
                                  1440, 240, 1200, kPositionTip);
    // The left-hand buttons carry their mark on the right: the four marks meet in the middle.
    for (int index : {1, 2}) CopyrightPosition[index]->setLayoutDirection(Qt::RightToLeft);
    LabelTextCopyright =
        place(new QLabel("Texte", FrameCopyright), "LabelTextCopyright", 240, 960, 375, 135);
    LabelTextCopyright->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    TextCopyright = place(new QLineEdit(FrameCopyright), "TextCopyright", 720, 960, 2415, 225);

    PictureCopyrightSize =
        place(MakePanel(FrameCopyright), "PictureCopyrightSize", 240, 1320, 855, 855);
    const char* sizes[] = {"Petit", "Moyen", "Grand"};
    for (int i = 0; i < 3; ++i) {
        OptionCopyrightSize[i] = option(PictureCopyrightSize, "OptionCopyrightSize", i, sizes[i], 0,
                                        240 * i, 735, kTextSizeTip);
    }
    PictureCopyrightColor =
        place(MakePanel(FrameCopyright), "PictureCopyrightColor", 1080, 1320, 855, 945);
    const char* colours[] = {"Noir", "Blanc", "Jaune", nullptr, "Bleu"};
    OptionCopyrightColor.fill(nullptr);
    for (int index : {0, 1, 2, 4}) {
        OptionCopyrightColor[index] =
            option(PictureCopyrightColor, "OptionCopyrightColor", index, colours[index], 0,
                   240 * (index == 4 ? 3 : index), 735, kColourTip);
    }
    PictureCopyrightFont =
        place(MakePanel(FrameCopyright), "PictureCopyrightFont", 2040, 1320, 1095, 855);
    OptionCopyrightTransparent = place(new QCheckBox("Transparent", PictureCopyrightFont),
                                       "OptionCopyrightTransparent", 0, 0, 1095, 195,
                                       "Lorsque le mode transparent n'est pas sélectionné, le "
                                       "texte de Copyright est inséré sur un "
                                       "fond rectangulaire plein");
    OptionCopyrightOutline =
        place(new QCheckBox("Contour", PictureCopyrightFont), "OptionCopyrightOutline", 0, 240,
              1095, 195, "Créer un effet de contour sur le texte de Copyright");

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
    txtSearchSpec->selectAll();
    // A click places the cursor after the focus arrives: select again once it has.
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
    ReadRegularFile(sFileName, content);
    QByteArray bytes = QByteArray::fromRawData(content.data(), qsizetype(content.size()));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.isEmpty()) return ShowPreview(QImage(), QSize());
    reader.setScaledSize(PlacePreview(stored));
    ShowPreview(reader.read(), stored);
}

void fIHM::VisualizePicture(const QImage& picture, const QSize& stored) {
    previewed_.clear();  // the preview no longer shows the file last clicked
    if (picture.isNull() || !stored.isValid() || stored.isEmpty()) {
        return ShowPreview(QImage(), QSize());
    }
    ShowPreview(picture.scaled(PlacePreview(stored), Qt::IgnoreAspectRatio,
                               Qt::SmoothTransformation),
                stored);
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
    return stored.scaled(ImageVisu->size() * devicePixelRatio(), Qt::KeepAspectRatio)
        .boundedTo(stored)
        .expandedTo(QSize(1, 1));
}

void fIHM::ShowPreview(const QImage& picture, const QSize& stored) {
    ImageVisu->setPixmap(QPixmap::fromImage(picture));
    ImageVisuSize->setText(
        picture.isNull() ? QString() : QString("%1 x %2").arg(stored.width()).arg(stored.height()));
    ImageVisu->show();
    ImageVisu->repaint();
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
