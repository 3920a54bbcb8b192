#pragma once
// What a platform gives the toolkit: the native side of its windows and
// controls, and its services. One backend is installed for the program's
// whole life: Qt on Linux, the Win32 API on Windows; the tests bring their own.
#include "image.h"
#include "layout.h"
#include "types.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {

class Control;
class Form;
struct Picture;

// The pixels a picture box keeps and shows: its persistent image, at one scale.
class Surface {
public:
    Surface(int width, int height) : width_(width), height_(height) {}
    virtual ~Surface() = default;
    int width() const { return width_; }
    int height() const { return height_; }
    // Row y: width() pixels, each 0xFFRRGGBB.
    virtual std::uint32_t *row(int y) = 0;
    const std::uint32_t *row(int y) const { return const_cast<Surface *>(this)->row(y); }

private:
    int width_, height_;
};

// A window region, as the platform's round-rect call makes it.
struct Region {
    std::vector<Rect> rects;   // the pixels it covers, as rectangles
    std::uintptr_t handle = 0; // the platform's own region, where it has one
};

// The native side of a window.
class NativeWindow {
public:
    virtual ~NativeWindow() = default;
    virtual void setTitle(const String &title) = 0;
    // Pixels of the whole window; the size hints allow this size and no other.
    virtual void setSize(int width, int height) = 0;
    virtual void move(int x, int y) = 0;
    virtual Rect frame() const = 0;      // on the screen
    virtual Rect screenArea() const = 0; // where windows may go
    // The first show of an owned window passes its owner; a modal window
    // blocks the input of every other window of the program.
    virtual void show(NativeWindow *owner, bool modal) = 0;
    virtual void hide() = 0;
    virtual bool shown() const = 0;
    virtual void setState(std::int16_t state) = 0;
    // Replaces the outline; nullptr removes it.
    virtual void setRegion(const Region *region, bool redraw) = 0;
    virtual void update() = 0; // the window's own picture changed
    // The controls that take the focus, in tab order; the first gets it.
    virtual void setTabOrder(const std::vector<Control *> &order) = 0;
    // Runs the window modally: returns once endModal() is called.
    virtual void runModal() = 0;
    virtual void endModal() = 0;
    // Shows a menu at the pointer ("-" is a separator line); the index of
    // the item chosen, or -1.
    virtual int popupMenu(const std::vector<String> &captions) = 0;
    // Where a program cannot place its own window (Wayland), a drag is
    // handed to the system.
    virtual bool movesThroughSystem() const { return false; }
    virtual void startSystemMove() {}
};

// The native side of a control.
class NativeControl {
public:
    virtual ~NativeControl() = default;
    // In the container's pixels (the window's client area, less its frame, for the window's own).
    virtual void setGeometry(const Rect &r) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void raise() = 0;   // above its siblings
    virtual void update() {}    // a picture box's image changed
    virtual void setText(const String &) {} // a label's caption, a text box's text
    virtual void setForeColor(Color) {}
    virtual void addItem(const String &) {}
    virtual void setCurrentItem(int) {}     // -1: none
};

struct Version {
    int major = 0, minor = 0;
};

class Backend {
public:
    // The backend in use; installing one replaces the last.
    static Backend &current();
    static void install(Backend *backend);
    virtual ~Backend() = default;

    virtual std::unique_ptr<NativeWindow> createWindow(Form &form) = 0;
    // After the control's container and window exist.
    virtual std::unique_ptr<NativeControl> createControl(Control &control) = 0;
    virtual std::unique_ptr<Surface> createSurface(int width, int height);

    // Device pixels per pixel of the pictures: 2 where the screen has them.
    virtual int pictureScale() const { return 1; }
    virtual double twipsPerPixelX() const = 0;
    virtual double twipsPerPixelY() const = 0;
    // Bitmap `id` of the program's resources; the picture is null when there is none.
    virtual Picture loadBitmap(int id) = 0;
    // A picture of a window's layout, at the given scale; empty when there is none.
    virtual Image layoutPicture(const String &name, int scale) = 0;
    // The program's icon at its 32-pixel size.
    virtual Image icon() = 0;
    // Width and height of a text in a font, pixels.
    virtual Rect textSize(const FontDef &font, const String &text) = 0;

    virtual int msgBox(const String &prompt, int style, const String &title) = 0;
    virtual String monthName(int month) = 0; // full, capital first letter, user's locale
    virtual String appPath() = 0;            // the executable's folder
    virtual String pathSeparator() const { return "/"; }
    virtual Version version() = 0;
    [[noreturn]] virtual void end() = 0;
    // Frees `form` once the event being handled now is done.
    virtual void deleteLater(std::unique_ptr<Form> form) = 0;

    // The platform calls the skin is written with; see platform.h.
    virtual Region createRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h);
    virtual void setWindowRgn(Form &form, const Region &region, bool redraw);
    virtual void bitBlt(Surface &dst, int x, int y, int w, int h, Surface &src, int sx, int sy);
    virtual bool playSound(const String &path, unsigned flags) = 0;
};

// The pixels of the round-rect region (platform.cpp).
std::vector<Rect> roundRectSpans(int x1, int y1, int x2, int y2, int w, int h);

// A block copy between surfaces; what falls outside either is clipped.
void copyPixels(Surface &dst, int x, int y, int w, int h, const Surface &src, int sx, int sy);

// Plain pixels in memory.
class MemorySurface : public Surface {
public:
    MemorySurface(int width, int height);
    std::uint32_t *row(int y) override { return pixels_.data() + std::size_t(y) * std::size_t(width()); }

private:
    std::vector<std::uint32_t> pixels_;
};

} // namespace ui
