#pragma once

#include "Base/Unicode.h"
#include "Core/ReadTypes.h"

#include <QList>
#include <QString>

namespace Core::SentenceChunker {

// Cuts a text into chunks of whole sentences, each at most `maxLength` UTF-16 code units unless
// one sentence alone is longer. The chunks laid end to end are the text.
QList<Chunk> chunk(const QString& text, qsizetype maxLength);

// The packing behind chunk(): `sentences` are non-overlapping ranges in text order, as a
// sentence tokenizer reports them.
QList<Chunk> pack(const QString& text, const QList<Base::Unicode::TextRange>& sentences,
                  qsizetype maxLength);

} // namespace Core::SentenceChunker
