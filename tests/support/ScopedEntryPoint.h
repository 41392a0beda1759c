#pragma once
#include "support/NonCopyable.h"

// Points one of GLEW's entry points (a function pointer such as
// __glewUseProgram) at a stand-in for the object's lifetime and puts the
// driver's back afterwards, also when a test stops at a failed assertion.
// The stand-in reaches the driver through `original`, which is set before
// the swap.
template <typename Function>
class ScopedEntryPoint : NonCopyable {
public:
    ScopedEntryPoint(Function& entry, Function standIn, Function& original) : m_entry(entry), m_saved(entry)
    {
        original = m_saved;
        m_entry = standIn;
    }

    ~ScopedEntryPoint() { m_entry = m_saved; }

private:
    Function& m_entry;
    Function m_saved;
};
