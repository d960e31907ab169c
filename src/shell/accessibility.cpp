#include "shell/accessibility.h"

#include <QAccessibleWidget>
#include <QVariant>

#include "shell/qt_text.h"
#include "status/error_indicator.h"

namespace qdu {

namespace {

constexpr const char* kPictureProperty = "qdu_picture";

// The quality bar: its level as a value from 0 to 8, and in words with the page's word.
class IndicatorInterface final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit IndicatorInterface(CErrorIndicator* indicator)
        : QAccessibleWidget(indicator, QAccessible::Indicator) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return static_cast<const CErrorIndicator*>(widget())->value_text();
        }
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override {
        return static_cast<const CErrorIndicator*>(widget())->level;
    }
    void setCurrentValue(const QVariant&) override {}  // shown, never set by the user
    QVariant maximumValue() const override { return 8; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

QAccessibleInterface* interface_for(const QString&, QObject* object) {
    if (auto* indicator = qobject_cast<CErrorIndicator*>(object)) {
        return new IndicatorInterface(indicator);
    }
    if (object != nullptr && object->isWidgetType() &&
        object->property(kPictureProperty).toBool()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    }
    return nullptr;
}

}  // namespace

void install_accessible_widgets() {
    static const bool installed = [] {
        QAccessible::installFactory(interface_for);
        return true;
    }();
    (void)installed;
}

void name_for_access(QWidget* widget, int string_id) {
    widget->setAccessibleName(qt_text(string_id));
}

void mark_as_picture(QWidget* widget, int string_id) {
    install_accessible_widgets();
    widget->setProperty(kPictureProperty, true);
    name_for_access(widget, string_id);
}

}  // namespace qdu
