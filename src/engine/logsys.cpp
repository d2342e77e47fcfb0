// The log's buffer and output: message assembly at newlines, the unfinished-message
// warning, and the one-line format "[hh:mm:ss] <indent><prefix><text> (<origin>)".
#include "engine/logsys.h"

#include <ctime>
#include <iomanip>

namespace Tramble {

namespace {

// Prefixes by level bit, in the order they are written when several bits are set.
struct LevelPrefix {
    unsigned int bit;
    const char* text;
};
const LevelPrefix levelPrefixes[] = {{Error, "*** "}, {Warning, "+++ "}, {Info, "--- "}, {Notice, "=== "}};

// Spaces written per indentation step.
const int indentWidth = 4;

}  // namespace

// The buffer must exist before the stream that writes into it: keep this definition order.
LogBuf logBuf;
std::ostream logStream(&logBuf);

LogOrg::LogOrg(const std::string& file, int line, const std::string& function)
    : file(file), line(line), function(function) {}

LogBuf::~LogBuf() = default;

void LogBuf::setup(const LogOrg& org, LogLevel level) {
    if (!message.empty()) {
        emit();
        current.org = LogOrg(__FILE__, __LINE__, __PRETTY_FUNCTION__);
        current.level = Warning;
        message = "Previous message was never ended";
        emit();
    }
    current.org = org;
    current.level = level;
}

int LogBuf::overflow(int c) {
    if (c == traits_type::eof()) {
        return c;
    }
    if (c == '\n') {
        emit();
        return c;
    }
    message.push_back(static_cast<char>(c));
    return c;
}

void LogBuf::emit() {
    for (LogOutput* output : outputs) {
        output->write(current, message);
    }
    message.clear();
}

LogOutput::LogOutput(std::ostream* stream, unsigned int mask, bool showLevel, bool showTime, bool showOrigin)
    : stream(stream), mask(mask), showLevel(showLevel), showTime(showTime), showOrigin(showOrigin) {
    logBuf.outputs.push_back(this);
}

LogOutput::~LogOutput() {
    logBuf.outputs.remove(this);
}

void LogOutput::write(const LogRecord& record, const std::string& message) {
    if (stream == nullptr || stream->bad()) {
        return;
    }
    if ((record.level & mask) == 0) {
        return;
    }
    std::ostream& out = *stream;
    if (showTime) {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        out << '[' << std::put_time(&local, "%H:%M:%S") << "] ";
    }
    for (int i = 0; i < record.depth * indentWidth; ++i) {
        out << ' ';
    }
    if (showLevel) {
        for (const LevelPrefix& prefix : levelPrefixes) {
            if ((record.level & prefix.bit) != 0) {
                out << prefix.text;
            }
        }
    }
    out << message;
    if (showOrigin) {
        out << " (" << record.org.file << " : " << record.org.line << " -> " << record.org.function << ')';
    }
    out << std::endl;
}

}  // namespace Tramble
