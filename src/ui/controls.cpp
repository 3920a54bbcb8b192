#include "controls.h"

#include "form.h"
#include "units.h"
#include "widgets_p.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QSignalBlocker>
#include <cmath>

namespace ui {

namespace {
int roundPx(double v) { return int(std::floor(v + 0.5)); }

// The back colour with the picture at the top-left corner, at twice the size:
// from the picture's own twice-size drawing where it has one.
void paintAtTwice(QImage &target, const Picture &picture, Color back) {
    target.fill(qcolor(back));
    if (picture.isNull()) return;
    QPainter p(&target);
    if (!picture.image2x().isNull())
        p.drawImage(QRect(QPoint(0, 0), picture.image2x().size()), picture.image2x());
    else
        p.drawImage(QRect(0, 0, picture.width() * 2, picture.height() * 2), picture.image());
}
} // namespace

// ---------------------------------------------------------------- Control

Control::Control(Form &form, Control *container, const ControlDef &def, QWidget *widget)
    : form_(&form), container_(container), def_(def), widget_(widget), visible_(def.visible) {
    // The layout is in twips whatever the container's scale.
    x_ = def.left / Screen::TwipsPerPixelX();
    y_ = def.top / Screen::TwipsPerPixelY();
    w_ = def.width / Screen::TwipsPerPixelX();
    h_ = def.height / Screen::TwipsPerPixelY();
    widget_->setMouseTracking(true);
    if (!def.toolTip.isEmpty()) widget_->setToolTip(def.toolTip);
    if (!def.accessibleName.isEmpty()) widget_->setAccessibleName(def.accessibleName);
    widget_->setObjectName(def.index >= 0 ? QStringLiteral("%1(%2)").arg(def.name).arg(def.index) : def.name);
    applyWidgetGeometry();
    widget_->setVisible(visible_);
}

Control::~Control() = default;

ScaleMode Control::outerScale() const {
    return container_ ? container_->innerScale() : ScaleMode::Pixels;
}

double Control::toPxX(float v, ScaleMode s) const { return s == ScaleMode::Pixels ? v : v / Screen::TwipsPerPixelX(); }
double Control::toPxY(float v, ScaleMode s) const { return s == ScaleMode::Pixels ? v : v / Screen::TwipsPerPixelY(); }
float Control::fromPxX(double px, ScaleMode s) const { return float(s == ScaleMode::Pixels ? px : px * Screen::TwipsPerPixelX()); }
float Control::fromPxY(double px, ScaleMode s) const { return float(s == ScaleMode::Pixels ? px : px * Screen::TwipsPerPixelY()); }

float Control::Left() const { return fromPxX(x_, outerScale()); }
float Control::Top() const { return fromPxY(y_, outerScale()); }
float Control::Width() const { return fromPxX(w_, outerScale()); }
float Control::Height() const { return fromPxY(h_, outerScale()); }
void Control::setLeft(float v) { setPxGeometry(toPxX(v, outerScale()), y_, w_, h_); }
void Control::setTop(float v) { setPxGeometry(x_, toPxY(v, outerScale()), w_, h_); }
void Control::setWidth(float v) { setPxGeometry(x_, y_, toPxX(v, outerScale()), h_); }
void Control::setHeight(float v) { setPxGeometry(x_, y_, w_, toPxY(v, outerScale())); }

void Control::setPxGeometry(double x, double y, double w, double h) {
    const bool sized = roundPx(w) != roundPx(w_) || roundPx(h) != roundPx(h_);
    const bool moved = x != x_ || y != y_;
    x_ = x, y_ = y, w_ = std::max(0.0, w), h_ = std::max(0.0, h);
    if (!sized && !moved && w == w_ && h == h_) return;
    applyWidgetGeometry();
    geometryChanged(sized);
}

void Control::applyWidgetGeometry() {
    const int off = container_ ? 0 : form_->framePx();
    widget_->setGeometry(roundPx(x_) + off, roundPx(y_) + off, roundPx(w_), roundPx(h_));
}

void Control::geometryChanged(bool) {}

void Control::setVisible(bool v) {
    visible_ = v;
    widget_->setVisible(v);
}

QString Control::ToolTipText() const { return widget_->toolTip(); }
void Control::setToolTipText(const QString &text) { widget_->setToolTip(text); }

// ---------------------------------------------------------------- PictureBox

PictureBox::PictureBox(Form &form, Control *container, const ControlDef &def)
    : Control(form, container, def, new PictureWidget(this, container ? container->widget() : form.widget())),
      back_(def.backColor == colorUnset ? rgb(224, 224, 224) : def.backColor) {
    hidpi_ = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) && qApp->devicePixelRatio() >= 1.5;
    rebuildImage();
}

