// Child processes, private Xvfb servers and scratch directories for the program tests.
#include "support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace Tramble {

namespace {

// Short polls, so that the time a line is seen is the time it was logged; X server start-up time.
const auto pollInterval = std::chrono::milliseconds(1);
const double serverStartSeconds = 10.0;

std::string xvfbLauncher() {
    return std::string(TRAMBLE_SOURCE_DIR) + "/tools/lib/xvfb.sh";
}

// True once `done` holds, false if it still does not after `seconds`.
bool pollUntil(const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (; !done(); std::this_thread::sleep_for(pollInterval)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
    }
    return true;
}

#ifdef __SANITIZE_ADDRESS__
// The demo also preloads the leak filter (tools/capture) against two third-party leaks that no
// suppression can name; the sanitizer runtime must then not insist on coming first.
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
                           const std::string& workingDirectory, StandardOutput stdoutTo) {
    char name[] = "/tmp/tramble-test-XXXXXX";
    const int out = mkstemp(name);
    outputPath = name;
    pid = fork();
    if (pid != 0) {
        close(out);
        return;
    }
    for (const auto& [variable, value] : env) {
        if (value.empty()) {
            unsetenv(variable.c_str());
        } else {
            setenv(variable.c_str(), value.c_str(), 1);
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
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
    int unread[2];
    if (stdoutTo == StandardOutput::ClosedPipe && pipe(unread) == 0) {
        close(unread[0]);
        dup2(unread[1], STDOUT_FILENO);
        close(unread[1]);
    }
    dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
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
    int status = 0;
    const pid_t done = pid > 0 ? waitpid(pid, &status, WNOHANG) : -1;
    if (done == 0) {
        return true;
    }
    if (done > 0 && WIFEXITED(status)) {
        exitCode = WEXITSTATUS(status);
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
    return pollUntil([this] { return !running(); }, seconds);
}

std::string ChildProcess::output() const {
    std::ostringstream text;
    text << std::ifstream(outputPath).rdbuf();
    return text.str();
}

bool ChildProcess::waitForOutput(const std::string& needle, double seconds) {
    return pollUntil([&] { return output().find(needle) != std::string::npos; }, seconds);
}

XServer::XServer(bool withOpenGL)
    : server(withOpenGL ? std::vector<std::string>{xvfbLauncher()}
                        : std::vector<std::string>{xvfbLauncher(), "--no-glx"}) {
    // The launcher writes the free display it took, alone on a line, once it accepts clients.
    const auto announced = [this] {
        std::istringstream lines(server.output());
        for (std::string line; std::getline(lines, line) && !lines.eof();) {
            if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) {
                display = ":" + line;
                return true;
            }
        }
        return !server.running();
    };
    isReady = pollUntil(announced, serverStartSeconds) && server.running();
}

XServer::~XServer() {
    server.signal(SIGTERM);
    server.wait(5.0);
}

TemporaryDirectory::TemporaryDirectory() {
    char name[] = "/tmp/tramble-test-XXXXXX";
    path = mkdtemp(name) != nullptr ? name : "";
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string trambleBinary() {
    return std::string(TRAMBLE_BINARY_DIR) + "/tramble";
}

std::string captureLibrary() {
    return std::string(TRAMBLE_BINARY_DIR) + "/tools/capture/libtramble_capture.so";
}

}  // namespace Tramble
