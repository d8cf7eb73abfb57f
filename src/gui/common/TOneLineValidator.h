#pragma once

#include "data/OneLine.h"

#include <QLineEdit>
#include <QValidator>
#include <algorithm>
#include <initializer_list>

// Keeps what is typed or pasted into a one-line field on one line: line breaks, tabs and other control
// characters become blanks as they arrive (a multi-line paste becomes one line), so that no value can
// later break a line of the files the program writes.
class TOneLineValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override
    {
        if (!OneLine::IsClean(input)) {
            input = OneLine::Clean(input);
        }
        return Acceptable;
    }

    // Gives every line edit of the form that has no validator of its own this one, except the given ones
    // (paths, which are taken as the file system has them).
    static void KeepOneLine(QWidget* form, std::initializer_list<const QLineEdit*> except = {})
    {
        for (QLineEdit* edit : form->findChildren<QLineEdit*>()) {
            if (!edit->validator() && std::find(except.begin(), except.end(), edit) == except.end()) {
                edit->setValidator(new TOneLineValidator(edit));
            }
        }
    }
};
