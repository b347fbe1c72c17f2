/*
 * SusiePlugin.h: the picture plug-in interface of the kelpview colour editor.
 *
 * A plug-in is an ELF shared object named "*.spi", built for the host's
 * architecture, exporting the functions below by their plain names with C
 * linkage. The editor looks for plug-ins in the folder named by the user setting
 * ~/.config/Susie/Plug-in.conf ([General] Path=...) and then in its own folder.
 *
 * Every plug-in exports GetPluginInfo. Its information number 0 gives the API
 * version, four characters: "00IN" for an import filter (also exports
 * IsSupported, GetPictureInfo, GetPicture), "00AM" for an archive extractor
 * (IsSupported, GetArchiveInfo, GetFileInfo, GetFile), "00XN" for an export
 * filter. The editor decodes pictures through import filters only.
 *
 * The host calls, for a file it wants to read:
 *   IsSupported(name, first 2048 bytes from the offset, zero-filled past the end)
 *   GetPictureInfo(name, offset, SUSIE_INPUT_FILE, &info)
 *   GetPicture(name, offset, SUSIE_INPUT_FILE, &bitmapInfo, &bits, progress, data)
 * with offset 0, and 128 for a file behind a MacBinary header.
 *
 * Plain C, usable from C and C++ plug-ins alike.
 */
#ifndef KELP_SUSIE_PLUGIN_H
#define KELP_SUSIE_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Return codes of the picture functions. */
enum {
    SUSIE_NOT_IMPLEMENTED = -1,
    SUSIE_SUCCESS = 0,
    SUSIE_ABORTED = 1,      /* the progress callback answered non-zero */
    SUSIE_UNKNOWN_FORMAT = 2,
    SUSIE_BROKEN_DATA = 3,
    SUSIE_NO_MEMORY = 4,    /* memory could not be allocated */
    SUSIE_MEMORY_ERROR = 5,
    SUSIE_READ_ERROR = 6,   /* the file could not be read */
    SUSIE_INTERNAL_ERROR = 8
};

/* `flag`, bits 0..2: where the picture comes from. */
enum {
    SUSIE_INPUT_FILE = 0,     /* buf: the file name; len: the offset of the picture in the file */
    SUSIE_INPUT_MEMORY = 1,   /* buf: the file's bytes; len: their count */
    SUSIE_INPUT_MASK = 7,
    SUSIE_IGNORE_CASE = 0x80  /* names compared without regard to case */
};

/* Bytes IsSupported receives, counted from the tried offset. */
#define SUSIE_HEAD_SIZE 2048

/* Called while decoding; a non-zero answer aborts the decode with SUSIE_ABORTED.
 * A null callback means "never ask". */
typedef int (*SusieProgress)(int numerator, int denominator, intptr_t data);

#pragma pack(push, 1)
struct PictureInfo {
    int32_t left, top;       /* where the picture is to be placed */
    int32_t width, height;   /* pixels */
    uint16_t x_density, y_density;
    int16_t colorDepth;      /* bits per pixel */
    void *hInfo;             /* malloc'ed text about the picture, or null; the host frees it */
};
#pragma pack(pop)

/*
 * Blocks that GetPicture hands back, both allocated with malloc and released by
 * the host with free; on failure the plug-in frees what it allocated and leaves
 * both pointers null.
 *  *bitmapInfo: a 40-byte BITMAPINFOHEADER (little-endian: size, width, height,
 *      planes, bit count, compression, image size, x/y pixels per metre, colours
 *      used, colours important); with compression 3 (bit fields) three 4-byte
 *      masks red, green, blue; then the colour table, 4-byte entries blue, green,
 *      red, 0: "colours used" of them, or 2^bitcount when that is 0 and
 *      bitcount <= 8.
 *  *bits: the pixel rows, each padded to a multiple of 4 bytes; bottom-up when
 *      the height is positive, top-down when it is negative.
 */

/* infono 0: API version; 1: name, version, copyright; 2n+2: a file mask such as
 * "*.png" or "*.jpg;*.jpeg"; 2n+3: the description of the mask before it.
 * Writes a NUL-terminated text of at most buflen bytes and returns the number of
 * characters written, 0 for a number it does not know. */
typedef int (*GetPluginInfoProc)(int infono, char *buf, int buflen);
/* Non-zero: the plug-in reads this file. head: SUSIE_HEAD_SIZE bytes. */
typedef int (*IsSupportedProc)(const char *filename, const void *head);
typedef int (*GetPictureInfoProc)(const char *buf, intptr_t len, unsigned int flag, struct PictureInfo *info);
typedef int (*GetPictureProc)(const char *buf, intptr_t len, unsigned int flag, void **bitmapInfo, void **bits,
                              SusieProgress progress, intptr_t data);
/* Optional: a quick reduced decode, or SUSIE_NOT_IMPLEMENTED. The editor never calls it. */
typedef GetPictureProc GetPreviewProc;
/* Optional; never called by the editor. */
typedef int (*ConfigurationDlgProc)(void *parentWindow, int function);

int GetPluginInfo(int infono, char *buf, int buflen);
int IsSupported(const char *filename, const void *head);
int GetPictureInfo(const char *buf, intptr_t len, unsigned int flag, struct PictureInfo *info);
int GetPicture(const char *buf, intptr_t len, unsigned int flag, void **bitmapInfo, void **bits,
               SusieProgress progress, intptr_t data);
int GetPreview(const char *buf, intptr_t len, unsigned int flag, void **bitmapInfo, void **bits,
               SusieProgress progress, intptr_t data);
int ConfigurationDlg(void *parentWindow, int function);

#ifdef __cplusplus
}
#endif

#endif /* KELP_SUSIE_PLUGIN_H */
