#pragma once

#include "Base/Log.h"

#include <memory>

namespace TestSupport {

// Collects every log line written while it lives.
class LogCapture {
public:
    LogCapture() : sink(std::make_shared<Base::MemoryLogSink>()) { Base::LogSinks::add(sink); }
    ~LogCapture() { Base::LogSinks::remove(sink); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList messages(const QString& category = {}) const { return sink->messages(category); }
    bool contains(const QString& message) const { return sink->contains(message); }

    std::shared_ptr<Base::MemoryLogSink> sink;
};

} // namespace TestSupport
