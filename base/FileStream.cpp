#include "base/FileStream.h"

#include "base/KelpError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelp {

namespace {

std::string ErrnoText(int error) { return std::strerror(error); }

} // namespace

TFileStream::TFileStream(const std::string &fileName, Mode mode) : fileName_(fileName)
{
    const int flags = (mode == Mode::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC;
    fd_ = ::open(fileName.c_str(), flags);
    if (fd_ < 0)
        throw KelpError("cannot open " + fileName + ": " + ErrnoText(errno));
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        throw KelpError("cannot open " + fileName + ": Is a directory");
    }
    // Opened without sharing: another program holding the file makes this fail.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd_);
        throw KelpError("cannot open " + fileName + ": " +
                        (error == EWOULDBLOCK ? std::string("the file is in use by another program")
                                              : ErrnoText(error)));
    }
}

TFileStream::~TFileStream()
{
    if (fd_ >= 0)
        ::close(fd_); // closing drops the lock
}

std::uint64_t TFileStream::Size() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        throw KelpError("cannot read " + fileName_ + ": " + ErrnoText(errno));
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t TFileStream::ReadSome(std::span<std::uint8_t> buffer)
{
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::pread(fd_, buffer.data() + done, buffer.size() - done,
                                  static_cast<off_t>(position_ + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw KelpError("cannot read " + fileName_ + ": " + ErrnoText(errno));
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    position_ += done;
    return done;
}

void TFileStream::Read(std::span<std::uint8_t> buffer)
{
    const std::uint64_t start = position_;
    if (ReadSome(buffer) != buffer.size()) {
        position_ = start;
        throw KelpError("cannot read " + fileName_ + ": read past the end of the file (" +
                        std::to_string(buffer.size()) + " bytes wanted at offset " +
                        std::to_string(start) + ")");
    }
}

void TFileStream::Write(std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(position_ + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw KelpError("cannot write " + fileName_ + ": " + ErrnoText(errno));
        }
        done += static_cast<std::size_t>(n);
    }
    position_ += done;
}

bool FileExists(const std::string &fileName)
{
    struct stat st {};
    return !fileName.empty() && ::stat(fileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string ReadWholeFile(const std::string &fileName, std::uint64_t maxBytes)
{
    TFileStream stream(fileName, TFileStream::Mode::Read);
    const std::uint64_t size = stream.Size();
    if (size > maxBytes)
        throw KelpError("cannot read " + fileName + ": the file is too large (" + std::to_string(size) +
                        " bytes)");
    std::string data(static_cast<std::size_t>(size), '\0');
    stream.Read({reinterpret_cast<std::uint8_t *>(data.data()), data.size()});
    return data;
}

void WriteWholeFile(const std::string &fileName, std::span<const std::uint8_t> bytes)
{
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw KelpError("cannot create " + fileName + ": " + ErrnoText(errno));
    int error = 0;
    std::size_t done = 0;
    while (done < bytes.size() && error == 0) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR)
            error = errno;
        else if (n > 0)
            done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        // A half-written file is worse than none.
        ::unlink(fileName.c_str());
        throw KelpError("cannot write " + fileName + ": " + ErrnoText(error));
    }
}

} // namespace kelp
