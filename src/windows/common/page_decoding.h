// Decoding a page file at the size of its frame, the way every window that shows pages does:
// read through the core's file operations a window at a time, and given up at once when the
// page is no longer wanted.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <filesystem>
#include <optional>

namespace folio {

class OpenedFile;

enum class PageSide { Left, Right };

// What a page file is on disk right now: its path and the figures that change whenever its
// bytes are replaced (size, times, identity on its disk). Equal stamps mean the same picture.
struct PageStamp {
    QString key;
    std::filesystem::path file;

    // The stamp of file, or nothing if no regular file is there.
    static std::optional<PageStamp> of(const std::filesystem::path& file);
};

// The key of exactly the bytes an opened page file holds: equal to its PageStamp's key while
// the file is unchanged. Empty for a file that is not open or is over the page size limit.
QString pageKey(const std::filesystem::path& file, const OpenedFile& opened);

// Decodes the opened page at the size that fits frame (its own size for an empty frame). Once
// abandoned is set, the rest of the file reads as ended: the result is then a null picture and
// *cutShort is set.
QImage decodePage(const OpenedFile& file, QSize frame, const std::atomic<bool>* abandoned = nullptr,
                  bool* cutShort = nullptr);

// Decodes the page file at path at the size that fits frame; a null picture when it is no
// readable page.
QImage decodePage(const std::filesystem::path& file, QSize frame);

} // namespace folio
