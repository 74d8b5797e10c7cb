#include "app/WindowSettings.h"

#include "tools/TextCase.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

std::string Trimmed(const QString& text) { return TrimBlanks(text.toStdString()); }
QString TrimmedText(const std::string& text) { return DisplayText(TrimBlanks(text)); }

// The index of the checked button of a group, or `fallback` when none is.
template <size_t N>
int CheckedIndex(const std::array<QRadioButton*, N>& group, int fallback) {
    for (size_t index = 0; index < N; ++index) {
        if (group[index] && group[index]->isChecked()) return static_cast<int>(index);
    }
    return fallback;
}

// Selects `index` in its group, or `fallback` when the group has no such button.
template <size_t N>
void SelectOption(const std::array<QRadioButton*, N>& group, int index, int fallback) {
    fIHM::ClearOptionGroup(group.data(), static_cast<int>(N));
    const bool exists = index >= 0 && index < static_cast<int>(N) && group[index];
    group[exists ? index : fallback]->setChecked(true);
}

}  // namespace

void ReadSettingsFromWindow(Settings& settings, const fIHM& window) {
    settings.ImageFolder = window.dirList->Path();  // exact: a blank may end a folder's name
    settings.KeepExif = window.OptionExif->isChecked();
    settings.InsertCopyright = window.OptionCopyright->isChecked();
    settings.CustomWidth = Trimmed(window.ImageCustomWidth->text());
    settings.CustomHeight = Trimmed(window.ImageCustomHeight->text());
    settings.ImageWidth = TrimBlanks(settings.CustomWidth);
    settings.ImageHeight = TrimBlanks(settings.CustomHeight);
    if (const int preset = CheckedIndex(window.OptionImageSize, 0); preset > 0) {
        settings.ImageWidth = kSizePresets[preset].width;
        settings.ImageHeight = kSizePresets[preset].height;
    }
    settings.CopyrightText = Trimmed(window.TextCopyright->text());
    settings.CopyrightPlace = static_cast<uint8_t>(CheckedIndex(window.CopyrightPosition, 0));
    settings.CopyrightSize = static_cast<uint8_t>(CheckedIndex(window.OptionCopyrightSize, 1));
    settings.CopyrightTransparent = window.OptionCopyrightTransparent->isChecked();
    settings.CopyrightOutline = window.OptionCopyrightOutline->isChecked();
    settings.CopyrightColor = static_cast<int16_t>(CheckedIndex(window.OptionCopyrightColor, 1));
}

void ApplySettingsToWindow(const Settings& settings, fIHM& window) {
    window.dirList->SetPath(settings.ImageFolder);
    window.drvList->SelectVolumeOf(window.dirList->Path());
    window.OptionExif->setChecked(settings.KeepExif);
    window.Public_OptionExif_Click();
    window.OptionCopyright->setChecked(settings.InsertCopyright);
    window.Public_OptionCopyright_Click();
    for (int index = 1; index <= 6; ++index) {
        window.OptionImageSize[index]->setText(TrimmedText(kSizePresets[index].width) + " x " +
                                               TrimmedText(kSizePresets[index].height));
    }
    fIHM::ClearOptionGroup(window.OptionImageSize.data(), 7);
    window.ImageCustomWidth->setText(TrimmedText(settings.CustomWidth));
    window.ImageCustomHeight->setText(TrimmedText(settings.CustomHeight));
    int16_t selected = 0;
    for (int16_t index = 1; index <= 6 && selected == 0; ++index) {
        if (settings.ImageWidth == kSizePresets[index].width &&
            settings.ImageHeight == kSizePresets[index].height) {
            selected = index;
        }
    }
    window.OptionImageSize[selected]->setChecked(true);
    if (selected == 0) window.Public_OptionImageSize_Click(selected);
    window.TextCopyright->setText(TrimmedText(settings.CopyrightText));
    SelectOption(window.CopyrightPosition, settings.CopyrightPlace, 0);
    SelectOption(window.OptionCopyrightSize, settings.CopyrightSize, 1);
    window.OptionCopyrightTransparent->setChecked(settings.CopyrightTransparent);
    window.OptionCopyrightOutline->setChecked(settings.CopyrightOutline);
    SelectOption(window.OptionCopyrightColor, settings.CopyrightColor, 1);
}

}  // namespace pixtrim
