#include "import/PictureLoading.h"

#include "base/KelpError.h"
#include "picture/BitmapReader.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>

namespace kelp {

void ReadPictureFile(const std::string &fileName, TNkDIB &SrcDIB, const TSPIs &spis)
{
    // Only regular files: a pipe or a device would block every reader for good.
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0)
        throw KelpError("cannot open " + fileName + ": " + std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        throw KelpError("cannot open " + fileName + ": not a regular file");

    TNkDIB picture;
    try {
        if (LowerExtension(fileName) == ".bmp") {
            ReadBitmapFile(fileName, picture);
        } else if (!spis.DecodePicture(fileName, picture)) {
            // A bitmap under another name still loads.
            try {
                ReadBitmapFile(fileName, picture);
            } catch (const KelpError &) {
                throw KelpError("Susie Plugins could not decode: " + fileName);
            }
        }
        picture.SetPixelFormat(TPixelFormat::pf24bit);
    } catch (const std::bad_alloc &) {
        throw KelpError("cannot read " + fileName + ": not enough memory for the picture");
    }
    SrcDIB = std::move(picture);
}

} // namespace kelp
