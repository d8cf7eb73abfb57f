#pragma once

#include "gui/common/TRealPrompts.h"

#include <cstdio>

// The prompts of a benchmark or developer tool that runs with nobody at the screen: a message is written
// to standard error and answered OK; the other prompts are the program's own.
class TQuietPrompts : public TRealPrompts
{
public:
    MsgButton Message(QWidget*, const QString& text, MsgKind, MsgButtons) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MsgButton::OK;
    }
};
