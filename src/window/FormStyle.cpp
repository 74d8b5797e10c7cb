// The form's look: its fonts, the flat style over Fusion, the small text boxes' border and
// the backgrounds.
#include "window/FormStyle.h"

#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <algorithm>

#include "window/fIHM.h"

namespace pixtrim {

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
extern const char kSmallBoxStyle[] =
    "QLineEdit { border: 1px solid #808080; padding: 0px; margin: 0px; background: %1; }"
    "QLineEdit:disabled { color: #808080; }";

namespace {

// Fusion, but flat where the window is flat: buttons filled with their color inside a
// one-pixel border, frames drawn as a line with nothing filled inside them.
class FlatStyle : public QProxyStyle {
public:
    FlatStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_PanelButtonCommand) {
            const bool down = option->state & (State_Sunken | State_On);
            painter->fillRect(option->rect, down ? kButtonColor.darker(115) : kButtonColor);
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

}  // namespace

// Never deleted: widgets may ask for their style until the very end.
QStyle* WindowStyle() {
    static QStyle* const style = new FlatStyle;
    return style;
}

// Buttons fill with their Button role, text boxes with Base, the rest with Window.
void SetBackground(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    if (!widget->styleSheet().isEmpty()) {
        widget->setStyleSheet(QString(kSmallBoxStyle).arg(color.name()));
    }
}

}  // namespace pixtrim
