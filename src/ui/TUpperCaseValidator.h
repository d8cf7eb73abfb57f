#pragma once

#include <QValidator>

// Forces what is typed into a line edit to upper case as it is typed (call signs).
class TUpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};
