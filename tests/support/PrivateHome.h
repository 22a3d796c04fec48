#pragma once
// A private home for a test or benchmark program: HOME, the data and config folders, the
// settings file and the print server all point into a fresh temporary folder, so nothing
// touches the user's own, and Qt uses the offscreen platform unless another was asked for.
// The folder goes with the object.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qmtest {

class PrivateHome {
public:
    explicit PrivateHome(const char* prefix)
    {
        root_ = (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
        if (!mkdtemp(root_.data())) {
            root_.clear();
            return;
        }
        setenv("HOME", root_.c_str(), 1);
        setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
        setenv("QUILLMART_REGISTRY", (root_ + "/registry.db").c_str(), 1);
        // A runtime folder of its own, so Qt need not warn that there is none.
        if (!getenv("XDG_RUNTIME_DIR")) {
            const std::string runtime = root_ + "/runtime";
            if (mkdir(runtime.c_str(), 0700) == 0)
                setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        }
        // No print server: no test prints on a real printer. The printers are the PDF-file
        // printer and the queues of a test's own server (PrintTestSupport.h).
        setenv("CUPS_SERVER", (root_ + "/no-print-server").c_str(), 1);
        if (!getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    ~PrivateHome()
    {
        std::error_code ec;
        if (!root_.empty())
            std::filesystem::remove_all(root_, ec);
    }
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

    bool ok() const { return !root_.empty(); }
    const std::string& root() const { return root_; } // without a trailing "/"

private:
    std::string root_;
};

} // namespace qmtest
