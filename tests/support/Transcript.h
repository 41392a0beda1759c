#pragma once
#include <gtest/gtest.h>

#include <string>

// Compares two console transcripts; on a mismatch reports where they part,
// with a little context, instead of both in full.
::testing::AssertionResult sameTranscript(const std::string& actual, const std::string& expected);
