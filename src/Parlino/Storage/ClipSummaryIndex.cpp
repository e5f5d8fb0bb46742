#include "Parlino/Storage/ClipSummaryIndex.h"

#include "Base/Log.h"
#include "Base/Unicode.h"
#include "Parlino/Storage/StorageFiles.h"

#include <QFile>

#include <charconv>
#include <cmath>

namespace Parlino {

namespace fs = std::filesystem;

namespace {

const Base::Log logger{QStringLiteral("clipLibrary")};

// The first line; a file that starts otherwise is not read.
const QByteArray header = QByteArrayLiteral("parlino-clip-summaries 1\n");

// Fields are separated by tabs; a backslash, tab, line feed or carriage return inside one is
// written as \\, \t, \n or \r.
QByteArray escaped(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains('\\') && !bytes.contains('\t') && !bytes.contains('\n') &&
        !bytes.contains('\r'))
        return bytes;
    return bytes.replace('\\', "\\\\")
        .replace('\t', "\\t")
        .replace('\n', "\\n")
        .replace('\r', "\\r");
}

std::optional<QString> unescaped(QByteArrayView field) {
    if (!field.contains('\\'))
        return Base::Unicode::fromUtf8Exactly(field);
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            bytes += field[i];
            continue;
        }
        if (++i == field.size())
            return std::nullopt;
        switch (field[i]) {
        case '\\':
            bytes += '\\';
            break;
        case 't':
            bytes += '\t';
            break;
        case 'n':
            bytes += '\n';
            break;
        case 'r':
            bytes += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return Base::Unicode::fromUtf8Exactly(bytes);
}

template <class Number> QByteArray text(Number value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return QByteArray(buffer, end - buffer);
}

template <class Number> std::optional<Number> number(QByteArrayView field) {
    Number value{};
    const auto [end, error] = std::from_chars(field.begin(), field.end(), value);
    if (error != std::errc() || end != field.end())
        return std::nullopt;
    return value;
}

QByteArray line(const ListedClip& clip) {
    const ClipSummary& summary = clip.summary;
    return escaped(summary.id.rawValue) + '\t' + text(clip.size) + '\t' +
           text(clip.modifiedNanoseconds) + '\t' +
           text(summary.createdAt.secondsSinceReferenceDate) + '\t' + text(summary.totalDuration) +
           '\t' + escaped(summary.preview) + '\n';
}

std::optional<ListedClip> fromLine(QByteArrayView line) {
    QByteArrayView fields[6];
    for (int i = 0; i < 5; ++i) {
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0)
            return std::nullopt;
        fields[i] = line.first(tab);
        line = line.sliced(tab + 1);
    }
    fields[5] = line;
    const auto id = unescaped(fields[0]);
    const auto size = number<std::uintmax_t>(fields[1]);
    const auto modified = number<qint64>(fields[2]);
    const auto createdAt = number<double>(fields[3]);
    const auto totalDuration = number<double>(fields[4]);
    const auto preview = unescaped(fields[5]);
    // No saved clip has a time or duration that is not finite: such a line is damaged.
    if (!id || !ClipID{*id}.isValid() || !size || !modified || !createdAt ||
        !std::isfinite(*createdAt) || !totalDuration || !std::isfinite(*totalDuration) || !preview)
        return std::nullopt;
    return ListedClip{
        *modified, *size, {ClipID{*id}, *preview, Base::Date{*createdAt}, *totalDuration}};
}

} // namespace

ClipSummaryIndex::ClipSummaryIndex(fs::path file) : m_file(std::move(file)) {}

ClipSummaryIndex::Contents ClipSummaryIndex::read() const {
    const auto bytes = StorageFiles::readFile(m_file);
    if (!bytes || !bytes->startsWith(header))
        return {};
    Contents contents;
    QByteArrayView rest = QByteArrayView(*bytes).sliced(header.size());
    while (!rest.isEmpty()) {
        ++contents.lines;
        // A last line without its line feed is an append that never finished.
        const qsizetype end = rest.indexOf('\n');
        if (end < 0)
            break;
        if (auto clip = fromLine(rest.first(end)))
            contents.clips.insert(clip->summary.id.rawValue, std::move(*clip));
        rest = rest.sliced(end + 1);
    }
    return contents;
}

void ClipSummaryIndex::append(const ListedClip& clip) const {
    QFile file(StorageFiles::toText(m_file));
    if (!file.open(QIODevice::Append)) {
        logger.error("summary index append failed: %{public}s", file.errorString());
        return;
    }
    // A file that does not start as an index is started anew.
    const QByteArray bytes = (file.size() == 0 ? header : QByteArray()) + line(clip);
    if (file.write(bytes) != bytes.size())
        logger.error("summary index append failed: %{public}s", file.errorString());
}

void ClipSummaryIndex::rewrite(const QHash<QString, ListedClip>& clips) const {
    QByteArray bytes = header;
    for (const auto& clip : clips)
        bytes += line(clip);
    fs::path fresh = m_file;
    fresh += ".new";
    std::error_code error = StorageFiles::writeFile(fresh, bytes);
    if (!error)
        fs::rename(fresh, m_file, error);
    if (error) {
        logger.error("summary index write failed: %{public}s",
                     QString::fromStdString(error.message()));
        fs::remove(fresh, error);
    }
}

} // namespace Parlino
