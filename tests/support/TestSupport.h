#pragma once
// Shared pieces of the test programs: a temporary folder that removes itself, and a fixture
// that installs scripted dialog answers and fails the test on any box nobody expected.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/Dialogs.h"
#include "platform/Shell.h"

namespace qmtest {

// A fresh folder in the temporary folder ($TMPDIR or /tmp); removed with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; } // ends without "/"
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Points the registry at a new, empty database file of its own for the object's life; the
// previous file is used again afterwards.
class PrivateRegistry {
public:
    PrivateRegistry();
    ~PrivateRegistry();
    PrivateRegistry(const PrivateRegistry&) = delete;
    PrivateRegistry& operator=(const PrivateRegistry&) = delete;
    std::string path() const { return dir_.file("registry.db"); }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    std::string saved_;
    bool hadValue_ = false;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// Installs ScriptedDialogs and a RecordingShell for the test; at the end, every scripted box
// must have come and no other box may have.
class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::shared_ptr<qm::ScriptedDialogs> dialogs;
    std::shared_ptr<qm::RecordingShell> shell;

private:
    std::shared_ptr<qm::DialogHandler> previousDialogs_;
    std::shared_ptr<qm::ShellHandler> previousShell_;
};

} // namespace qmtest
