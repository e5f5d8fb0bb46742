#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

namespace Base {

enum class LogLevel { debug, info, notice, error, fault };

QString logLevelName(LogLevel level);

// One formatted line as it reaches a sink.
struct LogRecord {
    QString subsystem;
    QString category;
    LogLevel level = LogLevel::notice;
    QString message;
};

class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void write(const LogRecord& record) = 0;
};

// One argument of a log line, captured by value so that formatting is type-safe.
class LogArg {
public:
    enum class Kind { signedInt, unsignedInt, floating, text, boolean, pointer };

    template <class T>
    requires std::is_integral_v<T> &&
        (!std::is_same_v<T, bool>)&&(!std::is_same_v<T, char>)LogArg(T value) {
        if constexpr (std::is_signed_v<T>) {
            kind = Kind::signedInt;
            signedValue = value;
        } else {
            kind = Kind::unsignedInt;
            unsignedValue = value;
        }
    }
    template <class T>
    requires std::is_enum_v<T> LogArg(T value)
        : LogArg(static_cast<std::underlying_type_t<T>>(value)) {}
    LogArg(bool value) : kind(Kind::boolean), boolValue(value) {}
    LogArg(char value) : kind(Kind::signedInt), signedValue(value) {}
    LogArg(double value) : kind(Kind::floating), floatValue(value) {}
    LogArg(float value) : kind(Kind::floating), floatValue(value) {}
    LogArg(const QString& value) : kind(Kind::text), textValue(value) {}
    LogArg(const char* value) : kind(Kind::text), textValue(QString::fromUtf8(value)) {}
    LogArg(const void* value) : kind(Kind::pointer), pointerValue(value) {}

    Kind kind;
    qint64 signedValue = 0;
    quint64 unsignedValue = 0;
    double floatValue = 0;
    bool boolValue = false;
    QString textValue;
    const void* pointerValue = nullptr;
};

// Renders a printf-style format: "%{public}" and similar privacy decorations are dropped,
// "%{bool}d" prints true/false, numbers are written in the C locale whatever the process locale.
QString formatLogMessage(const char* format, const std::vector<LogArg>& args);

// The process-wide sinks. Stderr is installed by default; the journal is added where present.
namespace LogSinks {
void add(std::shared_ptr<LogSink> sink);
void remove(const std::shared_ptr<LogSink>& sink);
void write(const LogRecord& record);
} // namespace LogSinks

// A logger for one category of the subsystem "com.parlino.app".
class Log {
public:
    static constexpr const char* subsystem = "com.parlino.app";

    explicit Log(QString category) : m_category(std::move(category)) {}

    const QString& category() const { return m_category; }

    template <class... Args> void debug(const char* format, Args&&... args) const {
        write(LogLevel::debug, format, {LogArg(args)...});
    }
    template <class... Args> void info(const char* format, Args&&... args) const {
        write(LogLevel::info, format, {LogArg(args)...});
    }
    template <class... Args> void notice(const char* format, Args&&... args) const {
        write(LogLevel::notice, format, {LogArg(args)...});
    }
    template <class... Args> void error(const char* format, Args&&... args) const {
        write(LogLevel::error, format, {LogArg(args)...});
    }
    template <class... Args> void fault(const char* format, Args&&... args) const {
        write(LogLevel::fault, format, {LogArg(args)...});
    }

private:
    void write(LogLevel level, const char* format, std::vector<LogArg> args) const;

    QString m_category;
};

// Keeps every record in memory; tests install it to read what was logged.
class MemoryLogSink : public LogSink {
public:
    void write(const LogRecord& record) override;
    std::vector<LogRecord> records() const;
    QStringList messages(const QString& category = {}) const;
    bool contains(const QString& message) const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::vector<LogRecord> m_records;
};

} // namespace Base
