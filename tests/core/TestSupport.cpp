#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace kelptest {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kelptest-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::uint8_t> ReadBytes(const std::string &fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + fileName);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string &fileName, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + fileName);
}

std::vector<std::uint8_t> RandomFiller(std::size_t size, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(size);
    for (auto &b : v) {
        b = static_cast<std::uint8_t>(rng());
        if (b == 'R' || b == 'B')
            b = 0;
    }
    return v;
}

void PutBytes(std::vector<std::uint8_t> &bytes, std::size_t offset, const std::string &text)
{
    if (bytes.size() < offset + text.size())
        bytes.resize(offset + text.size());
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

void ExpectOnlyRangeChanged(const std::vector<std::uint8_t> &before, const std::vector<std::uint8_t> &after,
                            std::size_t offset, std::size_t length)
{
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        if (i < offset || i >= offset + length) {
            ASSERT_EQ(before[i], after[i]) << "byte " << i << " outside the block changed";
        }
}

namespace {

std::string Slurp(const std::string &fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

CommandResult RunProgram(const std::string &program, const std::vector<std::string> &args)
{
    TempDir dir;
    const std::string outFile = dir.File("out"), errFile = dir.File("err");
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!std::freopen(outFile.c_str(), "w", stdout) || !std::freopen(errFile.c_str(), "w", stderr))
            ::_exit(126);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(program.c_str()));
        for (const auto &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    CommandResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = Slurp(outFile);
    r.err = Slurp(errFile);
    return r;
}

CommandResult RunCli(const std::vector<std::string> &args) { return RunProgram(KELP_CLI_PATH, args); }

} // namespace kelptest
