#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <string>

#include "qt/form_view.h"

namespace kv3::qt {

// Shows the view and waits until it is on the (offscreen) screen.
inline void ShowAndWait(FormView& view) {
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
}

// The widget of the named control, as the expected widget class; a test failure when missing.
template <class W>
W* WidgetNamed(const FormView& view, const std::string& name) {
  W* found = view.widgetAs<W>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

}  // namespace kv3::qt
