#include "units.h"

#include <QGuiApplication>
#include <QScreen>

namespace ui {

namespace {
double forcedX = 0, forcedY = 0;

double screenFactor(bool x) {
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (QScreen *s = app->primaryScreen()) {
            const double dpi = x ? s->logicalDotsPerInchX() : s->logicalDotsPerInchY();
            if (dpi > 0) return 1440.0 / dpi;
        }
    }
    return 15.0;
}
} // namespace

double Screen::TwipsPerPixelX() { return forcedX > 0 ? forcedX : screenFactor(true); }
double Screen::TwipsPerPixelY() { return forcedY > 0 ? forcedY : screenFactor(false); }

void Screen::setTwipsPerPixel(double x, double y) {
    forcedX = x;
    forcedY = y;
}

} // namespace ui
