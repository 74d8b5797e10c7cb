// The window as a user meets it, for comparing with files under tests/data/window: a text
// with its title, size, place and icon, then one line per control in the order Tab visits
// them (what it shows, whether it is hidden, greyed or checked, its place and tool tip),
// and a picture of it. Run with PIXTRIM_REGENERATE=1 (scripts/golden does) to write the
// files anew; a commit that changes them says why, also when a new toolkit or font moved
// the pictures.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QScreen>
#include <QTextStream>
#include <QWidget>
#include <cstdlib>

#include "support/Files.h"

namespace pixtrim::test {

// A list's entries as its items hold them, blanks around them left out, the current one in
// brackets.
inline QStringList ListEntries(const QListWidget& list) {
    QStringList entries;
    for (int i = 0; i < list.count(); ++i) {
        const QString text = list.item(i)->text().trimmed();
        entries << (i == list.currentRow() ? "[" + text + "]" : text);
    }
    return entries;
}

inline QString ControlState(QWidget& window, QWidget& w) {
    QString line = w.objectName();
    QTextStream out(&line);
    if (!w.isVisibleTo(&window)) out << " hidden";
    if (!w.isEnabled()) out << " greyed";
    if (w.hasFocus()) out << " focused";
    const QRect g = w.geometry();
    out << " @" << g.x() << "," << g.y() << " " << g.width() << "x" << g.height();
    if (auto* button = qobject_cast<QAbstractButton*>(&w)) {
        out << (button->isChecked() ? " checked" : "") << " \"" << button->text() << "\"";
    } else if (auto* label = qobject_cast<QLabel*>(&w)) {
        out << " \"" << label->text() << "\"" << (label->pixmap().isNull() ? "" : " picture");
    } else if (auto* box = qobject_cast<QLineEdit*>(&w)) {
        out << " \"" << box->text() << "\" on " << box->palette().color(QPalette::Base).name();
    } else if (auto* bar = qobject_cast<QProgressBar*>(&w)) {
        out << " " << bar->value() << "%";
    } else if (auto* list = qobject_cast<QListWidget*>(&w)) {
        for (const QString& entry : ListEntries(*list)) out << " " << entry;
    }
    if (!w.toolTip().isEmpty()) out << "\n    tip: " << w.toolTip();
    return line + "\n";
}

inline std::string WindowState(QWidget& window) {
    QString text;
    // The version moves with every release; the title around it is what is stored.
    const QRect screen = window.screen()->availableGeometry(), shown = window.geometry();
    const bool centred =
        std::abs((shown.left() - screen.left()) - (screen.right() - shown.right())) <= 1 &&
        std::abs((shown.top() - screen.top()) - (screen.bottom() - shown.bottom())) <= 1;
    const QSize icon = window.windowIcon().availableSizes().value(0);
    QTextStream(&text) << window.windowTitle().replace(PIXTRIM_VERSION, "VERSION") << " "
                       << window.width() << "x" << window.height()
                       << (window.minimumSize() == window.maximumSize() ? " fixed" : " resizable")
                       << (centred ? " centred" : "") << " icon " << icon.width() << "x"
                       << icon.height() << "\n";
    for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain())
        if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
            text += ControlState(window, *w);
    return text.toStdString();
}

// The mean difference of two pictures of one size, of 255, over every channel of every pixel.
inline double MeanDifference(const QImage& a, const QImage& b) {
    const QImage first = a.convertToFormat(QImage::Format_RGB888);
    const QImage second = b.convertToFormat(QImage::Format_RGB888);
    double difference = 0;
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width() * 3; ++x)
            difference += std::abs(first.constScanLine(y)[x] - second.constScanLine(y)[x]);
    return difference / (first.width() * first.height() * 3.0);
}

// The window's state and picture are the stored ones of `name` (tests/data/window).
inline void ExpectWindowAsStored(QWidget& window, const std::string& name) {
    const std::string base = DataFile("window/" + name);
    ExpectAsStored(WindowState(window), "window/" + name + ".txt");
    const QImage picture = window.grab().toImage();
    if (Regenerating()) {
        picture.save(QString::fromStdString(base + ".png"));
        return;
    }
    // Pixels within a small difference: antialiasing may move with the font library.
    const QImage stored(QString::fromStdString(base + ".png"));
    ASSERT_EQ(picture.size(), stored.size()) << name;
    const double mean = MeanDifference(picture, stored);
    if (mean > 0.2) picture.save(QString::fromStdString("/tmp/pixtrim-" + name + ".png"));
    EXPECT_LE(mean, 0.2) << name << ": the picture differs; see /tmp/pixtrim-" << name << ".png";
}

}  // namespace pixtrim::test
