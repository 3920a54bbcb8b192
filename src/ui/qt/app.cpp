// The program on Qt: start-up (display, palette, fonts, translations,
// scale), the backend's services and the end.
#include "backend_qt.h"
#include "ui/app.h"

#include "version.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPalette>
#include <QScreen>
#include <QStyleFactory>
#include <QTranslator>
#include <QPainter>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace ui {

namespace {
const char noDisplayLine[] = "lunivar: cannot open the display; is DISPLAY or WAYLAND_DISPLAY set?\n";
const char displayGoneLine[] = "lunivar: the connection to the display was lost; ending\n";
QtMessageHandler previousHandler = nullptr;
bool starting = true;
int savedStderr = -1; // the user's stderr while the platform starts

// The program itself never leaves through exit(): App::End and the end of
// the event loop leave with _exit(). Only the platform calls exit(), when the
// connection to the display is lost; the windows must not be torn down then
// (their destructors would talk to a display that is gone).
void displayGone(bool leave) {
    static bool told = false;
    if (!told) {
        told = true;
        const ssize_t ignored = ::write(2, displayGoneLine, sizeof displayGoneLine - 1);
        (void)ignored;
    }
    if (leave) ::_exit(1);
}
void leaveThroughExit() { displayGone(true); }

void startupMessages(QtMsgType type, const QMessageLogContext &ctx, const QString &msg) {
    if (type == QtFatalMsg && starting) {
        // Qt could not open the display: say so in one line and leave.
        const ssize_t ignored = ::write(savedStderr >= 0 ? savedStderr : 2, noDisplayLine, sizeof noDisplayLine - 1);
        (void)ignored;
        ::_exit(1);
    }
    // The platform's and the sound system's complaints are for us, not the user.
    if (ctx.category && (QByteArray(ctx.category).startsWith("qt.qpa") || QByteArray(ctx.category).startsWith("qt.multimedia")))
        return;
    if (starting || msg.startsWith(QLatin1String("QStandardPaths:"))) return;
    // The display went away (a logout, a compositor that died): say so in
    // one line; the platform ends the process next.
    if (msg.contains(QLatin1String("connection broke")) || msg.contains(QLatin1String("connection experienced"))) {
        displayGone(false);
        return;
    }
    if (previousHandler) previousHandler(type, ctx, msg);
}


// A scale factor variable of Qt ("1.5", or per screen "1.5;2" and
// "DP-1=1.75;HDMI-1=1") with every factor made a whole number, at least 1.
void wholeScaleFactors(const char *name) {
    const QByteArray value = qgetenv(name);
    if (value.isEmpty()) return;
    QList<QByteArray> parts = value.split(';');
    for (QByteArray &part : parts) {
        const qsizetype eq = part.lastIndexOf('=');
        bool ok = false;
        const double factor = part.mid(eq + 1).toDouble(&ok);
        if (ok && factor > 0) part = part.left(eq + 1) + QByteArray::number(std::max(1.0, std::round(factor)));
    }
    qputenv(name, parts.join(';'));
}

// The light palette the skin is drawn for, every role of it, so that none
// comes from the desktop's theme: role, then its colour when enabled and
// when disabled.
QPalette skinPalette() {
    static const struct { QPalette::ColorRole role; QRgb normal, disabled; } roles[] = {
        {QPalette::WindowText, 0x000000, 0xbebebe}, {QPalette::Button, 0xefefef, 0xefefef},
        {QPalette::Light, 0xffffff, 0xffffff},      {QPalette::Midlight, 0xcacaca, 0xcacaca},
        {QPalette::Dark, 0x9f9f9f, 0xbebebe},       {QPalette::Mid, 0xb8b8b8, 0xb8b8b8},
        {QPalette::Text, 0x000000, 0xbebebe},       {QPalette::BrightText, 0xffffff, 0xffffff},
        {QPalette::ButtonText, 0x000000, 0xbebebe}, {QPalette::Base, 0xffffff, 0xefefef},
        {QPalette::Window, 0xefefef, 0xefefef},     {QPalette::Shadow, 0x767676, 0xb1b1b1},
        {QPalette::Highlight, 0x308cc6, 0x919191},  {QPalette::HighlightedText, 0xffffff, 0xffffff},
        {QPalette::Link, 0x0000ff, 0x0000ff},       {QPalette::LinkVisited, 0xff00ff, 0xff00ff},
        {QPalette::AlternateBase, 0xf7f7f7, 0xf7f7f7}, {QPalette::ToolTipBase, 0xffffdc, 0xffffdc},
        {QPalette::ToolTipText, 0x000000, 0x000000}, {QPalette::PlaceholderText, 0x808080, 0xbebebe},
    };
    QPalette p;
    for (const auto &r : roles) {
        p.setColor(QPalette::Active, r.role, QColor(r.normal));
        p.setColor(QPalette::Inactive, r.role, QColor(r.normal));
        p.setColor(QPalette::Disabled, r.role, QColor(r.disabled));
    }
    return p;
}

// Without a session bus, the D-Bus library that Qt's accessibility and
// desktop services use starts one for the display (X11 autolaunch), which
// outlives the program. A bus the session has is used: one named in the
// environment, the user's bus in the runtime folder, or one started for this
// display before (and still running). Otherwise the program goes without.
void noBusOfItsOwn() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"))) return;
    QString display = qEnvironmentVariable("DISPLAY");
    display = display.mid(display.lastIndexOf(u':') + 1).section(u'.', 0, 0);
    QString machine;
    for (const char *path : {"/var/lib/dbus/machine-id", "/etc/machine-id"}) {
        QFile f(QString::fromLatin1(path));
        if (machine.isEmpty() && f.open(QIODevice::ReadOnly)) machine = QString::fromLatin1(f.readAll().trimmed());
    }
    QFile started(QDir::homePath() + QStringLiteral("/.dbus/session-bus/") + machine + u'-' + display);
    if (!display.isEmpty() && started.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : started.readAll().split('\n'))
            if (line.startsWith("DBUS_SESSION_BUS_PID=") && ::kill(pid_t(line.mid(21).toLong()), 0) == 0) return;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
}

