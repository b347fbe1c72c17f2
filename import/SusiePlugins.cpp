#include "import/SusiePlugins.h"

#include "SusiePlugin.h"
#include "base/FileStream.h"
#include "base/KelpError.h"
#include "picture/BitmapReader.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <unistd.h>
#include <utility>

namespace kelp {

namespace {

// The one-manager-per-process rule needs one flag for the whole process.
std::atomic<bool> managerExists{false};

constexpr int InfoBufferSize = 255;
// A plug-in that never stops answering still ends the list here.
constexpr int MaxMaskPairs = 1024;
constexpr std::size_t MacBinaryHeader = 128;
constexpr std::size_t HeadBufferSize = SUSIE_HEAD_SIZE + MacBinaryHeader; // 2176

extern "C" int AnswerProgress(int, int, intptr_t) { return 0; } // loading shows no progress

struct TFreeBlock {
    void operator()(void *p) const { std::free(p); }
};
using TBlock = std::unique_ptr<void, TFreeBlock>;

std::string ToLower(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string CallInfo(GetPluginInfoProc info, int number)
{
    std::array<char, InfoBufferSize + 1> buf{};
    const int n = info(number, buf.data(), InfoBufferSize);
    if (n <= 0)
        return {};
    buf[InfoBufferSize] = '\0';
    return std::string(buf.data(), ::strnlen(buf.data(), InfoBufferSize));
}

std::string RefusalText(const char *function, const std::string &module)
{
    return std::string(function) + "は[" + module + "]では使えないSusie Plugin APIです";
}

bool IsPluginFileName(const char *name)
{
    const std::size_t n = std::strlen(name);
    return n > 4 && ToLower(name + n - 4) == ".spi";
}

std::string Unquote(std::string v)
{
    if (v.size() < 2 || v.front() != '"' || v.back() != '"')
        return v;
    std::string out;
    for (std::size_t i = 1; i + 1 < v.size(); ++i) {
        if (v[i] == '\\' && i + 2 < v.size()) {
            const char e = v[++i];
            out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
        } else {
            out += v[i];
        }
    }
    return out;
}

std::string Trim(const std::string &s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

// --- TSPI -------------------------------------------------------------------

TSPI::TSPI(TSPI &&other) noexcept { *this = std::move(other); }

TSPI &TSPI::operator=(TSPI &&other) noexcept
{
    if (this != &other) {
        Close();
        library_ = std::exchange(other.library_, nullptr);
        moduleFileName_ = std::move(other.moduleFileName_);
        apiVersion_ = std::move(other.apiVersion_);
        kind_ = other.kind_;
        maskList_ = std::move(other.maskList_);
        typeNameList_ = std::move(other.typeNameList_);
        isSupported_ = std::exchange(other.isSupported_, nullptr);
        getPictureInfo_ = std::exchange(other.getPictureInfo_, nullptr);
        getPicture_ = std::exchange(other.getPicture_, nullptr);
    }
    return *this;
}

TSPI::~TSPI() { Close(); }

void TSPI::Close()
{
    if (library_)
        ::dlclose(library_);
    library_ = nullptr;
}

bool TSPI::DeclaresExtension(const std::string &extension) const
{
    if (extension.empty())
        return false;
    for (const std::string &mask : maskList_) {
        std::size_t start = 0;
        while (start <= mask.size()) {
            const std::size_t end = std::min(mask.find(';', start), mask.size());
            const std::string pattern = Trim(mask.substr(start, end - start));
            const std::size_t dot = pattern.rfind('.');
            if (dot != std::string::npos && ToLower(pattern.substr(dot)) == ToLower(extension))
                return true;
            start = end + 1;
        }
    }
    return false;
}

bool TSPI::TryDecode(const std::string &fileName, const std::uint8_t *head, std::intptr_t offset, TNkDIB &dib) const
{
    if (kind_ != TSpiKind::Import)
        return false;
    const char *name = fileName.c_str();
    if (reinterpret_cast<IsSupportedProc>(isSupported_)(name, head) == 0)
        return false;

    // Asked before the picture itself; its answer decides nothing.
    PictureInfo info{};
    reinterpret_cast<GetPictureInfoProc>(getPictureInfo_)(name, offset, SUSIE_INPUT_FILE, &info);
    TBlock infoText(info.hInfo);

    void *bitmapInfo = nullptr, *bits = nullptr;
    const int rc = reinterpret_cast<GetPictureProc>(getPicture_)(name, offset, SUSIE_INPUT_FILE, &bitmapInfo, &bits,
                                                                  AnswerProgress, 0);
    TBlock infoBlock(bitmapInfo), bitsBlock(bits);
    if (rc != SUSIE_SUCCESS || !bitmapInfo || !bits)
        return false;
    // The blocks carry no size of their own; the allocator knows how much is there,
    // so a header that promises more than the plug-in allocated is refused.
    const std::span<const std::uint8_t> infoBytes(static_cast<const std::uint8_t *>(bitmapInfo),
                                                  ::malloc_usable_size(bitmapInfo));
    const std::span<const std::uint8_t> bitsBytes(static_cast<const std::uint8_t *>(bits), ::malloc_usable_size(bits));
    try {
        DecodeBitmapBlocks(infoBytes, bitsBytes, fileName + " (from " + moduleFileName_ + ")", dib);
    } catch (const KelpError &) {
        return false; // a broken picture from this plug-in: the next one may do better
    }
    return true;
}

// --- TSPIs ------------------------------------------------------------------

TSPIs::TSPIs(const std::vector<std::string> &folders)
{
    if (managerExists.exchange(true))
        throw KelpError("TSPIs は複数生成できません");
    try {
        for (const std::string &folder : folders)
            if (!folder.empty())
                SearchFolder(folder);
    } catch (...) {
        plugins_.clear();
        managerExists = false;
        throw;
    }
}

TSPIs::~TSPIs()
{
    plugins_.clear(); // unloads the libraries
    managerExists = false;
}

void TSPIs::SearchFolder(std::string folder)
{
    if (folder.back() != '/')
        folder += '/';
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> names;
    while (const dirent *entry = ::readdir(dir))
        if (IsPluginFileName(entry->d_name))
            names.emplace_back(entry->d_name);
    ::closedir(dir);
    for (const std::string &name : names)
        LoadPlugin(folder + name);
}

void TSPIs::LoadPlugin(const std::string &path)
{
    std::error_code ec;
    const std::string full = std::filesystem::weakly_canonical(path, ec).string();
    const std::string &module = ec ? path : full;
    // A folder searched twice (or reached through a link) loads nothing twice.
    for (const TSPI &p : plugins_)
        if (p.moduleFileName_ == module)
            return;
    if (!std::filesystem::is_regular_file(module, ec))
        return;

    TSPI spi;
    spi.library_ = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!spi.library_)
        return; // not a loadable library: skipped without a message
    spi.moduleFileName_ = module;
    auto find = [&](const char *function) { return ::dlsym(spi.library_, function); };
    auto refuse = [&](const char *function) { refusals_.push_back(RefusalText(function, module)); };

    const auto info = reinterpret_cast<GetPluginInfoProc>(find("GetPluginInfo"));
    if (!info)
        return refuse("GetPluginInfo");
    spi.apiVersion_ = CallInfo(info, 0);
    const std::string &v = spi.apiVersion_;
    spi.kind_ = v == "00IN" ? TSpiKind::Import : v == "00AM" ? TSpiKind::Archive
              : v == "00XN" ? TSpiKind::Export : TSpiKind::Plain;

    std::vector<const char *> required;
    if (spi.kind_ == TSpiKind::Import)
        required = {"IsSupported", "GetPictureInfo", "GetPicture"};
    else if (spi.kind_ == TSpiKind::Archive)
        required = {"IsSupported", "GetArchiveInfo", "GetFileInfo", "GetFile"};
    for (const char *function : required)
        if (!find(function))
            return refuse(function);
    if (spi.kind_ == TSpiKind::Import) {
        spi.isSupported_ = find("IsSupported");
        spi.getPictureInfo_ = find("GetPictureInfo");
        spi.getPicture_ = find("GetPicture");
    }

    for (int pair = 0; pair < MaxMaskPairs; ++pair) {
        std::string mask = CallInfo(info, 2 * pair + 2);
        std::string typeName = CallInfo(info, 2 * pair + 3);
        if (mask.empty() || typeName.empty())
            break;
        spi.maskList_.push_back(std::move(mask));
        spi.typeNameList_.push_back(std::move(typeName));
    }
    plugins_.push_back(std::move(spi));
}

bool TSPIs::DecodePicture(const std::string &fileName, TNkDIB &dib) const
{
    // The plug-ins that declare the extension go first, the last loaded of them first.
    const std::string extension = LowerExtension(fileName);
    std::deque<const TSPI *> candidates;
    for (const TSPI &p : plugins_) {
        if (p.Kind() != TSpiKind::Import)
            continue;
        if (p.DeclaresExtension(extension))
            candidates.push_front(&p);
        else
            candidates.push_back(&p);
    }
    if (candidates.empty())
        return false;

    std::array<std::uint8_t, HeadBufferSize> head{}; // zero where the file is shorter or unreadable
    try {
        TFileStream stream(fileName, TFileStream::Mode::Read);
        stream.ReadSome(head);
    } catch (const KelpError &) {
    }

    TNkDIB decoded;
    for (const TSPI *p : candidates)
        for (std::size_t offset : {std::size_t(0), MacBinaryHeader}) {
            if (offset > 0 && !MacBinary)
                break;
            if (p->TryDecode(fileName, head.data() + offset, static_cast<std::intptr_t>(offset), decoded)) {
                dib = std::move(decoded);
                return true;
            }
        }
    return false;
}

// --- folders ----------------------------------------------------------------

std::string ProgramFolder()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    std::string folder = exe.parent_path().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string ReadSusieFolderSetting()
{
    std::string configHome;
    if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        configHome = xdg;
    else if (const char *home = std::getenv("HOME"); home && *home)
        configHome = std::string(home) + "/.config";
    else
        return {};
    std::ifstream in(configHome + "/Susie/Plug-in.conf");
    std::string line, section;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos || section != "General" || Trim(line.substr(0, eq)) != "Path")
            continue;
        return Unquote(Trim(line.substr(eq + 1)));
    }
    return {};
}

std::vector<std::string> PluginFolders(const std::string &susieFolder)
{
    std::vector<std::string> folders;
    if (!susieFolder.empty())
        folders.push_back(susieFolder);
    folders.push_back(ProgramFolder());
    return folders;
}

std::string LowerExtension(const std::string &fileName)
{
    const std::size_t slash = fileName.rfind('/');
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return ToLower(fileName.substr(dot));
}

} // namespace kelp
