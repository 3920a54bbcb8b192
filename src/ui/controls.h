#pragma once
// The controls a window is made of: picture boxes, labels, text boxes, list
// boxes, and arrays of like controls. Positions and sizes are in the scale of
// the control's container; events run synchronously on the one UI thread.
#include "backend.h"
#include "layout.h"
#include "picture.h"
#include "types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace ui {

class Form;
class Canvas;

using MouseHandler = std::function<void(std::int16_t Button, std::int16_t Shift, float X, float Y)>;

// A mouse event as the window hands it to a control: pixels from the
// control's top-left corner, buttons and keys as the events deliver them.
// From a press to its release the control that got the press gets every
// event.
struct MouseEvent {
    enum Kind { Down, Move, Up, DoubleClick } kind = Move;
    std::int16_t button = 0;  // the button pressed or released
    std::int16_t buttons = 0; // the buttons held, for a move
    std::int16_t shift = 0;
    double x = 0, y = 0;
};

// A drawing surface as the toolkit hands it out: a persistent image.
struct DC {
    Canvas *canvas = nullptr;
};

// Pixels to draw into and copy from, kept at one and, where the screen has
// the pixels, at twice the size: a picture box's persistent image, or a
// picture off the screen.
class Canvas {
public:
    virtual ~Canvas();
    // The picture at the top-left corner, on the back colour.
    virtual void setPicture(const ui::Picture &p) = 0;
    Surface &surface() { return *surface_; }
    Surface *surface2x() { return surface2x_.get(); }
    DC hDC() { return DC{this}; }
    // After drawing into the surfaces.
    virtual void imageChanged() {}

protected:
    // Made anew at w x h: the back colour, what the old image held where
    // `keep` says so, and the picture.
    void repaint(int w, int h, Color back, bool keep);
    // The twice-size image where the screen now has the pixels for it.
    void followScale();
    ui::Picture picture_;
    std::unique_ptr<Surface> surface_, surface2x_;
};

class Control {
public:
    virtual ~Control();
    Control(const Control &) = delete;
    Control &operator=(const Control &) = delete;

    const String &Name() const { return def_.name; }
    int Index() const { return def_.index; }
    const ControlDef &def() const { return def_; }
    // A list's or a text box's native control; none for the others, which
    // the window draws.
    NativeField *field() const { return field_.get(); }

    // In the container's scale.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    void setLeft(float v);
    void setTop(float v);
    void setWidth(float v);
    void setHeight(float v);

    bool Visible() const { return visible_; }
    void setVisible(bool v);
    int TabIndex() const { return def_.tabIndex; }

    Control *container() const { return container_; }
    Form &form() const { return *form_; }
    // Shown, and every container it lies in.
    bool shownInWindow() const;

    // Events; empty ones are not raised.
    std::function<void()> Click;
    MouseHandler MouseDown;
    MouseHandler MouseMove;
    MouseHandler MouseUp;

    // Pixels from the container's top-left corner.
    double pxLeft() const { return x_; }
    double pxTop() const { return y_; }
    double pxWidth() const { return w_; }
    double pxHeight() const { return h_; }
    void setPxGeometry(double x, double y, double w, double h);
    // Whole pixels from the window's client area, and from its frame's corner.
    Rect placeInWindow() const;
    Rect placeInFrame() const;

    // The scale of this control's own coordinates and of its children.
    virtual ScaleMode innerScale() const { return ScaleMode::Twips; }

    // A push button: a picture box pressed by a click, Enter, Space and a
    // screen reader. A control that takes the keyboard: it is reached by Tab.
    bool isPushButton() const { return def_.pushButton; }
    bool takesFocus() const;
    bool hasFocus() const;
    // What a screen reader says of it.
    AccessibleInfo accessible() const;

    // From its window: the mouse; a press by the keyboard or a screen
    // reader; the keyboard came or went; the screen's scale changed; tell the
    // native control what it is to show now.
    void mouse(const MouseEvent &e);
    void press();
    virtual void focusChanged() {}
    virtual void scaleChanged() {}
    void syncField();

protected:
    Control(Form &form, Control *container, const ControlDef &def);
    void createField();
    virtual void fillField(FieldState &) const {}
    ScaleMode outerScale() const;
    // The scale the mouse reports X and Y in.
    virtual ScaleMode mouseScale() const { return innerScale(); }
    virtual void geometryChanged(bool sizeChanged);
    // Shown where it is now: `was` is where it was, in the window.
    void applyGeometry(const Rect &was);