bool displayLooksAvailable() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland")) return true;
    return !qgetenv("DISPLAY").isEmpty() || !qgetenv("WAYLAND_DISPLAY").isEmpty();
}


} // namespace

// ---------------------------------------------------------------- services

Environment QtBackend::environment() {
    Environment e;
    e.scale = qApp->devicePixelRatio() >= 1.5 ? 2 : 1;
    const QScreen *s = QGuiApplication::primaryScreen();
    const QRect r = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
    e.workArea = Rect{r.x(), r.y(), r.width(), r.height()};
    e.systemMoves = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    e.appFolder = ustr(QCoreApplication::applicationDirPath());
    return e;
}

std::optional<std::vector<std::uint8_t>> QtBackend::readFile(const String &path) {
    // The program's pictures are in its resources; other files are plain
    // files of at most the size a wave may have.
    if (path.rfind(":/", 0) != 0) return readPlainFile(path, sound::MaxFileBytes);
    QFile f(qstr(path));
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray b = f.readAll();
    return std::vector<std::uint8_t>(b.begin(), b.end());
}

Rect QtBackend::measureText(const FontDef &font, const String &text) {
    const QFontMetrics fm(fontFor(font));
    return Rect{0, 0, fm.horizontalAdvance(qstr(text)), fm.height()};
}

void QtBackend::drawText(Surface &into, const Rect &clip, const TextRun &run, int scale) {
    QImage img(reinterpret_cast<uchar *>(into.row(0)), into.width(), into.height(), qsizetype(into.width()) * 4,
               QImage::Format_RGB32);
    img.setDevicePixelRatio(scale);
    QPainter p(&img);
    p.setClipRect(QRectF(clip.x / double(scale), clip.y / double(scale), clip.w / double(scale), clip.h / double(scale)));
    p.setFont(fontFor(run.font));
    p.setPen(qcolor(run.color));
    p.drawText(QRect(run.x, run.y, 10000, 10000), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextSingleLine,
               qstr(run.caption));
}

