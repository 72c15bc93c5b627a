// The accessible interface of the main window's drop-down buttons.
#include "app/dropdownaccess.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMenu>
#include <QToolButton>

namespace velloran {

namespace {

class DropDownButtonAccessible : public QAccessibleWidget {
public:
    explicit DropDownButtonAccessible(QToolButton* button)
        : QAccessibleWidget(button, QAccessible::ButtonMenu) {}

    QString text(QAccessible::Text t) const override {
        QString text = QAccessibleWidget::text(t);
        if (text.isEmpty() && t == QAccessible::Name)
            text = button()->text().remove(QLatin1Char('&'));
        return text;
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.hasPopup = true;
        state.checkable = button()->isCheckable();
        state.checked = button()->isChecked();
        state.pressed = button()->isDown();
        return state;
    }

    int childCount() const override { return button()->menu() != nullptr ? 1 : 0; }

    QAccessibleInterface* child(int index) const override {
        QMenu* menu = button()->menu();
        return index == 0 && menu != nullptr ? QAccessible::queryAccessibleInterface(menu)
                                             : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && button()->menu() != nullptr &&
                       child->object() == button()->menu()
                   ? 0
                   : -1;
    }

    QStringList actionNames() const override {
        if (!widget()->isEnabled())
            return {};
        return {showMenuAction(), button()->isCheckable() ? toggleAction() : pressAction()};
    }

    void doAction(const QString& name) override {
        if (!widget()->isEnabled())
            return;
        if (name == showMenuAction())
            button()->showMenu();
        else if (name == pressAction() || name == toggleAction())
            button()->click();
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QToolButton* button() const { return static_cast<QToolButton*>(widget()); }
};

} // namespace

void ExposeDropDown(QToolButton* button) {
    // An interface made before (when a reader was already listening) gives way to ours.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(button))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    QAccessible::registerAccessibleInterface(new DropDownButtonAccessible(button));
}

} // namespace velloran
