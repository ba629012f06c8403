// Driving a window as a user does: a button is clicked and a menu command triggered only when
// a user could reach it, enabled and not hidden in its window. A test that would click a
// control that is off fails here, instead of passing on a click no user could make.
#pragma once

#include <QAbstractButton>
#include <QAction>
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

} // namespace folio::test
