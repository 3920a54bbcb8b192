// What the accessibility bus sees of the windows: each window is a frame
// named by its caption (or its accessible name) whose children are the
// controls the toolkit announces, in reading order; push buttons made of
// picture boxes are buttons that can be pressed, labels are text, fields
// read as the toolkit says, and an owned window is a dialog.
// Decorations, shadows and the captions inside buttons are left out.
#include "backend_qt.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QPointer>

#include <algorithm>
#include <vector>

namespace ui {

namespace {

QAccessible::Role roleOf(const Control &c) {
    switch (c.accessible().role) {
    case Role::PushButton: return QAccessible::Button;
    case Role::Label: return QAccessible::StaticText;
    default: return QAccessible::Graphic;
    }
}

// A picture box or label: drawn by its window, a child of it in the
// accessible tree, pressed like a button where it is one.
class AccessibleControl : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    AccessibleControl(FormWidget *w, Control &c) : control(c), window_(w) {}
    Control &control;

    bool isValid() const override { return !window_.isNull(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return window_ ? window_->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return window_ ? QAccessible::queryAccessibleInterface(window_) : nullptr; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    void setText(QAccessible::Text, const QString &) override {}
    QAccessible::Role role() const override { return roleOf(control); }
    QRect rect() const override {
        if (!window_) return QRect();
        const Rect r = control.placeInFrame();
        return QRect(window_->mapToGlobal(QPoint(r.x, r.y)), QSize(r.w, r.h));
    }
    QString text(QAccessible::Text t) const override {
        const AccessibleInfo a = control.accessible();
        switch (t) {
        case QAccessible::Name: return qstr(a.name);
        case QAccessible::Value: return role() == QAccessible::StaticText ? qstr(a.name) : QString();
        case QAccessible::Description: return qstr(a.description);
        case QAccessible::Accelerator: return qstr(a.shortcut);
        default: return QString();
        }
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!window_ || !window_->isVisible() || !control.shownInWindow()) s.invisible = true;
        if (control.takesFocus()) s.focusable = true;
        if (control.hasFocus() && window_ && window_->isActiveWindow()) s.focused = true;
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }
    QStringList actionNames() const override {
        return control.accessible().role == Role::PushButton ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString &name) override {
        if (name != pressAction() || control.accessible().role != Role::PushButton) return;
        Event ev;
        ev.type = Event::Pressed, ev.control = &control;
        control.form().handle(ev);
    }
    QStringList keyBindingsForAction(const QString &name) const override {
        const String key = control.accessible().shortcut;
        return name == pressAction() && !key.empty() ? QStringList{qstr(key)} : QStringList{};
    }

private:
    QPointer<FormWidget> window_;
};

// The accessible object of a control: its widget's, or one of its window's own.
QAccessibleInterface *interfaceOf(FormWidget *window, Control &c) {
    if (auto *f = dynamic_cast<FieldWidget *>(c.field())) return QAccessible::queryAccessibleInterface(f->widget());
    auto it = window->accessibleIds.find(&c);
    if (it == window->accessibleIds.end())
        it = window->accessibleIds.emplace(&c, QAccessible::registerAccessibleInterface(new AccessibleControl(window, c))).first;
    return QAccessible::accessibleInterface(it->second);
}

// A field: its text as the toolkit says a screen reader reads it (a symbol
// font's letters as their symbols), read by characters, words and lines at
// any offset, the end included.
class AccessibleField : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit AccessibleField(TextWidget *w)
        : QAccessibleWidget(w, QAccessible::EditableText), field(w), box(w->box) {}
    TextWidget *field;
    TextBox &box;

    void *interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface *>(this) : QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return qstr(box.accessible().name);
        if (t == QAccessible::Value) return shown();
        if (t == QAccessible::Description) return qstr(box.accessible().description);
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = field->isReadOnly();
        s.editable = !field->isReadOnly();
        return s;
    }

