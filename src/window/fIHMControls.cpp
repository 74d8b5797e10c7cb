#include "tools/Language.h"
#include "window/FormStyle.h"
#include "window/fIHM.h"

// The form's controls as one table (type, caption, container, name, place in twips, tool
// tip), and its tab order.

namespace pixtrim {
namespace {

const char kFolderTip[] =
    QT_TRANSLATE_NOOP("pixtrim", "Choisir ici le répertoire où se trouvent les images");
const char kSizeTip[] = QT_TRANSLATE_NOOP("pixtrim", "Taille maximale souhaitée pour les images");
const char kPositionTip[] =
    QT_TRANSLATE_NOOP("pixtrim", "Position du texte de Copyright dans l'image");
const char kTextSizeTip[] = QT_TRANSLATE_NOOP("pixtrim", "Taille du texte de Copyright");
const char kColorTip[] = QT_TRANSLATE_NOOP("pixtrim", "Couleur du texte de Copyright");

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
            member = new T(TrText(caption), container);
        } else {
            (void)caption;  // a type without a caption
            member = new T(container);
        }
        return member;
    };
}

// "2272 x 1704": a preset's caption, from the one table of presets.
const char* PresetCaption(int index) {
    static const auto captions = [] {
        std::array<std::string, 7> texts;
        for (size_t i = 0; i < texts.size(); ++i)
            texts[i] = std::string(kSizePresets[i].width) + " x " + kSizePresets[i].height;
        return texts;
    }();
    return captions[size_t(index)].c_str();
}

QString Option(const char* group, int index) { return QString("%1_%2").arg(group).arg(index); }

}  // namespace

