#pragma once
// The Susie plug-in manager: finds "*.spi" shared objects once, keeps one record
// per loaded plug-in (library, module file name, API version, mask and
// description lists) and decodes pictures through the import filters among them.
#include "picture/NkDIB.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kelp {

// Plug-in kinds by API version: "00IN" TInSPI, "00AM" TAmSPI, "00XN" TXnSPI, else TSPI.
enum class TSpiKind { Plain, Import, Archive, Export };

// One loaded plug-in. Owns its library; move-only.
class TSPI {
public:
    TSPI(TSPI &&other) noexcept;
    TSPI &operator=(TSPI &&other) noexcept;
    TSPI(const TSPI &) = delete;
    TSPI &operator=(const TSPI &) = delete;
    ~TSPI();

    const std::string &ModuleFileName() const { return moduleFileName_; }
    const std::string &ApiVersion() const { return apiVersion_; }
    TSpiKind Kind() const { return kind_; }
    // Information numbers 2, 4, 6, ... and 3, 5, 7, ...: equal length, same order.
    const std::vector<std::string> &MaskList() const { return maskList_; }
    const std::vector<std::string> &TypeNameList() const { return typeNameList_; }

    // True when one of the masks ("*.jpg;*.jpeg") names the extension (".jpg", any case).
    bool DeclaresExtension(const std::string &extension) const;

    // Import filters: IsSupported on head (the file's bytes from offset, at least
    // 2048), then GetPictureInfo and GetPicture. True when the plug-in handed back
    // a picture that decoded into dib; every block it returned has been freed.
    bool TryDecode(const std::string &fileName, const std::uint8_t *head, std::intptr_t offset, TNkDIB &dib) const;

private:
    friend class TSPIs;
    TSPI() = default;
    void Close();

    void *library_ = nullptr;
    std::string moduleFileName_;
    std::string apiVersion_;
    TSpiKind kind_ = TSpiKind::Plain;
    std::vector<std::string> maskList_;
    std::vector<std::string> typeNameList_;
    void *isSupported_ = nullptr;
    void *getPictureInfo_ = nullptr;
    void *getPicture_ = nullptr;
};

class TSPIs {
public:
    // Searches the folders in order for "*.spi" files and loads each once. Only
    // one manager may exist at a time: a second one throws "TSPIs は複数生成できません".
    // A plug-in lacking a function its kind requires is left out and its text
    // "%sは[%s]では使えないSusie Plugin APIです" kept in Refusals(); files that are
    // not loadable libraries are skipped without a word.
    explicit TSPIs(const std::vector<std::string> &folders);
    ~TSPIs();
    TSPIs(const TSPIs &) = delete;
    TSPIs &operator=(const TSPIs &) = delete;

    // Loaded plug-ins of every kind, in load order.
    std::span<const TSPI> Plugins() const { return plugins_; }
    std::size_t Count() const { return plugins_.size(); }
    // One text per plug-in refused for a missing function, for the caller to show.
    const std::vector<std::string> &Refusals() const { return refusals_; }

    // Every plug-in is also tried 128 bytes into the file, past a MacBinary header.
    bool MacBinary = true;

    // The plug-in decode: true and dib filled when an import filter read the file;
    // false (dib unchanged) when none did.
    bool DecodePicture(const std::string &fileName, TNkDIB &dib) const;

private:
    void SearchFolder(std::string folder);
    void LoadPlugin(const std::string &path);

    std::vector<TSPI> plugins_;
    std::vector<std::string> refusals_;
};

// The folder of the running program's executable, with a trailing separator.
std::string ProgramFolder();

// The Susie viewer's plug-in folder as recorded for the current user:
// ~/.config/Susie/Plug-in.conf (QSettings' file), [General] Path=... .
// Empty when the file, the key or the value is missing.
std::string ReadSusieFolderSetting();

// The folders the editor searches: the Susie folder setting (when not empty),
// then the program's own folder.
std::vector<std::string> PluginFolders(const std::string &susieFolder);

// The extension of the file's name from its last point, point included, lower-cased; "" when none.
std::string LowerExtension(const std::string &fileName);

} // namespace kelp
