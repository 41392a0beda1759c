#pragma once
// Silencing standard output around code whose printing is not wanted: the
// viewer's console lines, in the programs that drive its frames.

// Sends standard output to the null device (both C and C++ streams flushed first)
// and returns a descriptor of what it was, for restoreStandardOutput; -1 when
// it could not be saved.
int discardStandardOutput();
void restoreStandardOutput(int saved);
