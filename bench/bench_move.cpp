// Instructions spent on one pointer move over a push button and over the
// window's free area, the handler alone and with the repaint it causes. Run
// it under
//   valgrind --tool=callgrind --instr-atstart=no
// and each measured batch is written as a dump of its own, named after the
// batch; without valgrind it prints the wall-clock time per move instead.
#include "app/frmMain.h"
#include "ui/app.h"
#include "ui/qt/backend_qt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <exception>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define RUNNING_ON_VALGRIND 0
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(s) ((void)(s))
#endif

namespace {

// A point of the window's own surface that no control covers.
QPoint freePoint(QWidget *window) {
    auto &form = dynamic_cast<ui::FormWidget *>(window)->form;
    for (int y = window->height() / 2; y < window->height() - 4; y += 3)
        for (int x = 4; x < window->width() - 4; x += 3)
            if (!window->childAt(x, y) && !form.controlAt(x - form.framePx(), y - form.framePx())) return QPoint(x, y);
    return QPoint(-1, -1);
}

void move(QWidget *target, QPoint at) {
    QMouseEvent e(QEvent::MouseMove, QPointF(at), target->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

// `moves` moves over `target`, a pixel to and fro; with `paint` each move
// is followed by the repaint it causes, as the event loop would do it.
void run(QWidget *target, QPoint at, int moves, bool paint) {
    for (int i = 0; i < moves; ++i) {
        move(target, at + QPoint(i & 1, 0));
        if (paint) QCoreApplication::processEvents();
    }
}

void measure(const char *name, QWidget *target, QPoint at, int moves, bool paint) {
    run(target, at, 8, paint); // warm: the first moves fill Qt's own caches
    if (RUNNING_ON_VALGRIND) {
        CALLGRIND_ZERO_STATS;
        CALLGRIND_START_INSTRUMENTATION;
        run(target, at, moves, paint);
        CALLGRIND_STOP_INSTRUMENTATION;
        CALLGRIND_DUMP_STATS_AT(name);
        std::printf("%s moves=%d\n", name, moves);
    } else {
        QElapsedTimer t;
        t.start();
        run(target, at, moves, paint);
        std::printf("%s moves=%d ns_per_move=%lld\n", name, moves, (long long)(t.nsecsElapsed() / moves));
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv) {
    const int moves = argc > 1 ? std::atoi(argv[1]) : 100;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ui::Application app(argc, argv);
    frmMain &f = frmMainRef();
    f.Show();
    QCoreApplication::processEvents();

    // The window takes the pointer for every control it draws.
    QWidget *window = dynamic_cast<QWidget *>(&f.native());
    const ui::Rect b = f.pctButton(0).placeInFrame();
    const QPoint onButton(b.x + b.w / 2, b.y + b.h / 2);
    const QPoint free = freePoint(window);
    if (free.x() < 0) {
        std::fputs("bench_move: the window has no free area\n", stderr);
        return 1;
    }

    for (bool paint : {false, true}) {
        measure(paint ? "button-paint" : "button-event", window, onButton, moves, paint);
        measure(paint ? "free-paint" : "free-event", window, free, moves, paint);
    }
    // The window and Qt go down with the process: the global window would
    // otherwise outlive the application object.
    std::fflush(stdout);
    std::_Exit(0);
}
