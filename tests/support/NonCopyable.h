#pragma once

// The base of a helper that owns something (a folder, a connection, a swapped
// entry point) and so must never be copied.
class NonCopyable {
protected:
    NonCopyable() = default;
    ~NonCopyable() = default;

public:
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;
};
