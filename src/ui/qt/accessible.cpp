// What the accessibility bus sees of the toolkit's own widgets: push buttons
// made of picture boxes are buttons that can be pressed, labels are text,
// windows are frames named by their caption.
#include "backend_qt.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace ui {

namespace {

class AccessiblePicture : public QAccessibleWidget {
public:
    explicit AccessiblePicture(PictureWidget *w)
        : QAccessibleWidget(w, w->box.def().pushButton ? QAccessible::Button : QAccessible::Graphic), box(w->box) {}
    PictureBox &box;

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return widget()->accessibleName().isEmpty() ? widget()->toolTip() : widget()->accessibleName();
        if (t == QAccessible::Description) return widget()->toolTip();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return box.def().pushButton ? QStringList{pressAction()} : QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override {
        if (box.def().pushButton && name == pressAction()) box.nativePress();
        else QAccessibleWidget::doAction(name);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (box.def().pushButton) s.focusable = true;
        return s;
    }
};

class AccessibleLabel : public QAccessibleWidget {
public:
    explicit AccessibleLabel(LabelWidget *w) : QAccessibleWidget(w, QAccessible::StaticText), label(w->label) {}
    Label &label;
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name || t == QAccessible::Value) return qstr(label.displayText());
        return QAccessibleWidget::text(t);
    }
};

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
    if (className == QLatin1String("ui::FormWidget")) return new AccessibleForm(static_cast<FormWidget *>(object));
    if (className == QLatin1String("ui::PictureWidget")) return new AccessiblePicture(static_cast<PictureWidget *>(object));
    if (className == QLatin1String("ui::LabelWidget")) return new AccessibleLabel(static_cast<LabelWidget *>(object));
    return nullptr;
}

} // namespace

void installAccessibility() { QAccessible::installFactory(factory); }

} // namespace ui
