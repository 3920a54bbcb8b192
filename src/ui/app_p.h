#pragma once
// Toolkit-internal parts of the application object.
#include <QString>

namespace ui::detail {
// Qt platform in use ("xcb", "wayland", "offscreen", ...).
QString platformName();
bool onWayland();
} // namespace ui::detail
