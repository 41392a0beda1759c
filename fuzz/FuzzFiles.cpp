#include "FuzzFiles.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

std::string temporaryDirectory()
{
    static const std::string path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "kov-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        // Removed again when the fuzzer exits normally.
        static struct Remover {
            std::string path;
            ~Remover()
            {
                std::error_code ignored;
                std::filesystem::remove_all(path, ignored);
            }
        } remover{pattern};
        return pattern;
    }();
    return path;
}

} // namespace

std::string writeFuzzFile(const std::string& name, const uint8_t* data, size_t size)
{
    const std::string path = temporaryDirectory() + "/" + name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}
