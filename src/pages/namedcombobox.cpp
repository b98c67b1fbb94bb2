#include "pages/namedcombobox.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// The combo box as assistive tools see it: its given name, its current entry as the value,
// its opened list as its one child, and "show menu" to open that list.
class CNamedComboAccessible : public QAccessibleWidget {
public:
    explicit CNamedComboAccessible(QComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return Combo()->accessibleName();
            case QAccessible::Value:
                return Combo()->currentText();
            default:
                return QAccessibleWidget::text(t);
        }
    }

    int childCount() const override { return Combo()->view() != nullptr ? 1 : 0; }

    QAccessibleInterface* child(int index) const override {
        return index == 0 && Combo()->view() != nullptr
                   ? QAccessible::queryAccessibleInterface(Combo()->view())
                   : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child->object() == Combo()->view() ? 0 : -1;
    }

    QStringList actionNames() const override {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& actionName) override {
        if (actionName == showMenuAction() || actionName == pressAction()) {
            Combo()->showPopup();
            return;
        }
        QAccessibleWidget::doAction(actionName);
    }

private:
    QComboBox* Combo() const { return static_cast<QComboBox*>(object()); }
};

QAccessibleInterface* NamedComboFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(CNamedComboBox::staticMetaObject.className()) &&
        object != nullptr && object->isWidgetType()) {
        return new CNamedComboAccessible(static_cast<CNamedComboBox*>(object));
    }
    return nullptr;
}

}  // namespace

CNamedComboBox::CNamedComboBox(QWidget* parent) : QComboBox(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(NamedComboFactory);
        return true;
    }();
    (void)installed;
}