// One table of the form's controls: long, but read as rows, not as steps.
void fIHM::BuildControls() {  // NOLINT(readability-function-size)
    const char* const transparentTip =
        QT_TRANSLATE_NOOP("pixtrim",
                          "Lorsque le mode transparent n'est pas sélectionné, le texte de "
                          "Copyright est inséré sur un fond rectangulaire plein");
    OptionCopyrightColor.fill(nullptr);
    const Control controls[] = {
        {Into(PictureFileSystem), "", "PictureFileSystem", 120, 0, 5895, 4575},
        {Into(FrameFileSystem, QT_TRANSLATE_NOOP("pixtrim", "Emplacement des images")),
         "PictureFileSystem", "FrameFileSystem", 120, 120, 5775, 4455},
        {Into(drvList), "PictureFileSystem", "drvList", 360, 480, 2535, 285, kFolderTip},
        {Into(dirList), "PictureFileSystem", "dirList", 360, 840, 2535, 3405, kFolderTip},
        {Into(txtSearchSpec, "*.*"), "PictureFileSystem", "txtSearchSpec", 3000, 480, 2655, 285,
         QT_TRANSLATE_NOOP("pixtrim", "Filtre(s) des fichiers")},
        {Into(filList), "PictureFileSystem", "filList", 3000, 840, 2655, 3555,
         QT_TRANSLATE_NOOP("pixtrim", "Contenu filtré du répertoire sélectionné")},
        {Into(PictureButtons), "", "PictureButtons", 120, 4560, 6015, 1335},
        {Into(FrameButtons, QT_TRANSLATE_NOOP("pixtrim", "Action")), "PictureButtons",
         "FrameButtons", 120, 120, 5775, 1095},
        {Into(cmdGenerate, QT_TRANSLATE_NOOP("pixtrim", "&Redimensionner Images")), "FrameButtons",
         "cmdGenerate", 600, 360, 1560, 495,
         QT_TRANSLATE_NOOP("pixtrim", "Redimensionner les images dans le répertoire sélectionné")},
        {Into(cmdExit, QT_TRANSLATE_NOOP("pixtrim", "E&xit")), "FrameButtons", "cmdExit", 3600, 360,
         1560, 495, QT_TRANSLATE_NOOP("pixtrim", "Non, pitié ! Ne cliquez pas ici !")},
        {Into(PictureOptions), "", "PictureOptions", 6000, 0, 5775, 5895},
        {Into(ImageVisu), "PictureOptions", "ImageVisu", 240, 240, 1695, 1695},
        {Into(ImageVisuSize), "PictureOptions", "ImageVisuSize", 240, 2040, 1695, 225},
        {Into(ProgressBar), "PictureOptions", "ProgressBar", 2040, 960, 3615, 255},
        {Into(FrameOptions, QT_TRANSLATE_NOOP("pixtrim", "Options")), "PictureOptions",
         "FrameOptions", 240, 2400, 3375, 975},
        {Into(OptionExif, QT_TRANSLATE_NOOP("pixtrim", "Conserver les données EXIF")),
         "FrameOptions", "OptionExif", 240, 360, 3015, 195,
         QT_TRANSLATE_NOOP("pixtrim", "Conserver les données EXIF des images originales")},
        {Into(OptionCopyright,
              QT_TRANSLATE_NOOP("pixtrim", "Insérer un Copyright  sur les images")),
         "FrameOptions", "OptionCopyright", 240, 600, 3015, 195,
         QT_TRANSLATE_NOOP(
             "pixtrim", "Insérer un texte de Copyright dans les images (pas dans les miniatures)")},
        {Into(FrameImageSize, QT_TRANSLATE_NOOP("pixtrim", "Taille des images")), "PictureOptions",
         "FrameImageSize", 3840, 2400, 1815, 2535},
        // The presets 1 to 6 from the top, then "Autre" (0).
        {Into(OptionImageSize[1], PresetCaption(1)), "FrameImageSize", Option("OptionImageSize", 1),
         240, 360, 1455, 195, kSizeTip},
        {Into(OptionImageSize[2], PresetCaption(2)), "FrameImageSize", Option("OptionImageSize", 2),
         240, 600, 1455, 195, kSizeTip},
        {Into(OptionImageSize[3], PresetCaption(3)), "FrameImageSize", Option("OptionImageSize", 3),
         240, 840, 1455, 195, kSizeTip},
        {Into(OptionImageSize[4], PresetCaption(4)), "FrameImageSize", Option("OptionImageSize", 4),
         240, 1080, 1455, 195, kSizeTip},
        {Into(OptionImageSize[5], PresetCaption(5)), "FrameImageSize", Option("OptionImageSize", 5),
         240, 1320, 1455, 195, kSizeTip},
        {Into(OptionImageSize[6], PresetCaption(6)), "FrameImageSize", Option("OptionImageSize", 6),
         240, 1560, 1455, 195, kSizeTip},
        {Into(OptionImageSize[0], QT_TRANSLATE_NOOP("pixtrim", "Autre")), "FrameImageSize",
         Option("OptionImageSize", 0), 240, 1800, 1455, 195, kSizeTip},
        {Into(ImageCustomWidth), "FrameImageSize", "ImageCustomWidth", 240, 2040, 495, 225,
         QT_TRANSLATE_NOOP("pixtrim", "Largeur maximale des images")},
        {Into(LabelxImage, "x"), "FrameImageSize", "LabelxImage", 720, 2040, 375, 225},
        {Into(ImageCustomHeight), "FrameImageSize", "ImageCustomHeight", 1080, 2040, 495, 225,
         QT_TRANSLATE_NOOP("pixtrim", "Hauteur maximale des images")},
        {Into(FrameCopyright, "Copyright"), "PictureOptions", "FrameCopyright", 240, 3480, 3375,
         2295},
        {Into(PictureCopyrightPosition), "FrameCopyright", "PictureCopyrightPosition", 240, 360,
         2895, 450},
        {Into(CopyrightPosition[2], QT_TRANSLATE_NOOP("pixtrim", " Haut Gauche")),
         "PictureCopyrightPosition", Option("CopyrightPosition", 2), 120, 0, 1200, 195,
         kPositionTip},
        {Into(CopyrightPosition[3], QT_TRANSLATE_NOOP("pixtrim", "Droite Haut")),
         "PictureCopyrightPosition", Option("CopyrightPosition", 3), 1440, 0, 1200, 195,
         kPositionTip},
        {Into(CopyrightPosition[1], QT_TRANSLATE_NOOP("pixtrim", "  Bas Gauche")),
         "PictureCopyrightPosition", Option("CopyrightPosition", 1), 120, 240, 1200, 195,
         kPositionTip},
        {Into(CopyrightPosition[0], QT_TRANSLATE_NOOP("pixtrim", "Droite Bas")),
         "PictureCopyrightPosition", Option("CopyrightPosition", 0), 1440, 240, 1200, 195,
         kPositionTip},
        {Into(LabelTextCopyright, QT_TRANSLATE_NOOP("pixtrim", "Texte")), "FrameCopyright",
         "LabelTextCopyright", 240, 960, 375, 135},
        {Into(TextCopyright), "FrameCopyright", "TextCopyright", 720, 960, 2415, 225},
        {Into(PictureCopyrightSize), "FrameCopyright", "PictureCopyrightSize", 240, 1320, 855, 855},
        {Into(OptionCopyrightSize[0], QT_TRANSLATE_NOOP("pixtrim", "Petit")),
         "PictureCopyrightSize", Option("OptionCopyrightSize", 0), 0, 0, 735, 195, kTextSizeTip},
        {Into(OptionCopyrightSize[1], QT_TRANSLATE_NOOP("pixtrim", "Moyen")),
         "PictureCopyrightSize", Option("OptionCopyrightSize", 1), 0, 240, 735, 195, kTextSizeTip},
        {Into(OptionCopyrightSize[2], QT_TRANSLATE_NOOP("pixtrim", "Grand")),
         "PictureCopyrightSize", Option("OptionCopyrightSize", 2), 0, 480, 735, 195, kTextSizeTip},
        {Into(PictureCopyrightColor), "FrameCopyright", "PictureCopyrightColor", 1080, 1320, 855,
         945},
        {Into(OptionCopyrightColor[0], QT_TRANSLATE_NOOP("pixtrim", "Noir")),
         "PictureCopyrightColor", Option("OptionCopyrightColor", 0), 0, 0, 735, 195, kColorTip},
        {Into(OptionCopyrightColor[1], QT_TRANSLATE_NOOP("pixtrim", "Blanc")),
         "PictureCopyrightColor", Option("OptionCopyrightColor", 1), 0, 240, 735, 195, kColorTip},
        {Into(OptionCopyrightColor[2], QT_TRANSLATE_NOOP("pixtrim", "Jaune")),
         "PictureCopyrightColor", Option("OptionCopyrightColor", 2), 0, 480, 735, 195, kColorTip},
        {Into(OptionCopyrightColor[4], QT_TRANSLATE_NOOP("pixtrim", "Bleu")),
         "PictureCopyrightColor", Option("OptionCopyrightColor", 4), 0, 720, 735, 195, kColorTip},
        {Into(PictureCopyrightFont), "FrameCopyright", "PictureCopyrightFont", 2040, 1320, 1095,
         855},
        {Into(OptionCopyrightTransparent, QT_TRANSLATE_NOOP("pixtrim", "Transparent")),
         "PictureCopyrightFont", "OptionCopyrightTransparent", 0, 0, 1095, 195, transparentTip},
        {Into(OptionCopyrightOutline, QT_TRANSLATE_NOOP("pixtrim", "Contour")),
         "PictureCopyrightFont", "OptionCopyrightOutline", 0, 240, 1095, 195,
         QT_TRANSLATE_NOOP("pixtrim", "Créer un effet de contour sur le texte de Copyright")},
    };
    for (const Control& control : controls) {
        QWidget* widget =
            control.make(*control.container ? findChild<QWidget*>(control.container) : this);
        widget->setObjectName(control.name);
        SetGeometryTwips(widget, control.left, control.top, control.width, control.height);
        widget->setToolTip(TrText(control.tip));
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
        palette.setColor(QPalette::Button, kButtonColor);
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
    for (QWidget* watched :
         std::initializer_list<QWidget*>{dirList, filList, txtSearchSpec, ImageCustomWidth,
                                         ImageCustomHeight, cmdGenerate, cmdExit}) {
        watched->installEventFilter(this);
    }
}

void fIHM::SetTabOrder() {
    // By the tab indexes of the layout: 0 TextCopyright, 1 and 2 the custom boxes, 4 to 7
    // the browsing controls, 13 to 19 the sizes, 22 and 23 the buttons, then the options.
    tabOrder_ = {TextCopyright,
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
    for (size_t i = 1; i < tabOrder_.size(); ++i) setTabOrder(tabOrder_[i - 1], tabOrder_[i]);
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

}  // namespace pixtrim
