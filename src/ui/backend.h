#pragma once
// What a platform gives the toolkit: native windows and controls that show
// what the toolkit decides and hand it the user's input, drawing surfaces,
// fonts, the modal loop, message box and popup menu, locale names, sound and
// the end of the process. One backend is installed for the program's whole
// life: Qt on Linux, the Win32 API on Windows; the tests bring their own.
// Everything a backend places is in pixels of the toolkit (device pixels
// divided by the scale the backend shows them at).
#include "image.h"
#include "layout.h"
#include "types.h"
#include "wave.h"

#include <memory>
#include <optional>
#include <vector>

namespace ui {

class Control;
class Form;
struct Picture;

// Pixels kept elsewhere, 0xFFRRGGBB, top row first: what a platform shows.
// (x, y) is where the first of them goes in what is being painted.
struct Pixels {
    const std::uint32_t *first = nullptr;
    int stride = 0; // pixels from one row to the next
    int width = 0, height = 0;
    int x = 0, y = 0;
    const std::uint32_t *row(int r) const { return first + std::ptrdiff_t(r) * stride; }
};

// The pixels a picture box keeps and shows: its persistent image, at one
// scale. Rows follow each other without a gap.
class Surface {
public:
    Surface(int width, int height) : width_(width), height_(height) {}
    virtual ~Surface() = default;
    int width() const { return width_; }
    int height() const { return height_; }
    // Row y: width() pixels, each 0xFFRRGGBB.
    virtual std::uint32_t *row(int y) = 0;
    const std::uint32_t *row(int y) const { return const_cast<Surface *>(this)->row(y); }
    // The part of it within `r`, clipped to it.
    Pixels pixels(Rect r) const;

private:
    int width_, height_;
};

// Plain pixels in memory.
class MemorySurface : public Surface {
public:
    MemorySurface(int width, int height);
    std::uint32_t *row(int y) override { return pixels_.data() + std::size_t(y) * std::size_t(width()); }

private:
    std::vector<std::uint32_t> pixels_;
};

// A block copy between surfaces; what falls outside either is clipped.
void copyPixels(Surface &dst, int x, int y, int w, int h, const Surface &src, int sx, int sy);

// How a screen reader knows a window or a control.
enum class Role { None, Window, PushButton, Label, Text, List };
struct AccessibleInfo {
    Role role = Role::None; // None: not announced at all
    String name;
    String description;     // the tool tip
    String shortcut;        // the key that presses it, "Alt+П"
};

// What changed of a control that a screen reader follows: the keyboard came
// to it, or its name, value or description changed.
enum class AccessibleChange { Focus, Name, Value, Description };

// What a platform needs to make the native side of a window and of a control.
struct WindowInfo {
    String objectName;
    bool taskbar = true; // has a taskbar button; without one it stays above its owner
    bool icon = false;   // shows the program's icon
};
struct ControlInfo {
    Kind kind = Kind::Label;
    String objectName;   // "pctButton(0)"
    String toolTip;
    bool readOnly = false; // a text box the user cannot type into
    int rowHeight = 0;     // a list box's rows, pixels
    Rect place;            // where it goes first, as setGeometry would place it
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
    // Replaces the outline: the window shows only these pixels; nullptr
    // removes the outline.
    virtual void setRegion(const std::vector<Rect> *spans) = 0;
    // The window's picture (Form::image) changed, or a scale.
    virtual void update() = 0;
    // Runs the window modally: returns once endModal() is called.
    virtual void runModal() = 0;
    virtual void endModal() = 0;
    // Shows a menu at the pointer ("-" is a separator line, "&" marks an
    // access key); the index of the item chosen, or -1.
    virtual int popupMenu(const std::vector<String> &captions) = 0;
    // Tells the screen reader what changed of one of the window's controls.
    virtual void accessibleChanged(Control &, AccessibleChange) {}
    // Where a program cannot place its own window (Wayland), a drag is
    // handed to the system.
    virtual bool movesThroughSystem() const { return false; }
    virtual void startSystemMove() {}
};

// The native side of a control.
class NativeControl {
public:
    virtual ~NativeControl() = default;
    // In the container's pixels (the window's client area, less its frame,
    // for the window's own).
    virtual void setGeometry(const Rect &r) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void raise() = 0; // above its siblings
    virtual void update() {}  // what the toolkit paints changed: repaint it
    virtual void setText(const String &) {} // a label's caption, a text box's text
    virtual void setFont(const FontDef &) {} // a text box's font, before its first text
    virtual void addItem(const String &) {}
    virtual void setCurrentItem(int) {}     // -1: none
    virtual void setFocus() = 0;            // the keyboard goes here
};

// The process ends: what the platform reports from now on is handed to no
// window and runs no handler.
void ignoreFurtherEvents();
bool ignoringEvents();

struct Version {
    int major = 0, minor = 0;
};

class Backend {
public:
    // The backend in use; installing one replaces the last.
    static Backend &current();
    static void install(Backend *backend);
    virtual ~Backend() = default;

    virtual std::unique_ptr<NativeWindow> createWindow(Form &form, const WindowInfo &info) = 0;
    // After the control's container and window exist.
    virtual std::unique_ptr<NativeControl> createControl(Control &control, const ControlInfo &info) = 0;
    virtual std::unique_ptr<Surface> createSurface(int width, int height);

    // Device pixels per pixel the windows are shown at: 1, or 2 where the
    // screen has the pixels for the pictures drawn at twice the size.
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
    // Whether the font's face is there with the glyphs of its letters (a
    // symbol font's), or another face would stand in for it.
    virtual bool hasFace(const FontDef &font) = 0;

    virtual int msgBox(const String &prompt, int style, const String &title) = 0;
    virtual String monthName(int month) = 0; // full, capital first letter, user's locale
    virtual String appPath() = 0;            // the executable's folder
    virtual String pathSeparator() const { return "/"; }
    virtual Version version() = 0;
    // The sound device and the clock the toolkit's sound rules go by
    // (sndPlaySound in platform.h): a wave file read, or nothing for what is
    // not one; the samples played without waiting, replacing what plays
    // (false when there is nothing to play them on); what plays stopped;
    // milliseconds that only go forward.
    virtual std::optional<sound::Wave> readWave(const String &path) = 0;
    virtual bool startSound(sound::Wave wave) = 0;
    virtual void stopSound() = 0;
    virtual std::int64_t milliseconds() = 0;
    // Ends the process with status 0: every window gone at once, without
    // further events (ignoreFurtherEvents), a sound still playing heard to
    // its end (soundHeardBy) for a second at most.
    [[noreturn]] virtual void end() = 0;
};

} // namespace ui
