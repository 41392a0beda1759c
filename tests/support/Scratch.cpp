#include "support/Scratch.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string makeTemporaryDirectory()
{
    std::string pattern = (fs::temp_directory_path() / "kov-test-XXXXXX").string();
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

ScratchScene::ScratchScene() : m_path(makeTemporaryDirectory())
{
    for (const char* folder : {"shaders", "models", "textures"}) {
        const fs::path from = fs::path(KOV_SOURCE_DIR) / folder;
        if (fs::exists(from)) {
            fs::copy(from, fs::path(m_path) / folder, fs::copy_options::recursive);
        }
    }
}

ScratchScene::~ScratchScene()
{
    std::error_code ignored;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_path, ignored);
}

std::string ScratchScene::file(const std::string& relative) const
{
    return m_path + "/" + relative;
}

void ScratchScene::write(const std::string& relative, const std::string& contents) const
{
    std::error_code ignored;
    fs::remove_all(file(relative), ignored);
    writeFile(file(relative), contents);
}

void ScratchScene::remove(const std::string& relative) const
{
    std::error_code ignored;
    fs::remove_all(file(relative), ignored);
}

ScratchDirectory::ScratchDirectory() : m_path(makeTemporaryDirectory()) {}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

void ScratchDirectory::write(const std::string& name, const std::string& contents) const
{
    writeFile(file(name), contents);
}

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}
