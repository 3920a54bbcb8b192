#pragma once
// The controls a window is made of: picture boxes, labels, text boxes, list
// boxes, and arrays of like controls. Positions and sizes are in the scale of
// the control's container; events run synchronously on the one UI thread.
#include "layout.h"
#include "picture.h"
#include "types.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

namespace ui {

class Form;
class Control;
class PictureBox;

using MouseHandler = std::function<void(std::int16_t Button, std::int16_t Shift, float X, float Y)>;

// A drawing surface, as a picture box hands it out: its persistent image.
struct DC {
    PictureBox *box = nullptr;
};

class Control {
public:
    virtual ~Control();
    Control(const Control &) = delete;
    Control &operator=(const Control &) = delete;

    const QString &Name() const { return def_.name; }
    int Index() const { return def_.index; }
    const ControlDef &def() const { return def_; }

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
    QString ToolTipText() const;
    void setToolTipText(const QString &text);
    int TabIndex() const { return def_.tabIndex; }

    Control *container() const { return container_; }
    Form &form() const { return *form_; }
    QWidget *widget() const { return widget_; }

    // Events; empty ones are not raised.
    std::function<void()> Click;
    MouseHandler MouseDown;
    MouseHandler MouseMove;
    MouseHandler MouseUp;

    // Geometry in pixels of the form's client area (toolkit and tests).
    double pxLeft() const { return x_; }
    double pxTop() const { return y_; }
    double pxWidth() const { return w_; }
    double pxHeight() const { return h_; }
    void setPxGeometry(double x, double y, double w, double h);

    // The scale in which this control's children and its own Scale sizes are measured.
    virtual ScaleMode innerScale() const { return ScaleMode::Twips; }
    double toPxX(float v, ScaleMode s) const;
    double toPxY(float v, ScaleMode s) const;
    float fromPxX(double px, ScaleMode s) const;
    float fromPxY(double px, ScaleMode s) const;

protected:
    Control(Form &form, Control *container, const ControlDef &def, QWidget *widget);
    ScaleMode outerScale() const;
    virtual void geometryChanged(bool sizeChanged);
    void applyWidgetGeometry();

    Form *form_;
    Control *container_;
    ControlDef def_;
    QWidget *widget_;
    double x_ = 0, y_ = 0, w_ = 0, h_ = 0;
    bool visible_ = true;

    friend class Form;
    friend class ControlWidgetBase;
};

class PictureBox : public Control {
public:
    PictureBox(Form &form, Control *container, const ControlDef &def);

    const ui::Picture &Picture() const { return picture_; }
    void setPicture(const ui::Picture &p);
    int PictureId() const { return picture_.resourceId(); }

    Color BackColor() const { return back_; }
    void setBackColor(Color c);

    float ScaleWidth() const;
    float ScaleHeight() const;
    ScaleMode innerScale() const override { return def_.scaleMode; }
    bool AutoRedraw() const { return def_.autoRedraw; }
    Align alignment() const { return def_.align; }

    // The drawing surface: with a persistent image it is that image, which
    // stays valid while the box is invisible.
    ui::DC hDC() { return DC{this}; }
    QImage &image() { return image_; }
    // The same image at twice the size, kept where the screen has two device
    // pixels per pixel; null elsewhere.
    QImage &image2x() { return image2x_; }
    void imageChanged(); // marks the box for repainting after drawing into image()

    // What the box shows now, without children (tests).
    QImage rendered() const;
    QImage rendered2x() const;

    std::function<void()> Resize;

    // A push button made of a picture box: what the accessibility bus shows.
    // Buttons that take part in tabbing show a focus mark and are pressed by
    // Enter and Space.
    void setAccessibleButton(const QString &name, bool tabStop = true);

protected:
    void geometryChanged(bool sizeChanged) override;

private:
    void rebuildImage();
    ui::Picture picture_;
    Color back_;
    QImage image_;
    QImage image2x_;
    bool hidpi_ = false;
    friend class PictureWidget;
};

class Label : public Control {
public:
    Label(Form &form, Control *container, const ControlDef &def);
    QString Caption() const { return caption_; }
    void setCaption(const QString &text);
    Color ForeColor() const { return fore_; }
    void setForeColor(Color c);
    // The caption without access-key marks, as it is drawn.
    QString displayText() const;

private:
    void autoSize();
    QString caption_;
    Color fore_;
    friend class LabelWidget;
};

class TextBox : public Control {
public:
    TextBox(Form &form, Control *container, const ControlDef &def);
    QString Text() const { return text_; }
    void setText(const QString &text);
    bool Locked() const { return def_.locked; }
    // What the box shows: the text, or for a symbol font that is not
    // installed, the symbols the text stands for.
    QString displayText() const;

private:
    QString text_;
    bool mapSymbols_ = false;
    QFont font_;
};

class ListBox : public Control {
public:
    ListBox(Form &form, Control *container, const ControlDef &def);
    void AddItem(const QString &item);
    std::int16_t ListCount() const;
    QString List(int index) const;
    std::int16_t ListIndex() const { return index_; }
    // Raises Click before it returns when the selection changes.
    void setListIndex(std::int16_t index);
    QString Text() const;
    // Selects the item whose text is `text`.
    void setText(const QString &text);

private:
    void userSelected(int row);
    std::int16_t index_ = -1;
    bool updating_ = false;
    friend class Form;
};

// Like controls with the same name, indexed from 0.
template <class T> class ControlArray {
public:
    ControlArray() = default;
    explicit ControlArray(std::vector<T *> items) : items_(std::move(items)) {}
    std::int16_t Count() const { return std::int16_t(items_.size()); }
    T &operator()(int i) const { return *items_.at(std::size_t(i)); }
    T &operator[](int i) const { return *items_.at(std::size_t(i)); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<T *> items_;
};

} // namespace ui
