#pragma once
// A local file being sent: read in pieces, so that a large file never sits in memory whole.
// Only a regular file is taken. It is opened without blocking, so that a FIFO or a device
// named in place of a page fails at once instead of hanging the upload.

#include <cstdint>
#include <string>

namespace Sumirel {

class LocalSource {
public:
    // Throws UploadError (Kind::Final) with FileError's wording when the file cannot be
    // opened or is no regular file.
    explicit LocalSource(const std::string& path);
    ~LocalSource();
    LocalSource(const LocalSource&) = delete;
    LocalSource& operator=(const LocalSource&) = delete;

    // The size when opened.
    std::int64_t Size() const { return size_; }
    // Up to `capacity` bytes, 0 at the end. Throws UploadError (Kind::Final).
    std::int64_t Read(char* buffer, std::int64_t capacity);
    // Back to the first byte, for sending the file once more.
    void Rewind();

private:
    [[noreturn]] void Fail(const std::string& reason) const;

    std::string path_;
    int fd_ = -1;
    std::int64_t size_ = 0;
};

}  // namespace Sumirel
