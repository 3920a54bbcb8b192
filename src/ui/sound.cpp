#include "platform.h"

namespace ui {

bool sndPlaySound(const QString &path, unsigned flags) {
    (void)path;
    (void)flags;
    return false;
}

} // namespace ui
