// The form's look, shared by the form and its control table. Called on the window's thread.
#pragma once

#include <QColor>
#include <QFont>
#include <QStyle>
#include <QWidget>

namespace pixtrim {

// The form's font (Arial 8.25 bold) and the controls' smaller one (6.75 bold).
QFont WindowFont();
QFont ControlFont();
// The small text boxes' style sheet; %1 is their background color.
extern const char kSmallBoxStyle[];
// Fusion made flat where the form is flat; lives as long as the program.
QStyle* WindowStyle();
// Fills the widget's background with `color` (its style sheet too, for the small boxes).
void SetBackground(QWidget* widget, const QColor& color);

}  // namespace pixtrim
