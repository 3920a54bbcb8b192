#pragma once
// Windows built from their layout tables. A window is created from its table
// (its controls exist from then on), loaded (Form_Load runs once), shown, and
// unloaded (Form_QueryUnload runs on every way of closing). The window owns
// the keyboard's way through its controls: the tab order, which control has
// the keyboard, the default and cancel buttons and the access keys.
#include "backend.h"
#include "controls.h"
#include "layout.h"
#include "types.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace ui {

struct MenuItem {
    String Name;
    String Caption;
    bool separator = false;
    std::function<void()> Click;
};

class Menu {
public:
    String Name;
    std::vector<MenuItem> items;
    Form *owner = nullptr; // the window it was last shown by
    MenuItem &item(const String &name);
};

class Form {
public:
    explicit Form(const FormDef &def);
    virtual ~Form();
    Form(const Form &) = delete;
    Form &operator=(const Form &) = delete;

    const String &Name() const { return def_.name; }
    const FormDef &def() const { return def_; }

    // Runs Form_Load once.
    void Load();

    // Shows the window; a modal show with an owner blocks the owner's input
    // and returns after this window has been unloaded.
    void Show(int modal = vbModeless, Form *owner = nullptr);
    bool isShown() const;
    // Runs Form_QueryUnload and, unless cancelled, closes the window.
    // UnloadMode 1 is an unload by code, 0 the window's close command.
    void Unload(std::int16_t unloadMode = 1);

    String Caption() const { return caption_; }
    void setCaption(const String &text);

    // Twips. Assigning the size or the state raises Form_Resize before returning.
    float Left() const { return float(leftTw_); }
    float Top() const { return float(topTw_); }
    float Width() const { return float(widthTw_); }
    float Height() const { return float(heightTw_); }
    void setLeft(float twips);
    void setTop(float twips);
    void setWidth(float twips);
    void setHeight(float twips);
    std::int16_t WindowState() const { return state_; }
    void setWindowState(std::int16_t state);

    // The client area in the window's own scale (pixels).
    float ScaleWidth() const;
    float ScaleHeight() const;
    int framePx() const { return def_.frameWidth; }

    Color BackColor() const { return back_; }
    // The whole window as it is painted under its controls: the back
    // colour, the layout's picture at the client area's top-left corner and
    // the raised frame of a window that has one, at a scale.
    Pixels image(int scale);

    // The outline: the window shows only these pixels; nullptr removes it.
    // It reaches the platform when the window is shown, and at once after.
    void setRegion(const std::vector<Rect> *spans);

    // True where a program cannot place its own window (Wayland): a drag is
    // handed to the system with startSystemMove() instead.
    bool movesThroughSystem() const { return native_->movesThroughSystem(); }
    void startSystemMove() { native_->startSystemMove(); }

    // Shows `menu` at the pointer; returns after it is dismissed and the chosen
    // item's Click has returned.
    void PopupMenu(Menu &menu);
    Menu &menu(const String &name);

    PictureBox &pictureBox(const String &name, int index = -1);
    Label &label(const String &name, int index = -1);
    TextBox &textBox(const String &name, int index = -1);
    ListBox &listBox(const String &name, int index = -1);
    template <class T> ControlArray<T> array(const String &name) {
        std::vector<T *> v;
        for (int i = 0;; ++i) {
            auto *c = dynamic_cast<T *>(find(name, i));
            if (!c) break;
            v.push_back(c);
        }
        return ControlArray<T>(std::move(v));
    }
    Control *find(const String &name, int index = -1) const;
    const std::vector<std::unique_ptr<Control>> &controls() const { return controls_; }

    // What a screen reader says of the window, and the controls it
    // announces in reading order (the decorations, shadows and captions
    // inside buttons left out).
    AccessibleInfo accessible() const;
    std::vector<Control *> accessibleChildren() const;
    // Has a screen reader say `text` at once, without moving the keyboard:
    // it is the description of the control that has the keyboard until the
    // keyboard moves on.
    void announce(const String &text);
    const String &announcement() const { return announcement_; }

    NativeWindow &native() const { return *native_; }

