// Driving a window as a user does: a button is clicked and a menu command triggered only when
// a user could reach it, enabled and not hidden in its window. A test that would click a
// control that is off fails here, instead of passing on a click no user could make.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace folio::test {

inline void clickEnabled(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    const std::string name = button->objectName().toStdString();
    ASSERT_TRUE(button->isEnabled()) << name << " is off";
    ASSERT_TRUE(button->isVisibleTo(button->window())) << name << " is hidden";
    button->click();
}

inline void triggerEnabled(QAction* action) {
    ASSERT_NE(action, nullptr);
    const std::string name = action->objectName().toStdString();
    ASSERT_TRUE(action->isEnabled()) << name << " is off";
    ASSERT_TRUE(action->isVisible()) << name << " is hidden";
    action->trigger();
}

// Types text into widget one key at a time, letters beyond ASCII too (as a keyboard layout or an
// input method gives them), where QTest::keyClicks takes ASCII only.
inline void typeText(QWidget* widget, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, text.mid(i, length),
                            Qt::NoModifier);
        i += length - 1;
    }
}

} // namespace folio::test
