#pragma once

#include "Base/Result.h"
#include "Core/CaptureError.h"
#include "Core/ReadTypes.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <stop_token>

namespace Capture {

// The application whose selection a capture wants.
struct CaptureTarget {
    Core::FrontmostApp app;
    // False when the capture was retargeted to the previous application because this one is in
    // front.
    bool isFrontmost = true;
    friend bool operator==(const CaptureTarget&, const CaptureTarget&) = default;
};

// Every strategy, or only the first few.
enum class CaptureMode { full, reduced };

// A strategy's answer: a capture, nothing (the next strategy is to be tried), or an error.
using StrategyResult = Base::Result<std::optional<Core::SelectionCapture>, Core::CaptureError>;

// The text an application offers (its selection, or what it copied), nothing, or the failure
// selectionTooLarge.
using OfferedText = Base::Result<std::optional<QString>, Core::CaptureError>;

// The text is longer than CaptureError::maxSelectionBytes in UTF-8.
inline bool exceedsSelectionLimit(QStringView text) {
    constexpr qsizetype limit = Core::CaptureError::maxSelectionBytes;
    // A UTF-16 unit takes one to three bytes in UTF-8.
    if (text.size() > limit)
        return true;
    return text.size() * 3 > limit && text.toUtf8().size() > limit;
}

// One way of reading the selected text.
class CaptureStrategy {
public:
    virtual ~CaptureStrategy() = default;

    // Blocks on a capture worker thread until it has an answer; may run on several threads at
    // once. `stop` is requested when the capture's deadline has passed: a strategy stops at its
    // next wait and sends no synthetic input after that.
    virtual StrategyResult capture(const CaptureTarget& target, std::stop_token stop) = 0;
};

} // namespace Capture
