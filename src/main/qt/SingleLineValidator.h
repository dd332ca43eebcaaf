#pragma once

#include <QValidator>

// Keeps a line edit to one line, whatever way text comes in (typing, paste,
// drop, input method, setText): line breaks become spaces and other control
// characters except TAB are removed. Nothing is ever refused.
class SingleLineValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override;
};
