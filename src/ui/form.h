#pragma once
// Windows built from their layout tables. A window is created from its table
// (its controls exist from then on), loaded (Form_Load runs once), shown, and
// unloaded (Form_QueryUnload runs on every way of closing).
#include "controls.h"
#include "layout.h"
#include "types.h"

#include <QRegion>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QWidget;

namespace ui {

class FormWidget;

struct MenuItem {
    QString Name;
    QString Caption;
    bool separator = false;
    std::function<void()> Click;
};

class Menu {
public:
    QString Name;
    std::vector<MenuItem> items;
    MenuItem &item(const QString &name);
};

class Form {
public:
    explicit Form(const FormDef &def);
    virtual ~Form();
    Form(const Form &) = delete;
    Form &operator=(const Form &) = delete;

    const QString &Name() const { return def_.name; }

    // Runs Form_Load once.
    void Load();
    bool loaded() const { return loaded_; }
    int loadCount() const { return loadCount_; }
    bool unloaded() const { return unloaded_; }

    // Shows the window; a modal show with an owner blocks the owner's input
    // and returns after this window has been unloaded.
    void Show(int modal = vbModeless, Form *owner = nullptr);
    void Hide();
    bool isShown() const;
    bool isModal() const { return modalDepth_ > 0; }
    // Runs Form_QueryUnload and, unless cancelled, closes the window.
    // UnloadMode 1 is an unload by code, 0 the window's close command.
    void Unload(std::int16_t unloadMode = 1);

    QString Caption() const { return caption_; }
    void setCaption(const QString &text);

    // Twips. Assigning the size or the state raises Form_Resize before returning.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
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

    // The window's outline: an empty region is a plain rectangle.
    void applyRegion(const QRegion &region, bool redraw);
    QRegion region() const { return region_; }
    bool hasRegion() const { return hasRegion_; }

    // True where a client cannot place its own window (Wayland): a drag is
    // handed to the compositor with startSystemMove() instead.
    bool movesThroughSystem() const;
    void startSystemMove();

    // Shows `menu` at the pointer; returns after it is dismissed and the chosen
    // item's Click has returned.
    void PopupMenu(Menu &menu);
    Menu &menu(const QString &name);

    PictureBox &pictureBox(const QString &name, int index = -1);
    Label &label(const QString &name, int index = -1);
    TextBox &textBox(const QString &name, int index = -1);
    ListBox &listBox(const QString &name, int index = -1);
    template <class T> ControlArray<T> array(const QString &name) {
        std::vector<T *> v;
        for (int i = 0;; ++i) {
            auto *c = find(name, i);
            if (!c) break;
            v.push_back(static_cast<T *>(c));
        }
        return ControlArray<T>(std::move(v));
    }
    Control *find(const QString &name, int index = -1) const;
    const std::vector<std::unique_ptr<Control>> &controls() const { return controls_; }

    QWidget *widget() const;
    // The window's pixels as they are drawn now.
    QImage grab() const;

    // Toolkit internals.
    void layoutDocked(bool raiseAll);
    void systemResized(int pxW, int pxH);
    void systemStateChanged(std::int16_t state);
    void systemMoved(int pxX, int pxY);
    void systemClose();
    void formMouse(int kind, std::int16_t button, std::int16_t shift, float x, float y);

protected:
    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    virtual void Form_QueryUnload(std::int16_t &Cancel, std::int16_t UnloadMode) { (void)Cancel, (void)UnloadMode; }
    virtual void Form_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) { (void)Button, (void)Shift, (void)X, (void)Y; }
    virtual void Form_MouseDown(std::int16_t, std::int16_t, float, float) {}
    virtual void Form_MouseUp(std::int16_t, std::int16_t, float, float) {}

private:
    void build();
    void buildMenus();
    void applyTabOrder();
    void applyPxSize(int w, int h);
    void placeAtStart(Form *owner);

    FormDef def_;
    FormWidget *widget_ = nullptr;
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<QString, Menu> menus_;
    QString caption_;
    Color back_;
    double leftTw_ = 0, topTw_ = 0, widthTw_ = 0, heightTw_ = 0;
    std::int16_t state_ = vbNormal;
    bool loaded_ = false, unloaded_ = false, everShown_ = false;
    int loadCount_ = 0;
    int modalDepth_ = 0;
    QRegion region_;
    bool hasRegion_ = false;
    Form *owner_ = nullptr;
    std::function<void()> endModal_;
    std::function<void()> onUnloaded_;
    template <class F> friend class GlobalForm;
    friend class FormWidget;
};

// The single global instance of a window: the first reference creates and
// loads it; unloading it, however it is closed, drops it, and the next
// reference makes a fresh one.
template <class F> class GlobalForm {
public:
    F &operator()() {
        if (!form_) {
            form_ = std::make_unique<F>();
            ++created_;
            form_->onUnloaded_ = [this] { clear(); };
            form_->Load();
        }
        return *form_;
    }
    F *operator->() { return &(*this)(); }
    bool exists() const { return form_ != nullptr; }
    F *get() const { return form_.get(); }
    // Drops the instance, as unloading it does; it is freed once the handler
    // running now returns.
    void clear();
    int created() const { return created_; }

private:
    std::unique_ptr<F> form_;
    int created_ = 0;
};

// Frees `form` when the event being handled now is done.
void deleteLater(std::unique_ptr<Form> form);

template <class F> void GlobalForm<F>::clear() {
    if (form_) deleteLater(std::unique_ptr<Form>(form_.release()));
}

} // namespace ui
