// The plugins this build of FreeImage leaves out, registered by name only:
// FreeImage numbers formats in the order it registers them, so each keeps its
// usual FREE_IMAGE_FORMAT. With no validate or load function, no file is ever
// recognised as one of them.
#include "FreeImage.h"
#include "Plugin.h"

#define UNAVAILABLE_PLUGIN(init, name)                                                                            \
    static const char* DLL_CALLCONV init##Format()                                                                \
    {                                                                                                             \
        return name;                                                                                              \
    }                                                                                                             \
    void DLL_CALLCONV init(Plugin* plugin, int)                                                                   \
    {                                                                                                             \
        plugin->format_proc = init##Format;                                                                       \
    }

UNAVAILABLE_PLUGIN(InitTIFF, "TIFF")
UNAVAILABLE_PLUGIN(InitG3, "G3")
UNAVAILABLE_PLUGIN(InitEXR, "EXR")
UNAVAILABLE_PLUGIN(InitJ2K, "J2K")
UNAVAILABLE_PLUGIN(InitJP2, "JP2")
UNAVAILABLE_PLUGIN(InitRAW, "RAW")
UNAVAILABLE_PLUGIN(InitWEBP, "WebP")
UNAVAILABLE_PLUGIN(InitJXR, "JPEG-XR")
