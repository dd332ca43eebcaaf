#include "main/qt/SingleLineValidator.h"

#include "main/SingleLineText.h"

QValidator::State SingleLineValidator::validate(QString& input, int& pos) const
{
    SingleLineText::Clean(input, pos);
    return Acceptable;
}
