#include "controls/qt/NumberField.h"

#include <QLocale>

NumberField::NumberField(int minimum, int maximum, QWidget* parent) : QSpinBox(parent)
{
    // ASCII digits and no separators whatever the user's locale.
    setLocale(QLocale::c());
    setGroupSeparatorShown(false);
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setRange(minimum, maximum);
    setValue(minimum);
}

int NumberField::settledValue()
{
    interpretText();
    return value();
}