    Form *form_;
    Control *container_;
    ControlDef def_;
    std::unique_ptr<NativeField> field_;
    double x_ = 0, y_ = 0, w_ = 0, h_ = 0;
    bool visible_ = true;
    bool pressedInside_ = false;
};

class PictureBox : public Control, public Canvas {
public:
    PictureBox(Form &form, Control *container, const ControlDef &def);

    const ui::Picture &Picture() const { return picture_; }
    void setPicture(const ui::Picture &p) override;

    Color BackColor() const { return back_; }
    void setBackColor(Color c);

    float ScaleWidth() const;
    float ScaleHeight() const;
    ScaleMode innerScale() const override { return def_.scaleMode; }
    Align alignment() const { return def_.align; }

    // What the box shows at a scale: its persistent image and, on a push
    // button that has the keyboard, the focus mark.
    const Surface &shown(int scale);
    void imageChanged() override;
    void focusChanged() override { imageChanged(); }
    void scaleChanged() override;

    std::function<void()> Resize;

protected:
    void geometryChanged(bool sizeChanged) override;

private:
    Color back_;
    std::unique_ptr<Surface> marked_, marked2x_;
};

// A picture off the screen, as large as the picture given it: the surface
// pieces are copied from.
class OffscreenPicture : public Canvas {
public:
    OffscreenPicture();
    void setPicture(const ui::Picture &p) override;
};

// A caption as it is drawn, without its access-key marks ("&&" is one "&"),
// and the letter its access key is (UTF-8), or empty.
String withoutAccessKeys(const String &caption);
String accessKeyOf(const String &caption);

class Label : public Control {
public:
    Label(Form &form, Control *container, const ControlDef &def);
    String Caption() const { return caption_; }
    void setCaption(const String &text);
    Color ForeColor() const { return fore_; }
    void setForeColor(Color c);
    String displayText() const { return withoutAccessKeys(caption_); }
    String accessKey() const { return accessKeyOf(caption_); }

protected:
    ScaleMode mouseScale() const override { return outerScale(); }

private:
    void autoSize();
    String caption_;
    Color fore_;
};

class TextBox : public Control {
public:
    TextBox(Form &form, Control *container, const ControlDef &def);
    String Text() const { return text_; }
    void setText(const String &text);
    // What a screen reader reads: the text, with the letters of a symbol
    // font as the symbols they show, whatever font draws them.
    String spokenText() const;
    // From its window: what the user typed.
    void edited(const String &text);

protected:
    void fillField(FieldState &state) const override;

private:
    String text_;
    FontDef shownFont_;    // the font it shows its text in, once it has shown one
    bool standIn_ = false; // a symbol font shown through the face standing in for it
};

class ListBox : public Control {
public:
    // Rows of the platform's list boxes, whatever the font.
    static constexpr int RowHeight = 13;

    ListBox(Form &form, Control *container, const ControlDef &def);
    void AddItem(const String &item);
    std::int16_t ListCount() const { return std::int16_t(items_.size()); }
    String List(int index) const;
    std::int16_t ListIndex() const { return index_; }
    // Raises Click before it returns when the selection changes.
    void setListIndex(std::int16_t index);
    // Selects the item whose text is `text`.
    void setText(const String &text);
    // From its window: the user chose row `row`; a key moved the selection
    // (up, down, a page, the first or last row).
    void selected(int row);
    void keyMove(Key key);

protected:
    void fillField(FieldState &state) const override;

private:
    std::vector<String> items_;
    std::int16_t index_ = -1;
};

// Like controls with the same name, indexed from 0.
template <class T> class ControlArray {
public:
    ControlArray() = default;
    explicit ControlArray(std::vector<T *> items) : items_(std::move(items)) {}
    std::int16_t Count() const { return std::int16_t(items_.size()); }
    T &operator()(int i) const { return *items_.at(std::size_t(i)); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<T *> items_;
};

} // namespace ui
