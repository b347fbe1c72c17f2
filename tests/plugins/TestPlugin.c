/* A tiny import plug-in for the manager's tests, shaped by compile definitions:
 *   TP_NAME "a"          name written to the call log
 *   TP_VERSION "00IN"    API version text
 *   TP_MASK / TP_TYPE    one mask and description pair (none when undefined);
 *                        TP_MASK2 adds a second pattern to the mask
 *   TP_COLOR 0xRRGGBB    colour of the 2x1 picture it hands back
 *   TP_GREEDY            accepts every file; otherwise only those whose bytes
 *                        at the tried offset begin with "KELPTEST"
 *   TP_FAIL_GETPICTURE   GetPicture fails, leaving blocks behind for the host to free
 *   TP_NO_PLUGININFO, TP_NO_GETPICTURE, TP_ARCHIVE, TP_NO_GETFILE: which functions exist
 * With KELP_TESTPLUGIN_LOG set, every call appends "name function offset" to that file. */
#include "SusiePlugin.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

#ifndef TP_GREEDY
static const char Magic[8] = {'K', 'E', 'L', 'P', 'T', 'E', 'S', 'T'};
#endif

static void Log(const char *function, long offset, const char *extra)
{
    const char *path = getenv("KELP_TESTPLUGIN_LOG");
    if (!path)
        return;
    FILE *f = fopen(path, "a");
    if (!f)
        return;
    fprintf(f, "%s %s %ld%s\n", TP_NAME, function, offset, extra);
    fclose(f);
}

#ifndef TP_NO_PLUGININFO
EXPORT int GetPluginInfo(int infono, char *buf, int buflen)
{
    const char *text = NULL;
    switch (infono) {
    case 0: text = TP_VERSION; break;
    case 1: text = "test plug-in " TP_NAME; break;
#ifdef TP_MASK
#ifdef TP_MASK2
    case 2: text = TP_MASK ";" TP_MASK2; break;
#else
    case 2: text = TP_MASK; break;
#endif
    case 3: text = TP_TYPE; break;
#endif
    default: return 0;
    }
    snprintf(buf, (size_t)buflen, "%s", text);
    return (int)strlen(buf);
}
#endif

EXPORT int IsSupported(const char *filename, const void *head)
{
    (void)filename;
#ifdef TP_GREEDY
    (void)head;
    Log("IsSupported", -1, "");
    return 1;
#else
    const int yes = memcmp(head, Magic, sizeof Magic) == 0;
    Log("IsSupported", -1, yes ? " yes" : " no");
    return yes;
#endif
}

/* True when the file holds the magic at the offset the host passes. */
static int MagicAt(const char *filename, intptr_t offset)
{
#ifdef TP_GREEDY
    (void)filename;
    (void)offset;
    return 1;
#else
    char got[8] = {0};
    FILE *f = fopen(filename, "rb");
    if (!f)
        return 0;
    const int ok = fseek(f, (long)offset, SEEK_SET) == 0 && fread(got, 1, 8, f) == 8 && memcmp(got, Magic, 8) == 0;
    fclose(f);
    return ok;
#endif
}

EXPORT int GetPictureInfo(const char *buf, intptr_t len, unsigned int flag, struct PictureInfo *info)
{
    (void)flag;
    Log("GetPictureInfo", (long)len, "");
    memset(info, 0, sizeof *info);
    info->width = 2;
    info->height = 1;
    info->colorDepth = 24;
    info->hInfo = malloc(16); /* the host frees it */
    return MagicAt(buf, len) ? SUSIE_SUCCESS : SUSIE_UNKNOWN_FORMAT;
}

#ifndef TP_NO_GETPICTURE
EXPORT int GetPicture(const char *buf, intptr_t len, unsigned int flag, void **bitmapInfo, void **bits,
                      SusieProgress progress, intptr_t data)
{
    (void)flag;
    const int answer = progress ? progress(0, 1, data) : -1;
    char extra[32];
    snprintf(extra, sizeof extra, " progress=%d", answer);
    Log("GetPicture", (long)len, extra);
    if (answer != 0)
        return SUSIE_ABORTED;
    if (!MagicAt(buf, len))
        return SUSIE_UNKNOWN_FORMAT;
    unsigned char *info = calloc(1, 40);
    unsigned char *pixels = calloc(1, 8);
    info[0] = 40;
    info[4] = 2;  /* width */
    info[8] = 1;  /* height */
    info[12] = 1; /* planes */
    info[14] = 24;
    pixels[0] = pixels[3] = (TP_COLOR) & 255;
    pixels[1] = pixels[4] = ((TP_COLOR) >> 8) & 255;
    pixels[2] = pixels[5] = ((TP_COLOR) >> 16) & 255;
    *bitmapInfo = info;
    *bits = pixels;
#ifdef TP_FAIL_GETPICTURE
    return SUSIE_BROKEN_DATA;
#else
    return SUSIE_SUCCESS;
#endif
}
#endif

#ifdef TP_ARCHIVE
EXPORT int GetArchiveInfo(void) { return -1; }
EXPORT int GetFileInfo(void) { return -1; }
#ifndef TP_NO_GETFILE
EXPORT int GetFile(void) { return -1; }
#endif
#endif
