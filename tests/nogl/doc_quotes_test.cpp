// docs/how-it-works.md quotes the code. Every block with a language names its
// file on its first line ("// path", from the repository root); its other
// lines must appear in that file in order and uncut, except where a line
// "// ..." marks lines left out. A block without a language is a drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> linesOf(const std::string& path)
{
    std::ifstream in(std::string(KOV_SOURCE_DIR) + "/" + path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool isCut(const std::string& line)
{
    const size_t text = line.find_first_not_of(' ');
    return text != std::string::npos && line.compare(text, std::string::npos, "// ...") == 0;
}

} // namespace

TEST(HowItWorks, EveryQuoteIsInItsFileInOrderExceptAtMarkedCuts)
{
    const std::vector<std::string> doc = linesOf("docs/how-it-works.md");
    int quotes = 0;
    for (size_t i = 0; i < doc.size(); ++i) {
        if (doc[i].rfind("```", 0) != 0) {
            continue;
        }
        const bool code = doc[i].size() > 3;
        const size_t opening = i + 1;
        std::vector<std::string> block;
        for (++i; i < doc.size() && doc[i] != "```"; ++i) {
            block.push_back(doc[i]);
        }
        if (!code) {
            continue;
        }
        SCOPED_TRACE("the block opened on line " + std::to_string(opening) + " of docs/how-it-works.md");
        ASSERT_FALSE(block.empty());
        ASSERT_EQ(block[0].rfind("// ", 0), 0u) << "its first line names no file";
        const std::string path = block[0].substr(3);
        const std::vector<std::string> file = linesOf(path);
        ASSERT_FALSE(file.empty()) << path << " cannot be read";
        ++quotes;
        // Each run of lines between cuts, found after the one before it.
        auto from = file.begin();
        for (auto run = block.begin() + 1; run != block.end();) {
            const auto end = std::find_if(run, block.end(), isCut);
            if (run != end) {
                const auto found = std::search(from, file.end(), run, end);
                ASSERT_NE(found, file.end()) << "not in " << path << " in this order and uncut: " << *run;
                from = found + (end - run);
            }
            run = end == block.end() ? end : end + 1;
        }
    }
    EXPECT_GT(quotes, 0) << "no code block found";
}
