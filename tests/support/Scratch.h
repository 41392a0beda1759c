#pragma once
#include <string>

// A temporary working directory holding a copy of the scene's shaders/,
// models/ and textures/, removed again when the object goes.
class ScratchScene {
public:
    ScratchScene();
    ~ScratchScene();
    ScratchScene(const ScratchScene&) = delete;
    ScratchScene& operator=(const ScratchScene&) = delete;

    const std::string& path() const { return m_path; }
    // Path of a file relative to the scratch directory, e.g. "models/box.obj".
    std::string file(const std::string& relative) const;
    void write(const std::string& relative, const std::string& contents) const;
    void remove(const std::string& relative) const;

private:
    std::string m_path;
};

// A fresh empty temporary directory, removed with the object.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    void write(const std::string& name, const std::string& contents) const;

private:
    std::string m_path;
};

std::string readFile(const std::string& path);

// Where the running test puts a file for a person to look at after a failure
// (a picture it rendered, for example): a fresh temporary folder of its own,
// named after the test and kept after the process ends, so that tests run
// side by side or one after another never overwrite each other's.
std::string keptTestOutput(const std::string& name);
