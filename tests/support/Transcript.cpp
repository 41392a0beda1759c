#include "support/Transcript.h"

#include "support/Scratch.h"

#include <assimp/version.h>

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

const std::vector<std::string> stageFiles = {
    "shaders/BasicLighting.vert", "shaders/BasicLighting.frag", "shaders/shadow.vert",
    "shaders/shadow.geom",        "shaders/shadow.frag",        "shaders/ambientShader.vert",
    "shaders/ambientShader.frag", "shaders/normalMapping.vert", "shaders/normalMapping.frag",
};

std::string echoOf(const ScratchScene& scene, const std::string& stageFile)
{
    return stageFile + "\n" + readFile(scene.file(stageFile)) + "\n";
}

std::string versionBlock()
{
    return std::to_string(aiGetVersionMajor()) + "." + std::to_string(aiGetVersionMinor()) + "\n\n";
}

const std::string& shutdownTrace()
{
    static const std::string trace = [] {
        std::string text;
        for (int i = 0; i < 8; ++i) {
            text += "Asset Destructor\n";
        }
        for (int i = 0; i < 10; ++i) {
            text += "Texture destructor\n";
        }
        return text;
    }();
    return trace;
}

::testing::AssertionResult framedBy(const std::string& transcript, const std::string& head,
                                    const std::string& tail, std::string* middle)
{
    if (transcript.size() <= head.size() + tail.size() || transcript.compare(0, head.size(), head) != 0 ||
        transcript.compare(transcript.size() - tail.size(), tail.size(), tail) != 0) {
        return ::testing::AssertionFailure() << "not\n"
                                             << head << "...\n"
                                             << tail << "but\n"
                                             << transcript.substr(0, 3000);
    }
    if (middle != nullptr) {
        *middle = transcript.substr(head.size(), transcript.size() - head.size() - tail.size());
    }
    return ::testing::AssertionSuccess();
}