    // QAccessibleTextInterface
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return std::clamp(field->cursorPosition(), 0, characterCount()); }
    void setCursorPosition(int position) override { field->setCursorPosition(position); }
    QString text(int start, int end) const override {
        const QString t = shown();
        if (end < 0 || end > t.size()) end = int(t.size());
        start = std::clamp(start, 0, end);
        return t.mid(start, end - start);
    }
    int characterCount() const override { return int(shown().size()); }
    QRect characterRect(int offset) const override {
        const QString t = shown();
        if (offset < 0 || offset >= t.size()) return QRect();
        const QFontMetrics fm(field->font());
        const QRect inside = field->contentsRect();
        const QPoint at = field->mapToGlobal(QPoint(inside.x() + 2 + fm.horizontalAdvance(t.left(offset)), inside.y()));
        return QRect(at, QSize(fm.horizontalAdvance(t.at(offset)), inside.height()));
    }
    int offsetAtPoint(const QPoint &point) const override {
        for (int i = 0; i < characterCount(); ++i)
            if (characterRect(i).contains(point)) return i;
        return -1;
    }
    void scrollToSubstring(int, int) override {}
    // One run of no attributes over the whole text (a screen reader reads
    // the text run by run: a run shorter than the text loses letters).
    QString attributes(int offset, int *start, int *end) const override {
        const int n = characterCount();
        *start = offset < n ? 0 : n, *end = n;
        return QString();
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType b, int *start, int *end) const override {
        return piece(offset, b, -1, start, end);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType b, int *start, int *end) const override {
        return piece(offset, b, 0, start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType b, int *start, int *end) const override {
        return piece(offset, b, 1, start, end);
    }

private:
    QString shown() const { return qstr(box.spokenText()); }

    // The piece of the text at `offset`, or the one before or after it: a
    // character, a word with the spaces after it, or the whole one line.
    // Past the end there is nothing: an empty piece at the end.
    QString piece(int offset, QAccessible::TextBoundaryType b, int step, int *start, int *end) const {
        const QString t = shown();
        const int n = int(t.size());
        offset = std::clamp(offset, 0, n);
        std::vector<int> cuts{0};
        for (int i = 1; i < n; ++i) {
            const bool word = b == QAccessible::WordBoundary && !t.at(i).isSpace() && t.at(i - 1).isSpace();
            if (b == QAccessible::CharBoundary || word) cuts.push_back(i);
        }
        if (n > 0) cuts.push_back(n);
        // The piece holding the offset; at the end, the place after the last.
        int k = int(std::upper_bound(cuts.begin(), cuts.end(), offset) - cuts.begin()) - 1;
        if (offset == n) k = int(cuts.size()) - 1;
        k += step;
        if (k < 0 || k + 1 >= int(cuts.size())) {
            *start = *end = step < 0 ? 0 : n;
            return QString();
        }
        *start = cuts[std::size_t(k)], *end = cuts[std::size_t(k + 1)];
        return t.mid(*start, *end - *start);
    }
};

class AccessibleForm : public QAccessibleWidget {
public:
    // An owned window without a taskbar button (About) is a dialog.
    explicit AccessibleForm(FormWidget *w)
        : QAccessibleWidget(w, w->windowType() == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window), window(w),
          form(w->form) {}
    FormWidget *window;
    Form &form;

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return qstr(form.accessible().name);
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return int(form.accessibleChildren().size()); }
    QAccessibleInterface *child(int index) const override {
        const std::vector<Control *> children = form.accessibleChildren();
        if (index < 0 || index >= int(children.size())) return nullptr;
        return interfaceOf(window, *children[std::size_t(index)]);
    }
    int indexOfChild(const QAccessibleInterface *child) const override {
        const std::vector<Control *> children = form.accessibleChildren();
        for (std::size_t i = 0; i < children.size(); ++i)
            if (child && child == interfaceOf(window, *children[i])) return int(i);
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override {
        for (Control *c : form.accessibleChildren())
            if (QAccessibleInterface *i = interfaceOf(window, *c); i->rect().contains(x, y)) return i;
        return nullptr;
    }
    QAccessibleInterface *focusChild() const override {
        for (Control *c : form.accessibleChildren())
            if (c->hasFocus()) return interfaceOf(window, *c);
        return nullptr;
    }
};

QAccessibleInterface *factory(const QString &className, QObject *object) {
    if (className == QLatin1String("ui::FormWidget")) return new AccessibleForm(static_cast<FormWidget *>(object));
    if (className == QLatin1String("ui::TextWidget")) return new AccessibleField(static_cast<TextWidget *>(object));
    if (className == QLatin1String("ui::Announcer")) return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Notification);
    return nullptr;
}

} // namespace

void installAccessibility() { QAccessible::installFactory(factory); }

void FormWidget::accessibleChanged(Control &c, AccessibleChange what) {
    // Qt tells of its own widgets' keyboard and texts itself.
    if (!QAccessible::isActive()) return;
    if (what == AccessibleChange::Description && c.hasFocus() && !form.announcement().empty()) {
        // What is announced is said as a notification: the screen reader
        // speaks it when it shows, wherever the keyboard is.
        if (!announcer) {
            announcer = new Announcer(this);
            announcer->setObjectName(QStringLiteral("announcer"));
            announcer->hide();
        }
        announcer->setAccessibleName(qstr(form.announcement()));
        QAccessibleEvent e(announcer, QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&e);
        return;
    }
    if (c.field() || (what != AccessibleChange::Name && what != AccessibleChange::Focus)) return;
    if (what == AccessibleChange::Focus && !isActiveWindow()) return;
    QAccessibleEvent e(interfaceOf(this, c), what == AccessibleChange::Name ? QAccessible::NameChanged : QAccessible::Focus);
    QAccessible::updateAccessibility(&e);
}

} // namespace ui
