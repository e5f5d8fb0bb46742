#include "Parlino/Storage/ClipSummaryIndex.h"

#include "Base/Files.h"
#include "Base/Log.h"
#include "Base/Unicode.h"
#include "Parlino/Storage/StorageFiles.h"

#include <sys/stat.h>

#include <array>
#include <charconv>
#include <cmath>

namespace Parlino {

namespace fs = std::filesystem;

namespace {

const Base::Log logger{QStringLiteral("clipLibrary")};

// The first line; a file that starts otherwise is not read.
const QByteArray header = QByteArrayLiteral("parlino-clip-summaries 3\n");

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

QByteArray fields(const FileStamp& stamp) {
    return text(stamp.device) + '\t' + text(stamp.inode) + '\t' + text(stamp.size) + '\t' +
           text(stamp.changedNanoseconds) + '\t';
}

// The folder name, the folder's and the manifest's stamps, the creation time, the duration and
// the preview.
QByteArray line(const ListedClip& clip) {
    const ClipSummary& summary = clip.summary;
    return escaped(summary.id.rawValue) + '\t' + fields(clip.folder) + fields(clip.manifest) +
           text(summary.createdAt.secondsSinceReferenceDate) + '\t' + text(summary.totalDuration) +
           '\t' + escaped(summary.preview) + '\n';
}

constexpr std::size_t fieldCount = 12;

std::optional<FileStamp> stamp(const QByteArrayView* field) {
    const auto device = number<std::uint64_t>(field[0]);
    const auto inode = number<std::uint64_t>(field[1]);
    const auto size = number<std::int64_t>(field[2]);
    const auto changed = number<std::int64_t>(field[3]);
    if (!device || !inode || !size || !changed)
        return std::nullopt;
    return FileStamp{*device, *inode, *size, *changed};
}

std::optional<ListedClip> fromLine(QByteArrayView line) {
    std::array<QByteArrayView, fieldCount> fields;
    for (std::size_t i = 0; i + 1 < fieldCount; ++i) {
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0)
            return std::nullopt;
        fields[i] = line.first(tab);
        line = line.sliced(tab + 1);
    }
    fields[fieldCount - 1] = line;
    const auto id = unescaped(fields[0]);
    const auto folder = stamp(&fields[1]);
    const auto manifest = stamp(&fields[5]);
    const auto createdAt = number<double>(fields[9]);
    const auto totalDuration = number<double>(fields[10]);
    const auto preview = unescaped(fields[11]);
    // No saved clip has a time or duration that is not finite: such a line is damaged.
    if (!id || !ClipID{*id}.isValid() || !folder || !manifest || !createdAt ||
        !std::isfinite(*createdAt) || !totalDuration || !std::isfinite(*totalDuration) || !preview)
        return std::nullopt;
    return ListedClip{
        *folder, *manifest, {ClipID{*id}, *preview, Base::Date{*createdAt}, *totalDuration}};
}

} // namespace

ClipSummaryIndex::ClipSummaryIndex(fs::path file) : m_file(std::move(file)) {}

ClipSummaryIndex::Contents ClipSummaryIndex::read() const {
    const std::lock_guard lock(m_mutex);
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

bool ClipSummaryIndex::append(const ListedClip& clip) {
    const std::lock_guard lock(m_mutex);
    // A file that does not start as an index is started anew.
    const auto folder = StorageFiles::openBelowRoot(m_file.parent_path());
    if (!folder) {
        logger.error("summary index append failed: %{public}s",
                     Base::Files::describe(folder.error()));
        return false;
    }
    const auto appended = Base::Files::appendRegular(*folder, m_file.filename(), [&](qint64 size) {
        return (size == 0 ? header : QByteArray()) + line(clip);
    });
    if (appended)
        return true;
    if (appended.error() != std::errc::no_such_file_or_directory &&
        !Base::Files::isRefused(appended.error()))
        logger.error("summary index append failed: %{public}s",
                     Base::Files::describe(appended.error()));
    replace(header + line(clip));
    return false;
}

void ClipSummaryIndex::rewrite(const QHash<QString, ListedClip>& clips) {
    QByteArray bytes = header;
    for (const auto& clip : clips)
        bytes += line(clip);
    const std::lock_guard lock(m_mutex);
    replace(bytes);
}

void ClipSummaryIndex::replace(const QByteArray& bytes) {
    fs::path fresh = m_file;
    fresh += ".new";
    for (const fs::path& file : {m_file, fresh}) {
        if (const auto special = Base::Files::describeSpecial(file))
            logger.error("summary index: %{public}s was %{public}s — replaced with a regular file",
                         StorageFiles::toText(file.filename()), *special);
    }
    const auto folder = StorageFiles::openBelowRoot(m_file.parent_path());
    const auto error =
        folder ? Base::Files::replaceRegular(*folder, m_file.filename(), bytes) : folder.error();
    if (error)
        logger.error("summary index write failed: %{public}s", Base::Files::describe(error));
}

FileStamp FileStamp::of(const struct stat& info) {
    return {std::uint64_t(info.st_dev), std::uint64_t(info.st_ino), std::int64_t(info.st_size),
            std::int64_t(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec};
}

} // namespace Parlino
