#pragma once
#include "support/NonCopyable.h"

#include <string>

// A fresh empty temporary directory, removed with the object.
class ScratchDirectory : NonCopyable {
public:
    ScratchDirectory();
    ~ScratchDirectory();

    const std::string& path() const { return m_path; }
    // Path of a file relative to the directory, e.g. "models/box.obj".
    std::string file(const std::string& relative) const { return m_path + "/" + relative; }
    // Writes a file, making its folders and replacing whatever stood there.
    void write(const std::string& relative, const std::string& contents) const;
    void remove(const std::string& relative) const;

private:
    std::string m_path;
};

// A temporary working directory holding a copy of the scene's shaders/,
// models/ and textures/, removed again when the object goes.
class ScratchScene : public ScratchDirectory {
public:
    ScratchScene();
};

std::string readFile(const std::string& path);

// Where the running test puts a file for a person to look at after a failure
// (a picture it rendered, for example): a fresh temporary folder of its own,
// named after the test and kept after the process ends, so that tests run
// side by side or one after another never overwrite each other's.
std::string keptTestOutput(const std::string& name);
