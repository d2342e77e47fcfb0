// Runs the real programs under test: a child process with its own environment whose
// output goes to a file, waited for with a time limit; private X servers, with or without
// OpenGL, for tests that need a display of their own; and scratch directories.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace Tramble {

using Environment = std::vector<std::pair<std::string, std::string>>;

// Where a child's standard output goes: with standard error into the output file, or into
// a pipe that nobody reads, closed before the child starts.
enum class StandardOutput { File, ClosedPipe };

class ChildProcess {
public:
    // Starts argv[0] with the current environment plus `env` (an empty value unsets the
    // variable), in `workingDirectory` (the current one when empty).
    ChildProcess(const std::vector<std::string>& argv, const Environment& env = {},
                 const std::string& workingDirectory = "", StandardOutput stdoutTo = StandardOutput::File);
    // Kills the child if it is still running, so a test that gives up on a wait leaves none.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool running();
    void signal(int sig);
    // Waits up to `seconds`; false if the child is still running then.
    bool wait(double seconds);
    // Everything the child wrote so far.
    std::string output() const;
    // Polls the output every millisecond until it contains needle; false after `seconds`.
    bool waitForOutput(const std::string& needle, double seconds);

    // After wait(): the exit status, or -1 when a signal ended the child.
    int exitCode = -1;

private:
    pid_t pid = -1;
    std::string outputPath;
};

// A private Xvfb on a free display, stopped in the destructor.
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

// The demo binary of this build.
std::string trambleBinary();

// The capture preload library of this build (tools/capture): a fixed clock step per frame
// with the audio pulled in step, frames read back as PNG, frame times and audio buffers
// logged, a quit queued at a chosen frame.
std::string captureLibrary();

}  // namespace Tramble
