#include "support/Transcript.h"

::testing::AssertionResult sameTranscript(const std::string& actual, const std::string& expected)
{
    if (actual == expected) {
        return ::testing::AssertionSuccess();
    }
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
        ++at;
    }
    const size_t from = at > 200 ? at - 200 : 0;
    return ::testing::AssertionFailure() << "the transcripts part at byte " << at << " of " << actual.size()
                                         << " (expected " << expected.size() << ")\n--- actual from there:\n"
                                         << actual.substr(from, 600) << "\n--- expected from there:\n"
                                         << expected.substr(from, 600);
}
