#pragma once

#include "Capture/Linux/AtspiTimeBudget.h"
#include "Capture/TextFlow.h"

#include <QString>

#include <optional>

// The calls that read an accessible text, each bounded by the read's time. Each answer is absent
// when there is no text, the time is up or the application answered with an error. On the AT-SPI
// thread only.
namespace Capture::AtspiTextCalls {

// One of the text's counts or offsets; also absent when negative.
std::optional<qint32> number(AtspiText* text, gint (*ask)(AtspiText*, GError**),
                             const AtspiTimeBudget& time);
// The text's selected range; nothing when it has none or an empty one.
std::optional<TextRange> selection(AtspiText* text, const AtspiTimeBudget& time);
std::optional<QString> text(AtspiText* text, TextRange range, const AtspiTimeBudget& time);

} // namespace Capture::AtspiTextCalls
