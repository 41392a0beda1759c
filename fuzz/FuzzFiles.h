#pragma once
// The loaders read files, so every fuzz target writes its input to one, in a
// private temporary directory that is removed when the fuzzer exits.
#include <cstddef>
#include <cstdint>
#include <string>

// Writes `size` bytes to `name` inside the fuzzer's temporary directory and
// gives the full path.
std::string writeFuzzFile(const std::string& name, const uint8_t* data, size_t size);