void PictureBox::setPicture(const ui::Picture &p) {
    picture_ = p;
    if (def_.autoSize && !p.isNull()) {
        // Sizing to the picture: the picture's pixels in the container's scale.
        setPxGeometry(x_, y_, p.width(), p.height());
    }
    rebuildImage();
}

void PictureBox::setBackColor(Color c) {
    back_ = c;
    rebuildImage();
}

float PictureBox::ScaleWidth() const { return fromPxX(std::floor(w_ + 0.5), innerScale()); }
float PictureBox::ScaleHeight() const { return fromPxY(std::floor(h_ + 0.5), innerScale()); }

void PictureBox::rebuildImage() {
    // The persistent image starts as the back colour with the picture at its
    // top-left corner; drawing goes on top of it.
    const QSize size(std::max(1, int(std::floor(w_ + 0.5))), std::max(1, int(std::floor(h_ + 0.5))));
    if (image_.size() != size) image_ = QImage(size, QImage::Format_RGB32);
    image_.fill(qcolor(back_));
    if (!picture_.isNull()) {
        QPainter p(&image_);
        p.drawImage(0, 0, picture_.image());
    }
    if (hidpi_) {
        if (image2x_.size() != size * 2) image2x_ = QImage(size * 2, QImage::Format_RGB32);
        paintAtTwice(image2x_, picture_, back_);
    }
    widget_->update();
}

void PictureBox::geometryChanged(bool sizeChanged) {
    if (!sizeChanged) return;
    if (def_.autoRedraw) {
        // Keep what was drawn; the new area shows the back colour.
        QImage old = image_, old2x = image2x_;
        rebuildImage();
        QPainter(&image_).drawImage(0, 0, old);
        if (hidpi_ && !old2x.isNull()) QPainter(&image2x_).drawImage(0, 0, old2x);
    } else {
        rebuildImage();
    }
    if (Resize) Resize();
}

void PictureBox::imageChanged() { widget_->update(); }

QImage PictureBox::rendered() const {
    if (def_.autoRedraw) return image_;
    QImage out(image_.size(), QImage::Format_RGB32);
    out.fill(qcolor(back_));
    if (!picture_.isNull()) {
        QPainter p(&out);
        p.drawImage(0, 0, picture_.image());
    }
    return out;
}

QImage PictureBox::rendered2x() const {
    if (!hidpi_) return QImage();
    QImage out;
    if (def_.autoRedraw) {
        out = image2x_;
    } else {
        out = QImage(image_.size() * 2, QImage::Format_RGB32);
        paintAtTwice(out, picture_, back_);
    }
    out.setDevicePixelRatio(2);
    return out;
}

void PictureBox::setAccessibleButton(const QString &name, bool tabStop) {
    widget_->setAccessibleName(name);
    widget_->setProperty("lunivarButton", true);
    widget_->setProperty("lunivarTabStop", tabStop);
    // Reached by Tab, not by a click: a click presses it without leaving a focus mark.
    widget_->setFocusPolicy(tabStop ? Qt::TabFocus : Qt::NoFocus);
}

// ---------------------------------------------------------------- Label

Label::Label(Form &form, Control *container, const ControlDef &def)
    : Control(form, container, def, new LabelWidget(this, container ? container->widget() : form.widget())),
      caption_(def.caption), fore_(def.foreColor == colorUnset ? rgb(0, 0, 0) : def.foreColor) {
    widget_->setFont(fontFor(def.font));
    widget_->setAttribute(Qt::WA_TranslucentBackground);
    autoSize();
}

QString Label::displayText() const {
    QString out;
    for (int i = 0; i < caption_.size(); ++i) {
        if (caption_[i] == u'&') {
            if (i + 1 < caption_.size() && caption_[i + 1] == u'&') out += u'&', ++i;
            continue;
        }
        out += caption_[i];
    }
    return out;
}

void Label::setCaption(const QString &text) {
    caption_ = text;
    widget_->setAccessibleName(displayText());
    autoSize();
    widget_->update();
}

void Label::setForeColor(Color c) {
    fore_ = c;
    widget_->update();
}

void Label::autoSize() {
    widget_->setAccessibleName(displayText());
    if (!def_.autoSize) return;
    const QFontMetrics fm(widget_->font());
    const QString t = displayText();
    const double w = t.isEmpty() ? 3 : fm.horizontalAdvance(t);
    setPxGeometry(x_, y_, w, fm.height());
}

// ---------------------------------------------------------------- TextBox

