#include "Base/Log.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#ifdef PARLINO_HAVE_JOURNAL
#include <syslog.h>
#include <systemd/sd-journal.h>
#endif

namespace Base {

QString logLevelName(LogLevel level) {
    switch (level) {
    case LogLevel::debug:
        return QStringLiteral("debug");
    case LogLevel::info:
        return QStringLiteral("info");
    case LogLevel::notice:
        return QStringLiteral("notice");
    case LogLevel::error:
        return QStringLiteral("error");
    case LogLevel::fault:
        return QStringLiteral("fault");
    }
    return {};
}

namespace {

struct Conversion {
    QByteArray flags; // flags, width and precision, without '%' and without length modifiers
    char type = 0;
    bool asBool = false;
};

bool isFlagOrWidth(char c) {
    return c == '-' || c == '+' || c == ' ' || c == '#' || c == '.' || (c >= '0' && c <= '9');
}

bool isLengthModifier(char c) {
    return c == 'h' || c == 'l' || c == 'z' || c == 'j' || c == 't' || c == 'L' || c == 'q';
}

// Parses the conversion that starts after a '%' at `pos`; returns the position after it.
const char* parseConversion(const char* pos, Conversion& out) {
    if (*pos == '{') {
        const char* close = std::strchr(pos, '}');
        if (!close)
            return pos;
        const QByteArray decorations(pos + 1, close - pos - 1);
        out.asBool = decorations.split(',').contains("bool");
        pos = close + 1;
    }
    while (*pos && isFlagOrWidth(*pos))
        out.flags.append(*pos++);
    while (*pos && isLengthModifier(*pos))
        ++pos;
    out.type = *pos;
    return *pos ? pos + 1 : pos;
}

bool truthValue(const LogArg& arg) {
    switch (arg.kind) {
    case LogArg::Kind::boolean:
        return arg.boolValue;
    case LogArg::Kind::signedInt:
        return arg.signedValue != 0;
    case LogArg::Kind::unsignedInt:
        return arg.unsignedValue != 0;
    case LogArg::Kind::floating:
        return arg.floatValue != 0;
    case LogArg::Kind::text:
        return !arg.textValue.isEmpty();
    case LogArg::Kind::pointer:
        return arg.pointerValue != nullptr;
    }
    return false;
}

QString padded(const QString& text, const QByteArray& flags) {
    const bool left = flags.startsWith('-');
    QByteArray digits = flags;
    digits.replace('-', "");
    const int width = digits.split('.').value(0).toInt();
    return left ? text.leftJustified(width) : text.rightJustified(width);
}

QString renderNumber(const Conversion& c, const LogArg& arg) {
    const QByteArray prefix = '%' + c.flags;
    const auto asSigned = [&]() -> qint64 {
        switch (arg.kind) {
        case LogArg::Kind::unsignedInt:
            return static_cast<qint64>(arg.unsignedValue);
        case LogArg::Kind::boolean:
            return arg.boolValue ? 1 : 0;
        default:
            return arg.signedValue;
        }
    };
    switch (c.type) {
    case 'd':
    case 'i':
        if (arg.kind == LogArg::Kind::unsignedInt)
            return QString::asprintf((prefix + "llu").constData(), arg.unsignedValue);
        return QString::asprintf((prefix + "lld").constData(), asSigned());
    case 'u':
    case 'o':
    case 'x':
    case 'X': {
        const quint64 value = arg.kind == LogArg::Kind::unsignedInt
                                  ? arg.unsignedValue
                                  : static_cast<quint64>(asSigned());
        return QString::asprintf((prefix + "ll" + c.type).constData(), value);
    }
    case 'c':
        return QString(QChar(static_cast<char16_t>(asSigned())));
    default: // floating conversions
        return QString::asprintf((prefix + c.type).constData(), arg.floatValue);
    }
}

QString naturalText(const LogArg& arg) {
    switch (arg.kind) {
    case LogArg::Kind::text:
        return arg.textValue;
    case LogArg::Kind::boolean:
        return arg.boolValue ? QStringLiteral("true") : QStringLiteral("false");
    case LogArg::Kind::signedInt:
        return QString::number(arg.signedValue);
    case LogArg::Kind::unsignedInt:
        return QString::number(arg.unsignedValue);
    case LogArg::Kind::floating:
        return QString::number(arg.floatValue, 'g', 17);
    case LogArg::Kind::pointer:
        return QString::asprintf("%p", arg.pointerValue);
    }
    return {};
}

QString render(const Conversion& c, const LogArg& arg) {
    if (c.asBool)
        return padded(truthValue(arg) ? QStringLiteral("true") : QStringLiteral("false"), c.flags);
    const bool numericConversion = std::strchr("diouxXcfFeEgGaA", c.type) != nullptr;
    const bool numericArg = arg.kind == LogArg::Kind::signedInt ||
                            arg.kind == LogArg::Kind::unsignedInt ||
                            arg.kind == LogArg::Kind::boolean ||
                            (arg.kind == LogArg::Kind::floating && std::strchr("fFeEgGaA", c.type));
    if (numericConversion && numericArg) {
        if (arg.kind != LogArg::Kind::floating && std::strchr("fFeEgGaA", c.type))
            return naturalText(arg);
        return renderNumber(c, arg);
    }
    return padded(naturalText(arg), c.flags);
}

class StderrSink : public LogSink {
public:
    void write(const LogRecord& r) override {
        const QByteArray line = QStringLiteral("[%1:%2] %3: %4\n")
                                    .arg(r.subsystem, r.category, logLevelName(r.level), r.message)
                                    .toUtf8();
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    }
};

#ifdef PARLINO_HAVE_JOURNAL
class JournalSink : public LogSink {
public:
    void write(const LogRecord& r) override {
        sd_journal_send("MESSAGE=%s", r.message.toUtf8().constData(), "PRIORITY=%d",
                        priority(r.level), "SYSLOG_IDENTIFIER=parlino", "PARLINO_SUBSYSTEM=%s",
                        r.subsystem.toUtf8().constData(), "PARLINO_CATEGORY=%s",
                        r.category.toUtf8().constData(), nullptr);
    }

private:
    static int priority(LogLevel level) {
        switch (level) {
        case LogLevel::debug:
            return LOG_DEBUG;
        case LogLevel::info:
            return LOG_INFO;
        case LogLevel::notice:
            return LOG_NOTICE;
        case LogLevel::error:
            return LOG_ERR;
        case LogLevel::fault:
            return LOG_CRIT;
        }
        return LOG_NOTICE;
    }
};
#endif

struct SinkRegistry {
    std::mutex mutex;
    std::vector<std::shared_ptr<LogSink>> sinks;

