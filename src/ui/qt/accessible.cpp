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

#include <algorithm>
#include <vector>

namespace ui {

namespace {

QAccessibleInterface *windowOf(QWidget *w) { return QAccessible::queryAccessibleInterface(w->window()); }

// A control of ours: a child of its window in the accessible tree, whatever
// widget it lies in.
class AccessibleControl : public QAccessibleWidget {
public:
    AccessibleControl(QWidget *w, Control &c, QAccessible::Role role) : QAccessibleWidget(w, role), control(c) {}
    Control &control;

    QAccessibleInterface *parent() const override { return windowOf(widget()); }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        const AccessibleInfo a = control.accessible();
        switch (t) {
        case QAccessible::Name: return qstr(a.name);
        case QAccessible::Value: return role() == QAccessible::StaticText ? qstr(a.name) : QString();
        case QAccessible::Description: return qstr(a.description);
        case QAccessible::Accelerator: return qstr(a.shortcut);
        default: return QAccessibleWidget::text(t);
        }
    }
    QStringList actionNames() const override {
        return control.accessible().role == Role::PushButton ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString &name) override {
        if (name == pressAction() && control.accessible().role == Role::PushButton) control.nativePress();
    }
    QStringList keyBindingsForAction(const QString &name) const override {
        const String key = control.accessible().shortcut;
        return name == pressAction() && !key.empty() ? QStringList{qstr(key)} : QStringList{};
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (control.takesFocus()) s.focusable = true;
        return s;
    }
};

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
        : QAccessibleWidget(w, w->windowType() == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window), form(w->form) {}
    Form &form;

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return qstr(form.accessible().name);
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return int(form.accessibleChildren().size()); }
    QAccessibleInterface *child(int index) const override {
        const std::vector<Control *> children = form.accessibleChildren();
        if (index < 0 || index >= int(children.size())) return nullptr;
        return QAccessible::queryAccessibleInterface(dynamic_cast<QWidget *>(&children[std::size_t(index)]->native()));
    }
    int indexOfChild(const QAccessibleInterface *child) const override {
        const std::vector<Control *> children = form.accessibleChildren();
        for (std::size_t i = 0; i < children.size(); ++i)
            if (child && child->object() == dynamic_cast<QObject *>(&children[i]->native())) return int(i);
        return -1;
    }
};

QAccessibleInterface *factory(const QString &className, QObject *object) {
    if (className == QLatin1String("ui::FormWidget")) return new AccessibleForm(static_cast<FormWidget *>(object));
    if (className == QLatin1String("ui::PictureWidget")) {
        auto *w = static_cast<PictureWidget *>(object);
        const bool button = w->box.accessible().role == Role::PushButton;
        return new AccessibleControl(w, w->box, button ? QAccessible::Button : QAccessible::Graphic);
    }
    if (className == QLatin1String("ui::TextWidget")) return new AccessibleField(static_cast<TextWidget *>(object));
    if (className == QLatin1String("ui::Announcer")) return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Notification);
    if (className == QLatin1String("ui::LabelWidget")) {
        auto *w = static_cast<LabelWidget *>(object);
        return new AccessibleControl(w, w->label, QAccessible::StaticText);
    }
    return nullptr;
}

} // namespace

void installAccessibility() { QAccessible::installFactory(factory); }

} // namespace ui
