// What the accessibility bus sees of the windows: each window is a frame
// named by its caption (or its accessible name) whose children are the
// controls the toolkit announces, in reading order; push buttons made of
// picture boxes are buttons that can be pressed, labels are text.
// Decorations, shadows and the captions inside buttons are left out.
#include "backend_qt.h"

#include <QAccessible>
#include <QAccessibleWidget>

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

class AccessibleForm : public QAccessibleWidget {
public:
    explicit AccessibleForm(FormWidget *w) : QAccessibleWidget(w, QAccessible::Window), form(w->form) {}
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
    if (className == QLatin1String("ui::LabelWidget")) {
        auto *w = static_cast<LabelWidget *>(object);
        return new AccessibleControl(w, w->label, QAccessible::StaticText);
    }
    return nullptr;
}

} // namespace

void installAccessibility() { QAccessible::installFactory(factory); }

} // namespace ui
