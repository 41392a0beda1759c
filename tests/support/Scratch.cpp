#include "support/Scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string makeTemporaryDirectory(const std::string& prefix = "kov-test")
{
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return std::string();
    }
    return pattern;
}

void writeFile(const std::string& path, const std::string& contents)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << contents;
}

} // namespace

ScratchDirectory::ScratchDirectory() : m_path(makeTemporaryDirectory())
{
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_path, ignored);
}

void ScratchDirectory::write(const std::string& relative, const std::string& contents) const
{
    remove(relative);
    writeFile(file(relative), contents);
}

void ScratchDirectory::remove(const std::string& relative) const
{
    std::error_code ignored;
    fs::remove_all(file(relative), ignored);
}

ScratchScene::ScratchScene()
{
    for (const char* folder : {"shaders", "models", "textures"}) {
        const fs::path from = fs::path(KOV_SOURCE_DIR) / folder;
        if (fs::exists(from)) {
            fs::copy(from, fs::path(path()) / folder, fs::copy_options::recursive);
        }
    }
}

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

std::string keptTestOutput(const std::string& name)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string testName =
        test != nullptr ? std::string(test->test_suite_name()) + "." + test->name() : std::string("no-test");
    std::replace(testName.begin(), testName.end(), '/', '_'); // parameterised tests
    // One folder per test of this process, made on its first file.
    static std::map<std::string, std::string> folders;
    std::string& folder = folders[testName];
    if (folder.empty()) {
        folder = makeTemporaryDirectory("kov-" + testName);
    }
    return folder + "/" + name;
}