bool QtBackend::hasFace(const FontDef &font) { return !font.face.empty() && QFontDatabase::hasFamily(qstr(font.face)); }

int QtBackend::msgBox(const String &prompt, int style, const String &title) {
    QMessageBox box;
    box.setWindowTitle(qstr(title));
    box.setText(qstr(prompt));
    switch (style & 0x70) {
    case 16: box.setIcon(QMessageBox::Critical); break;
    case 32: box.setIcon(QMessageBox::Question); break;
    case 48: box.setIcon(QMessageBox::Warning); break;
    case 64: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return 1; // OK
}

String QtBackend::monthName(int month) {
    const QLocale loc = QLocale::system();
    QString name = loc.standaloneMonthName(month, QLocale::LongFormat);
    if (name.isEmpty()) name = QLocale::c().standaloneMonthName(month, QLocale::LongFormat);
    // Month lists show the name with a capital first letter.
    return ustr(loc.toUpper(name.left(1)) + name.mid(1));
}

void QtBackend::dispatchEvents(int maxMs) {
    if (maxMs < 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QThread::msleep(unsigned(std::min(maxMs, 5)));
}

void QtBackend::exit() {
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(0);
}

// ---------------------------------------------------------------- start-up

struct Application::Impl {
    QApplication *app = nullptr;
    QtBackend backend;
};

Application::Application(int &argc, char **argv) : d(new Impl) {
    if (!displayLooksAvailable()) {
        std::fputs(noDisplayLine, stderr);
        ::_exit(1);
    }
    noBusOfItsOwn();
    previousHandler = qInstallMessageHandler(startupMessages);
    QApplication::setApplicationName(QStringLiteral(LUNIVAR_TITLE));
    QApplication::setApplicationVersion(QStringLiteral(LUNIVAR_VERSION_STRING));
    QGuiApplication::setDesktopFileName(QStringLiteral(LUNIVAR_APP_ID));
    // The skin is drawn pixel for pixel: on a screen scaled by 1.25, 1.5 or
    // 1.75 it is shown at the nearest whole scale, with even stripes and the
    // bitmaps on the outline, rather than blurred. The scale the desktop
    // derives from the screen is rounded by Qt; the one it sets for Qt
    // programs in the environment is rounded here, before Qt reads it.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    wholeScaleFactors("QT_SCALE_FACTOR");
    wholeScaleFactors("QT_SCREEN_SCALE_FACTORS");
    // Libraries below Qt print to stderr directly while the display is
    // opened; keep that from the user and tell in one line if it fails.
    std::fflush(stderr);
    savedStderr = ::dup(2);
    if (const int null = ::open("/dev/null", O_WRONLY); null >= 0) {
        ::dup2(null, 2);
        ::close(null);
    }
    d->app = new QApplication(argc, argv);
    starting = false;
    if (savedStderr >= 0) {
        ::dup2(savedStderr, 2);
        ::close(savedStderr);
        savedStderr = -1;
    }
    QApplication::setQuitOnLastWindowClosed(false);
    if (QStyle *s = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(s);
    // The skin is drawn for one palette, whatever the desktop's theme: white
    // fields and lists, black text, a blue selection.
    QApplication::setPalette(skinPalette());
    QApplication::setFont(defaultFont());
    // The toolkit's own texts (a field's context menu) in the user's language.
    auto *translator = new QTranslator(d->app);
    if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    installAccessibility();
    installInputRouting();
    Backend::install(&d->backend);
}

Application::~Application() {
    delete d->app;
    delete d;
}

int Application::exec() {
    // The connection to the display is watched by the event loop, and lost there.
    std::atexit(leaveThroughExit);
    const int status = d->app->exec();
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(status);
}

} // namespace ui
