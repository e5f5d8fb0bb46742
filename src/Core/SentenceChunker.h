#pragma once

#include "Base/Unicode.h"
#include "Core/ReadTypes.h"

#include <QList>
#include <QString>

namespace Core::SentenceChunker {

// Cuts a text into chunks of whole sentences, each at most `maxLength` UTF-16 code units unless
// one sentence alone is longer. A sentence longer than `limit`, the most that one request may
// hold, is cut into chunks of its own of at most `maxLength` where its words allow
// (SentenceCutter): no chunk is longer than `limit`. The chunks laid end to end are the text.
QList<Chunk> chunk(const QString& text, qsizetype maxLength, qsizetype limit);

// The packing behind chunk(): `sentences` are non-overlapping ranges in text order, as a
// sentence tokenizer reports them.
QList<Chunk> pack(const QString& text, const QList<Base::Unicode::TextRange>& sentences,
                  qsizetype maxLength, qsizetype limit);

} // namespace Core::SentenceChunker
