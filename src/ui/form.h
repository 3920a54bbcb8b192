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

    // The frame the window shows, at a scale: the back colour, the layout's
    // picture at the client area's top-left corner and the raised frame of a
    // window that has one, then the picture boxes (with the focus mark) and
    // the labels' captions, each container below its children, in the
    // layout's order from the lowest up. It is composed again only where it
    // changed since it was last asked for.
    const Surface &frame(int scale);
    // A part of the client area changed: it is composed again and presented.
    void invalidate(const Rect &client);
    Backend &backend() const { return backend_; }

    // The outline: the window shows only these pixels; nullptr removes it.
    // It reaches the platform when the window is shown, and at once after.
    void setRegion(const std::vector<Rect> *spans);

    // True where a program cannot place its own window (Wayland): a drag is
    // handed to the system with startSystemMove() instead.
    bool movesThroughSystem() const { return backend_.environment().systemMoves; }
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
    // The control that has the keyboard, if any.
    Control *focused() const { return focus_; }

    NativeWindow &native() const { return *native_; }

    // The picture box or label on top at a point of the client area (the
    // deepest of those nested there), or nullptr for the window itself.
    Control *controlAt(int x, int y) const;

    // What the user did to the window, from the platform: the one way in.
    // The pointer goes to the picture box or label under it, or the
    // window's free area; from a press until every button is released, all
    // of it goes where the press went. True when the toolkit acted on a key
    // (the platform must not).
    bool handle(const Event &e);
    // The program ends: what the platform reports from now on runs no handler.
    void ignoreFurtherEvents() { ignoring_ = true; }

    // The windows that exist, oldest first.
    static const std::vector<Form *> &all();
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
    void keyboardTo(Control *c);
    void moveFocus(int step);
    void pushRegion();
    void place();
    void pointer(const Event &e);
    bool key(const KeyEvent &k);
    void mouse(const MouseEvent &e);
    void activated();
    void resized(int pxWidth, int pxHeight);
    void moved(int pxX, int pxY);
    void stateChanged(std::int16_t state);
    void scaleChanged();
    void invalidateAll();
    const Image &image(int scale);
    void compose(Surface &frame, const Control *container, const Rect &clip, int scale);
    static void unloadLater(std::unique_ptr<Form> form);

    FormDef def_;
    Backend &backend_;
    std::unique_ptr<NativeWindow> native_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<String, Menu> menus_;
    String caption_;
    Color back_;
    Image picture_[3];                     // the layout's picture at scales 1 and 2, as loaded
    std::optional<Image> image_[3];        // under the controls, at scales 1 and 2
    std::unique_ptr<Surface> frame_[3];    // the whole window, at scales 1 and 2
    Rect dirty_[3];                        // what of it to compose again, client pixels
    std::optional<std::vector<Rect>> region_;
    bool regionPending_ = false;
    double leftTw_ = 0, topTw_ = 0, widthTw_ = 0, heightTw_ = 0;
    std::int16_t state_ = vbNormal;
    bool loaded_ = false, unloaded_ = false, everShown_ = false, shown_ = false;
    int modalDepth_ = 0;
    bool modalEnded_ = false;
    bool ignoring_ = false;
    std::vector<Control *> tabOrder_;
    std::vector<Control *> stacking_; // topmost first: the layout's order
    Control *pointerTarget_ = nullptr; // what has the pointer from a press to the last release
    bool pointerCaptured_ = false;
    Control *focus_ = nullptr;
    Control *keyboardField_ = nullptr; // the list or text box the platform's keyboard is in
    String announcement_;
    std::function<void()> onUnloaded_;
    template <class F> friend class GlobalForm;
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
