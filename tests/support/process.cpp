// Child processes for tests that run the real binaries, and private Xvfb servers.
#include "support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace Tramble {

namespace {

// How often waits look at the child, and how long an X server gets to come up.
const auto pollInterval = std::chrono::milliseconds(20);
const double serverStartSeconds = 10.0;
// Display numbers tried for a private X server: each process starts at its own place in the
// range, so that tests running side by side rarely race for the same number.
const int firstDisplay = 150;
const int displayCount = 100;
// What the sanitizers print at the head of a report.
const char* const sanitizerMarkers[] = {"ERROR: AddressSanitizer", "LeakSanitizer", "runtime error:"};

std::string temporaryPath() {
    char name[] = "/tmp/tramble-test-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) {
        close(fd);
    }
    return name;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

#ifdef __SANITIZE_ADDRESS__
// In the sanitizer build the demo also preloads the leak filter (tools/capture), which keeps
// LeakSanitizer from reporting two third-party leaks that no suppression can name; the
// sanitizer runtime is told not to insist on coming first among the preloaded libraries.
void fenceThirdPartyLeaks() {
    const std::string filter = std::string(TRAMBLE_BINARY_DIR) + "/tools/capture/libtramble_leakfilter.so";
    const char* preload = getenv("LD_PRELOAD");
    const std::string libraries = preload != nullptr && *preload != '\0' ? std::string(preload) + ":" + filter : filter;
    setenv("LD_PRELOAD", libraries.c_str(), 1);
    const char* asan = getenv("ASAN_OPTIONS");
    setenv("ASAN_OPTIONS", (std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
}
#endif

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const Environment& env,
                           const std::string& workingDirectory, StandardOutput stdoutTo)
    : outputPath(temporaryPath()) {
    pid = fork();
    if (pid != 0) {
        return;
    }
    for (const auto& [name, value] : env) {
        if (value.empty()) {
            unsetenv(name.c_str());
        } else {
            setenv(name.c_str(), value.c_str(), 1);
        }
    }
#ifdef __SANITIZE_ADDRESS__
    if (argv[0] == trambleBinary()) {
        fenceThirdPartyLeaks();
    }
#endif
    if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0) {
        _exit(127);
    }
    const int out = open(outputPath.c_str(), O_WRONLY | O_TRUNC);
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
    int unread[2];
    if (stdoutTo == StandardOutput::ClosedPipe && pipe(unread) == 0) {
        close(unread[0]);
        dup2(unread[1], STDOUT_FILENO);
        close(unread[1]);
    }
    const int nothing = open("/dev/null", O_RDONLY);
    dup2(nothing, STDIN_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

ChildProcess::~ChildProcess() {
    if (running()) {
        ::kill(pid, SIGKILL);
        wait(5.0);
    }
    unlink(outputPath.c_str());
}

bool ChildProcess::running() {
    if (pid <= 0) {
        return false;
    }
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == 0) {
        return true;
    }
    if (done == pid) {
        if (WIFEXITED(status)) {
            exitCode = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            termSignal = WTERMSIG(status);
        }
    }
    pid = -1;
    return false;
}

void ChildProcess::signal(int sig) {
    if (pid > 0) {
        ::kill(pid, sig);
    }
}

bool ChildProcess::wait(double seconds) {
    const auto start = std::chrono::steady_clock::now();
    while (running()) {
        if (secondsSince(start) > seconds) {
            return false;
        }
        std::this_thread::sleep_for(pollInterval);
    }
    return true;
}

std::string ChildProcess::output() const {
    std::ifstream in(outputPath);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ChildProcess::waitForOutput(const std::string& needle, double seconds) {
    const auto start = std::chrono::steady_clock::now();
    while (output().find(needle) == std::string::npos) {
        if (secondsSince(start) > seconds) {
            return false;
        }
        std::this_thread::sleep_for(pollInterval);
    }
    return true;
}

RunResult runProgram(const std::vector<std::string>& argv, const Environment& env, double seconds,
                     const std::string& workingDirectory) {
    ChildProcess child(argv, env, workingDirectory);
    RunResult result;
    result.timedOut = !child.wait(seconds);
    if (result.timedOut) {
        child.signal(SIGKILL);
        child.wait(5.0);
    }
    result.exitCode = child.exitCode;
    result.termSignal = child.termSignal;
    result.output = child.output();
    return result;
}

XServer::XServer(bool withOpenGL) {
    for (int tried = 0; tried < displayCount && !isReady; ++tried) {
        const int n = firstDisplay + (static_cast<int>(getpid()) + tried) % displayCount;
        struct stat info;
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        if (stat(lock.c_str(), &info) == 0) {
            continue;
        }
        display = ":" + std::to_string(n);
        server = std::make_unique<ChildProcess>(std::vector<std::string>{"Xvfb", display, "-screen", "0", "1024x768x24",
                                                                         withOpenGL ? "+extension" : "-extension",
                                                                         "GLX", "-nolisten", "tcp"});
        const auto start = std::chrono::steady_clock::now();
        while (server->running() && secondsSince(start) < serverStartSeconds) {
            const RunResult probe = runProgram({"xdpyinfo", "-display", display}, {}, 5.0);
            // A server that lost the race for this display exits at once, while the probe may
            // have found the winner's: only our own, still running, counts.
            if (probe.exitCode == 0 && server->running()) {
                isReady = true;
                break;
            }
            std::this_thread::sleep_for(pollInterval * 5);
        }
    }
}

XServer::~XServer() {
    if (server) {
        server->signal(SIGTERM);
        server->wait(5.0);
    }
}

std::string trambleBinary() {
    return std::string(TRAMBLE_BINARY_DIR) + "/tramble";
}

std::string captureLibrary() {
    return std::string(TRAMBLE_BINARY_DIR) + "/tools/capture/libtramble_capture.so";
}

std::string sanitizerReport(const std::string& output) {
    for (const char* marker : sanitizerMarkers) {
        const std::string::size_type at = output.find(marker);
        if (at != std::string::npos) {
            const std::string::size_type lineStart = output.rfind('\n', at);
            const std::string::size_type start = lineStart == std::string::npos ? 0 : lineStart + 1;
            return output.substr(start, output.find('\n', at) - start);
        }
    }
    return "";
}

}  // namespace Tramble
