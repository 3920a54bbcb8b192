#pragma once
// The toolkit's side of the test seams.
#include "testing.h"

namespace ui::testing {
std::function<void()> &endHook();
std::function<int(const QString &, int, const QString &)> &msgBoxHook();
std::function<int(const Menu &)> &popupHook();
std::function<void(Form &)> &modalHook();
} // namespace ui::testing
