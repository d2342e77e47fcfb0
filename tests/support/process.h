// Runs the real programs under test (output to a file, waits with a time limit), private X
// servers with or without OpenGL, and scratch directories.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace Tramble {

using Environment = std::vector<std::pair<std::string, std::string>>;

// Standard output with standard error into the output file, or into a pipe closed before the start.
enum class StandardOutput { File, ClosedPipe };

class ChildProcess {
public:
    // Adds `env` to the environment (an empty value unsets); an empty directory is the current one.
    ChildProcess(const std::vector<std::string>& argv, const Environment& env = {},
                 const std::string& workingDirectory = "", StandardOutput stdoutTo = StandardOutput::File);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool running();
    void signal(int sig);
    bool wait(double seconds);
    std::string output() const;
    // Waits, polling, until the output holds needle; false after `seconds`.
    bool waitForOutput(const std::string& needle, double seconds);

    // After wait(): the exit status, or -1 after a signal.
    int exitCode = -1;

private:
    pid_t pid = -1;
    std::string outputPath;
};

// A private Xvfb on a free display (tools/lib/xvfb.sh), stopped in the destructor.
class XServer {
public:
    explicit XServer(bool withOpenGL);
    ~XServer();

    bool ready() const { return isReady; }
    std::string display;

private:
    ChildProcess server;
    bool isReady = false;
};

// A new directory under /tmp (empty path when none could be made), removed with its contents.
struct TemporaryDirectory {
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    std::filesystem::path path;
};

// The demo binary, and the capture preload library (tools/capture), of this build.
std::string trambleBinary();
std::string captureLibrary();

}  // namespace Tramble
