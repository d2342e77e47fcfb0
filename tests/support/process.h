// Runs the real programs under test: a child process with its own environment whose
// output goes to a file, waited for with a time limit; and private X servers, with or
// without OpenGL, for tests that need a display of their own.
#pragma once

#include <sys/types.h>

#include <memory>
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
    // variable), in `workingDirectory` (the current one when empty); stderr, and stdout
    // unless told otherwise, go to one file.
    ChildProcess(const std::vector<std::string>& argv, const Environment& env = {},
                 const std::string& workingDirectory = "", StandardOutput stdoutTo = StandardOutput::File);
    // Kills the child if it is still running.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool running();
    void signal(int sig);
    // Waits up to `seconds`; false if the child is still running then.
    bool wait(double seconds);
    // Everything the child wrote so far.
    std::string output() const;
    // Polls the output until it contains needle; false after `seconds`.
    bool waitForOutput(const std::string& needle, double seconds);

    // After wait(): the exit status, or -1 when a signal ended the child.
    int exitCode = -1;
    int termSignal = 0;

private:
    pid_t pid = -1;
    std::string outputPath;
};

struct RunResult {
    int exitCode = -1;
    int termSignal = 0;
    bool timedOut = false;
    std::string output;
};

// Runs a program to its end (killed after `seconds`).
RunResult runProgram(const std::vector<std::string>& argv, const Environment& env, double seconds,
                     const std::string& workingDirectory = "");

// A private Xvfb on a free display number, stopped in the destructor.
class XServer {
public:
    explicit XServer(bool withOpenGL);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool ready() const { return isReady; }
    std::string display;

private:
    std::unique_ptr<ChildProcess> server;
    bool isReady = false;
};

// The demo binary of this build.
std::string trambleBinary();

// The capture preload library of this build (tools/capture): a fixed clock step per frame
// with the audio pulled in step, frames read back as PNG, frame times and audio buffers
// logged, a quit queued at a chosen frame.
std::string captureLibrary();

// The first line of an AddressSanitizer, LeakSanitizer or UndefinedBehaviorSanitizer report
// in a program's output, or "" when there is none.
std::string sanitizerReport(const std::string& output);

}  // namespace Tramble