namespace {
bool fontInstalled(const QString &face) {
    // Not families(): that reads every family's styles from the system.
    return QFontDatabase::hasFamily(face);
}
} // namespace

TextBox::TextBox(Form &form, Control *container, const ControlDef &def)
    : Control(form, container, def, new TextWidget(this, container ? container->widget() : form.widget())) {
    auto *w = static_cast<TextWidget *>(widget_);
    QFont f = fontFor(def.font);
    if (def.font.charset == 2 && !fontInstalled(def.font.face)) {
        // A symbol font that is not installed: show the symbols its letters
        // stand for, in the font the package brings for them.
        mapSymbols_ = true;
        f.setFamily(QStringLiteral("DejaVu Sans"));
    }
    // An empty box draws no letter: a font of its own is only looked up
    // when it first shows some text (the start of the program is the faster).
    font_ = f;
    w->setReadOnly(def.locked);
    // What the user types is the box's text.
    QObject::connect(w, &QLineEdit::textEdited, w, [this](const QString &t) {
        if (!mapSymbols_) text_ = t;
    });
    if (!def.accessibleName.isEmpty()) w->setAccessibleName(def.accessibleName);
}

QString TextBox::displayText() const {
    if (!mapSymbols_) return text_;
    // The symbol font puts the twelve signs of the zodiac, Aries to Pisces,
    // on the letters 0x5E to 0x69.
    QString out;
    for (QChar c : text_) {
        const ushort u = c.unicode();
        out += (u >= 0x5E && u <= 0x69) ? QChar(ushort(0x2648 + (u - 0x5E))) : c;
    }
    return out;
}

void TextBox::setText(const QString &text) {
    text_ = text;
    if (!text.isEmpty() && widget_->font() != font_) widget_->setFont(font_);
    static_cast<TextWidget *>(widget_)->setText(displayText());
    static_cast<TextWidget *>(widget_)->setCursorPosition(0);
}

// ---------------------------------------------------------------- ListBox

ListBox::ListBox(Form &form, Control *container, const ControlDef &def)
    : Control(form, container, def, new ListWidget(this, container ? container->widget() : form.widget())) {
    for (const QString &item : def.items) AddItem(item);
    auto *w = static_cast<ListWidget *>(widget_);
    if (!def.accessibleName.isEmpty()) w->setAccessibleName(def.accessibleName);
    else if (!def.toolTip.isEmpty()) w->setAccessibleName(def.toolTip);
    QObject::connect(w, &QListWidget::currentRowChanged, w, [this](int row) {
        if (!updating_) userSelected(row);
    });
    // The click handler may move the selection elsewhere (the day list keeps
    // the day valid for the month) while the view, after it, still selects
    // what was clicked: what the list shows follows its own index.
    QObject::connect(w->selectionModel(), &QItemSelectionModel::selectionChanged, w, [this, w] {
        if (updating_ || w->currentRow() != index_) return;
        const QList<QListWidgetItem *> sel = w->selectedItems();
        if (index_ < 0 ? sel.isEmpty() : sel.size() == 1 && w->row(sel.first()) == index_) return;
        updating_ = true;
        if (index_ >= 0) w->setCurrentRow(index_);
        else w->clearSelection();
        updating_ = false;
    });
}

void ListBox::AddItem(const QString &item) {
    auto *w = static_cast<ListWidget *>(widget_);
    const QSignalBlocker block(w);
    auto *it = new QListWidgetItem(item);
    w->addItem(it);
    if (index_ < 0) w->setCurrentRow(-1);
}

std::int16_t ListBox::ListCount() const { return std::int16_t(static_cast<ListWidget *>(widget_)->count()); }

QString ListBox::List(int index) const {
    auto *it = static_cast<ListWidget *>(widget_)->item(index);
    return it ? it->text() : QString();
}

QString ListBox::Text() const { return index_ >= 0 ? List(index_) : QString(); }

void ListBox::setListIndex(std::int16_t index) {
    if (index < -1 || index >= ListCount() || index == index_) return;
    index_ = index;
    {
        auto *w = static_cast<ListWidget *>(widget_);
        updating_ = true;
        w->setCurrentRow(index);
        if (index < 0) w->clearSelection();
        updating_ = false;
    }
    if (Click) Click();
}

void ListBox::setText(const QString &text) {
    for (int i = 0; i < ListCount(); ++i)
        if (List(i) == text) {
            setListIndex(std::int16_t(i));
            return;
        }
}

void ListBox::userSelected(int row) {
    if (row == index_) return;
    index_ = std::int16_t(row);
    if (Click) Click();
}

} // namespace ui
