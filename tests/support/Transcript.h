#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

class ScratchScene;

// Compares two console transcripts; on a mismatch reports where they part,
// with a little context, instead of both in full.
::testing::AssertionResult sameTranscript(const std::string& actual, const std::string& expected);

// Whether `transcript` starts with `head` and ends with `tail`, with something
// (a driver's log, say) between them, which goes to *middle.
::testing::AssertionResult framedBy(const std::string& transcript, const std::string& head,
                                    const std::string& tail, std::string* middle = nullptr);

// The pieces of the viewer's own console transcript.

// The shader stage files, in the order the viewer compiles them.
extern const std::vector<std::string> stageFiles;

// What the shader loader prints for one stage file: its path, then its text,
// each as one line.
std::string echoOf(const ScratchScene& scene, const std::string& stageFile);

// The importer's version, printed with a line feed of its own.
std::string versionBlock();

// The demonstration scene's destructor trace at shutdown.
const std::string& shutdownTrace();
