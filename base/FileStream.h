#pragma once
// An open file with an exclusive advisory lock, closed by the destructor on
// every path. Short reads and I/O failures throw KelpError naming the file.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kelp {

class TFileStream {
public:
    enum class Mode { Read, ReadWrite };

    TFileStream(const std::string &fileName, Mode mode);
    ~TFileStream();
    TFileStream(const TFileStream &) = delete;
    TFileStream &operator=(const TFileStream &) = delete;

    const std::string &FileName() const { return fileName_; }
    std::uint64_t Size() const;
    std::uint64_t Position() const { return position_; }
    void Seek(std::uint64_t position) { position_ = position; }

    // Reads exactly buffer.size() bytes or throws "read past the end".
    void Read(std::span<std::uint8_t> buffer);
    // Reads up to buffer.size() bytes; returns the count read.
    std::size_t ReadSome(std::span<std::uint8_t> buffer);
    void Write(std::span<const std::uint8_t> bytes);

private:
    std::string fileName_;
    int fd_ = -1;
    std::uint64_t position_ = 0;
};

bool FileExists(const std::string &fileName);

// The whole file, read at once; throws KelpError naming the file.
std::string ReadWholeFile(const std::string &fileName, std::uint64_t maxBytes);

// Creates or replaces the file with the bytes. On failure the partly written
// file is removed and KelpError names the file and the cause.
void WriteWholeFile(const std::string &fileName, std::span<const std::uint8_t> bytes);

} // namespace kelp