    // The picture box or label on top at a point of the client area (the
    // deepest of those nested there), or nullptr for the window itself.
    Control *controlAt(int x, int y) const;

    // From the platform: the pointer over the window or captured by it, in
    // pixels from the window's top-left corner (its frame included). The
    // window hands it to the picture box or label under it, or keeps it for
    // its free area; from a press until every button is released, all of it
    // goes where the press went.
    void nativePointer(const MouseEvent &e);

    // From the platform: the window as the system changed it, its close
    // command, the mouse over its free area (client pixels), a key pressed
    // while it has the keyboard (true when the toolkit acted on it, and the
    // platform must not), its activation, and a change of the screen's scale.
    void nativeResized(int pxWidth, int pxHeight);
    void nativeMoved(int pxX, int pxY);
    void nativeStateChanged(std::int16_t state);
    void nativeClose();
    void nativeMouse(const MouseEvent &e);
    bool nativeKey(const KeyEvent &k);
    void nativeActivated();
    void nativeScaleChanged();

    // Windows unloaded are freed once no handler can still be running in
    // them: the platform calls this when its outermost event loop is idle.
    static void freeUnloaded();

protected:
    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    virtual void Form_QueryUnload(std::int16_t &Cancel, std::int16_t UnloadMode) { (void)Cancel, (void)UnloadMode; }
    virtual void Form_MouseDown(std::int16_t, std::int16_t, float, float) {}
    virtual void Form_MouseMove(std::int16_t, std::int16_t, float, float) {}
    virtual void Form_MouseUp(std::int16_t, std::int16_t, float, float) {}

private:
    void build();
    void buildMenus();
    void applySize();
    void layoutDocked(bool raiseAll);
    void placeAtStart(Form *owner);
    int pxWidth() const;
    int pxHeight() const;
    void setFocus(Control *c);
    void focusArrived(Control *c);
    void focusMoved(Control *old, Control *now);
    void moveFocus(int step);
    void pushRegion();
    static void unloadLater(std::unique_ptr<Form> form);

    FormDef def_;
    std::unique_ptr<NativeWindow> native_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<String, Menu> menus_;
    String caption_;
    Color back_;
    Image picture_[3];                     // the layout's picture at scales 1 and 2, as loaded
    std::optional<Image> image_[3];        // the window's painted image at scales 1 and 2
    std::optional<std::vector<Rect>> region_;
    bool regionPending_ = false;
    double leftTw_ = 0, topTw_ = 0, widthTw_ = 0, heightTw_ = 0;
    std::int16_t state_ = vbNormal;
    bool loaded_ = false, unloaded_ = false, everShown_ = false;
    int modalDepth_ = 0;
    std::vector<Control *> tabOrder_;
    std::vector<Control *> stacking_; // topmost first: the layout's order
    Control *pointerTarget_ = nullptr; // what has the pointer from a press to the last release
    bool pointerCaptured_ = false;
    Control *focus_ = nullptr;
    String announcement_;
    std::function<void()> onUnloaded_;
    template <class F> friend class GlobalForm;
    friend class Control;
};

// Counts the loops a handler runs inside (a modal window, a popup menu, a
// message box): no window is freed while one runs.
class NestedLoop {
public:
    NestedLoop();
    ~NestedLoop();
    NestedLoop(const NestedLoop &) = delete;
    NestedLoop &operator=(const NestedLoop &) = delete;
    static bool running();
};

// The single global instance of a window: the first reference creates and
// loads it; unloading it, however it is closed, drops it, and the next
// reference makes a fresh one.
template <class F> class GlobalForm {
public:
    F &operator()() {
        if (!form_) {
            form_ = std::make_unique<F>();
            form_->onUnloaded_ = [this] { clear(); };
            form_->Load();
        }
        return *form_;
    }
    F *operator->() { return &(*this)(); }
    bool exists() const { return form_ != nullptr; }
    F *get() const { return form_.get(); }
    // Drops the instance, as unloading it does; it is freed once no handler
    // can still be running in it.
    void clear() {
        if (form_) Form::unloadLater(std::unique_ptr<Form>(form_.release()));
    }

private:
    std::unique_ptr<F> form_;
};

} // namespace ui
