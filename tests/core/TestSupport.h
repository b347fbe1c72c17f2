#pragma once
// Shared helpers for the core tests: a temporary folder removed on exit,
// whole-file reads and writes, and running the command line.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kelptest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::filesystem::path &Path() const { return path_; }
    std::string File(const std::string &name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadBytes(const std::string &fileName);
void WriteBytes(const std::string &fileName, const std::vector<std::uint8_t> &bytes);
// Deterministic pseudo-random bytes with no 'R' or 'B', so no marker appears by chance.
std::vector<std::uint8_t> RandomFiller(std::size_t size, std::uint32_t seed);
// Fails the test at the first byte outside [offset, offset + length) that differs.
void ExpectOnlyRangeChanged(const std::vector<std::uint8_t> &before, const std::vector<std::uint8_t> &after,
                            std::size_t offset, std::size_t length);
void PutBytes(std::vector<std::uint8_t> &bytes, std::size_t offset, const std::string &text);

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
// Runs kelpview-cli with the arguments (no shell); captures both streams.
CommandResult RunCli(const std::vector<std::string> &args);
// Runs a program by path with the arguments (no shell).
CommandResult RunProgram(const std::string &program, const std::vector<std::string> &args);

} // namespace kelptest
