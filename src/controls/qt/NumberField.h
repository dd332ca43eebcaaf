#pragma once

#include <QSpinBox>

// A whole-number field shown as plain digits ("####0"): no group separators,
// no step buttons, values kept within [minimum, maximum]. Text that is not
// a number in range never becomes its value: on leaving the field, and
// whenever settledValue() is read, the field shows its last valid value again.
class NumberField : public QSpinBox {
    Q_OBJECT
public:
    NumberField(int minimum, int maximum, QWidget* parent = nullptr);

    // The value after taking up what was typed; an empty or unusable entry
    // reverts to the last valid value, which the field then shows.
    int settledValue();
};