    void installDefaults() {
        sinks.clear();
        sinks.push_back(std::make_shared<StderrSink>());
#ifdef PARLINO_HAVE_JOURNAL
        std::error_code ec;
        if (std::filesystem::exists("/run/systemd/journal/socket", ec))
            sinks.push_back(std::make_shared<JournalSink>());
#endif
    }
};

SinkRegistry& registry() {
    static SinkRegistry* instance = [] {
        auto* r = new SinkRegistry;
        r->installDefaults();
        return r;
    }();
    return *instance;
}

} // namespace

QString formatLogMessage(const char* format, const std::vector<LogArg>& args) {
    QString out;
    size_t next = 0;
    const char* pos = format;
    while (*pos) {
        const char* percent = std::strchr(pos, '%');
        if (!percent) {
            out += QString::fromUtf8(pos);
            break;
        }
        out += QString::fromUtf8(pos, percent - pos);
        if (percent[1] == '%') {
            out += QLatin1Char('%');
            pos = percent + 2;
            continue;
        }
        Conversion conversion;
        pos = parseConversion(percent + 1, conversion);
        if (conversion.type == 0) { // the format ends before the conversion does
            out += QString::fromUtf8(percent);
            break;
        }
        if (next < args.size())
            out += render(conversion, args[next++]);
    }
    return out;
}

namespace LogSinks {

void add(std::shared_ptr<LogSink> sink) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.sinks.push_back(std::move(sink));
}

void remove(const std::shared_ptr<LogSink>& sink) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    std::erase(r.sinks, sink);
}

void write(const LogRecord& record) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    for (const auto& sink : r.sinks)
        sink->write(record);
}

} // namespace LogSinks

void Log::write(LogLevel level, const char* format, std::vector<LogArg> args) const {
    LogSinks::write(
        {QString::fromLatin1(subsystem), m_category, level, formatLogMessage(format, args)});
}

void MemoryLogSink::write(const LogRecord& record) {
    std::lock_guard lock(m_mutex);
    m_records.push_back(record);
}

std::vector<LogRecord> MemoryLogSink::records() const {
    std::lock_guard lock(m_mutex);
    return m_records;
}

QStringList MemoryLogSink::messages(const QString& category) const {
    std::lock_guard lock(m_mutex);
    QStringList out;
    for (const auto& r : m_records)
        if (category.isEmpty() || r.category == category)
            out.append(r.message);
    return out;
}

bool MemoryLogSink::contains(const QString& message) const {
    return messages().contains(message);
}

void MemoryLogSink::clear() {
    std::lock_guard lock(m_mutex);
    m_records.clear();
}

} // namespace Base
