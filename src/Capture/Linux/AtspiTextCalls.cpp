#include "Capture/Linux/AtspiTextCalls.h"

#include "Capture/Linux/AtspiRef.h"

namespace Capture::AtspiTextCalls {

std::optional<qint32> number(AtspiText* text, gint (*ask)(AtspiText*, GError**),
                             const AtspiTimeBudget& time) {
    if (!text || !time.arm())
        return std::nullopt;
    AtspiErrorSink error;
    const gint answer = ask(text, error.out());
    if (error.failed() || answer < 0)
        return std::nullopt;
    return answer;
}

std::optional<TextRange> selection(AtspiText* text, const AtspiTimeBudget& time) {
    if (!text || !time.arm())
        return std::nullopt;
    // No count of selections first: asking for the first one says as much, one round trip less.
    AtspiErrorSink error;
    AtspiRange* range = atspi_text_get_selection(text, 0, error.out());
    if (!range)
        return std::nullopt;
    const TextRange selected{range->start_offset, range->end_offset};
    g_free(range);
    if (error.failed() || selected.start < 0 || selected.start >= selected.end)
        return std::nullopt;
    return selected;
}

std::optional<QString> text(AtspiText* text, TextRange range, const AtspiTimeBudget& time) {
    if (!text || !time.arm())
        return std::nullopt;
    AtspiErrorSink error;
    gchar* selected = atspi_text_get_text(text, range.start, range.end, error.out());
    if (error.failed() || !selected) {
        g_free(selected);
        return std::nullopt;
    }
    QString result = QString::fromUtf8(selected);
    g_free(selected);
    return result;
}

} // namespace Capture::AtspiTextCalls
