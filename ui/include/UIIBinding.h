#pragma once

class QObject;
class UIIUserInput;

// A two-way tie between a user input and the value it edits.
class UIIBinding
{
public:
    virtual ~UIIBinding() = default;
    // Value -> input.
    virtual void updateUserInput() = 0;
    // Input -> value.
    virtual void updateSource() = 0;
    virtual void setParent(QObject* parent) = 0;
    virtual void setUserInput(UIIUserInput* input) = 0;
    // The input lost the focus.
    virtual void validateSource() = 0;
};
