// The leveled, indented log: one global stream whose buffer collects a message until its
// newline and hands it, with origin, level and nesting depth, to every registered output.
// Write with LOG(Info) << "text" << std::endl; nest with LogIndent or logBuf.indent().
#pragma once

#include <list>
#include <ostream>
#include <streambuf>
#include <string>

namespace Tramble {

// Bit values, so an output can filter several levels with one mask.
enum LogLevel : unsigned int { Error = 1, Warning = 2, Info = 4, Notice = 8 };

// Where a message was written: the call site's file, line and full function signature.
struct LogOrg {
    LogOrg(const std::string& file, int line, const std::string& function);

    std::string file;
    int line;
    std::string function;
};

// What an output receives besides the text; depth is taken when the message ends.
struct LogRecord {
    LogOrg org{"", 0, ""};
    LogLevel level = static_cast<LogLevel>(0);
    int depth = 0;
};

class LogOutput;

// Unbuffered stream buffer: every character reaches overflow(), so a message is cut at the
// exact newline that ends it and nothing waits in a put area.
class LogBuf : public std::streambuf {
public:
    ~LogBuf() override;

    // Begins a message. A message still under way was never ended by a newline: it is
    // emitted as it stands and followed by a warning, so that no text is ever lost.
    void setup(const LogOrg& org, LogLevel level);

    void indent() { ++current.depth; }
    void unindent() { --current.depth; }

    std::list<LogOutput*> outputs;
    std::string message;
    LogRecord current;

protected:
    int overflow(int c) override;

private:
    void emit();
};

// One sink: formats each message into one line on a standard stream.
class LogOutput {
public:
    // Registers itself with the global buffer; the destructor unregisters it.
    LogOutput(std::ostream* stream, unsigned int mask, bool showLevel, bool showTime, bool showOrigin);
    virtual ~LogOutput();

    LogOutput(const LogOutput&) = delete;
    LogOutput& operator=(const LogOutput&) = delete;

    virtual void write(const LogRecord& record, const std::string& message);

    std::ostream* stream;
    unsigned int mask;
    bool showLevel;
    bool showTime;
    bool showOrigin;
};

extern LogBuf logBuf;
extern std::ostream logStream;

// Indents the log for the lifetime of the guard: the pairing every start-up message needs.
class LogIndent {
public:
    LogIndent() { logBuf.indent(); }
    ~LogIndent() { logBuf.unindent(); }
    LogIndent(const LogIndent&) = delete;
    LogIndent& operator=(const LogIndent&) = delete;
};

}  // namespace Tramble

// The one logging statement: captures the call site, sets the level, yields the stream.
#define LOG(level)                                                                                          \
    (::Tramble::logBuf.setup(::Tramble::LogOrg(__FILE__, __LINE__, __PRETTY_FUNCTION__), ::Tramble::level), \
     ::Tramble::logStream)
