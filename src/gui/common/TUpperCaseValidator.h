#pragma once

#include "TOneLineValidator.h"

// Forces what is typed into a line edit to upper case as it is typed (call signs), on one line.
class TUpperCaseValidator : public TOneLineValidator
{
public:
    using TOneLineValidator::TOneLineValidator;

    State validate(QString& input, int& pos) const override
    {
        TOneLineValidator::validate(input, pos);
        input = input.toUpper();
        return Acceptable;
    }
};
