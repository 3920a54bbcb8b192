// What the accessibility bus sees of the toolkit's own widgets: push buttons
// made of picture boxes are buttons that can be pressed, labels are text.
#include "widgets_p.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace ui {

namespace {

class AccessiblePicture : public QAccessibleWidget {
public:
    explicit AccessiblePicture(PictureWidget *w) : QAccessibleWidget(w, QAccessible::Graphic) {}
    PictureWidget *picture() const { return static_cast<PictureWidget *>(widget()); }
    // Asked each time: the interface is made when the widget is created,
    // before the form marks the picture box as a push button.
    QAccessible::Role role() const override {
        return widget()->property("lunivarButton").toBool() ? QAccessible::Button : QAccessible::Graphic;
    }
    bool isButton() const { return role() == QAccessible::Button; }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString n = widget()->accessibleName();
            return n.isEmpty() ? widget()->toolTip() : n;
        }
        if (t == QAccessible::Description) return widget()->toolTip();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return isButton() ? QStringList{pressAction()} : QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override {
        if (isButton() && name == pressAction()) picture()->click();
        else QAccessibleWidget::doAction(name);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (isButton()) s.focusable = true;
        return s;
    }
};

class AccessibleLabel : public QAccessibleWidget {
public:
    explicit AccessibleLabel(LabelWidget *w) : QAccessibleWidget(w, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name || t == QAccessible::Value)
            return static_cast<LabelWidget *>(widget())->label()->displayText();
        return QAccessibleWidget::text(t);
    }
};

// A window is a frame named by its caption.
class AccessibleForm : public QAccessibleWidget {
public:
    explicit AccessibleForm(FormWidget *w) : QAccessibleWidget(w, QAccessible::Window) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString title = widget()->windowTitle();
            return title.isEmpty() ? widget()->accessibleName() : title;
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *factory(const QString &className, QObject *object) {
    if (!object || !object->isWidgetType()) return nullptr;
    if (className == QLatin1String("ui::FormWidget")) return new AccessibleForm(static_cast<FormWidget *>(object));
    if (className == QLatin1String("ui::PictureWidget")) return new AccessiblePicture(static_cast<PictureWidget *>(object));
    if (className == QLatin1String("ui::LabelWidget")) return new AccessibleLabel(static_cast<LabelWidget *>(object));
    return nullptr;
}

} // namespace

void installAccessibility() { QAccessible::installFactory(factory); }

} // namespace ui
