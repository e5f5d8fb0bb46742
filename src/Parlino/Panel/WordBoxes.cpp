#include "Parlino/Panel/WordBoxes.h"

#include <algorithm>

namespace Parlino {

void WordBoxes::append(const QRectF& rect, qreal baseline) {
    if (m_runs.isEmpty() || m_runs.last().top != rect.top() ||
        m_runs.last().height != rect.height() || m_runs.last().baseline != baseline)
        m_runs.append({rect.top(), rect.height(), baseline, m_spans.size()});
    m_spans.append({float(rect.left()), float(rect.width())});
}

void WordBoxes::truncate(qsizetype size) {
    if (size >= m_spans.size())
        return;
    m_spans.resize(std::max<qsizetype>(0, size));
    while (!m_runs.isEmpty() && m_runs.last().firstWord >= m_spans.size())
        m_runs.removeLast();
}

QRectF WordBoxes::operator[](qsizetype word) const {
    const Run& run = m_runs[runOf(word)];
    const Span& span = m_spans[word];
    return {span.left, run.top, span.width, run.height};
}

qsizetype WordBoxes::runOf(qsizetype word) const {
    Q_ASSERT(word >= 0 && word < m_spans.size());
    const auto after =
        std::upper_bound(m_runs.cbegin(), m_runs.cend(), word,
                         [](qsizetype w, const Run& run) { return w < run.firstWord; });
    return (after - m_runs.cbegin()) - 1;
}

} // namespace Parlino
