// Placeholders for the image formats whose libraries the Windows build leaves out. The library
// numbers formats in the order it registers its plugins, so every one of them must still register
// under its own name and extensions, or the formats after it (GIF among them) would change number.
// A placeholder can neither recognise, load nor save a file.
#include "FreeImage.h"
#include "Plugin.h"

// Sets only the format name and its extensions: no recognising, loading or saving.
#define PLACEHOLDER(init, format, extensions)                            \
  void DLL_CALLCONV init(Plugin* plugin, int) {                          \
    plugin->format_proc = []() -> const char* { return format; };        \
    plugin->extension_proc = []() -> const char* { return extensions; }; \
  }

PLACEHOLDER(InitICO, "ICO", "ico")
PLACEHOLDER(InitJPEG, "JPEG", "jpg,jif,jpeg,jpe")
PLACEHOLDER(InitJNG, "JNG", "jng")
PLACEHOLDER(InitKOALA, "KOALA", "koa")
PLACEHOLDER(InitIFF, "IFF", "iff,lbm")
PLACEHOLDER(InitMNG, "MNG", "mng")
// Registered four times, each time with its own name and extension given by the caller.
PLACEHOLDER(InitPNM, "PNM", "pbm,pgm,ppm")
PLACEHOLDER(InitPCD, "PCD", "pcd")
PLACEHOLDER(InitPCX, "PCX", "pcx")
PLACEHOLDER(InitRAS, "RAS", "ras")
PLACEHOLDER(InitTARGA, "TARGA", "tga,targa")
PLACEHOLDER(InitTIFF, "TIFF", "tif,tiff")
PLACEHOLDER(InitWBMP, "WBMP", "wap,wbmp,wbm")
PLACEHOLDER(InitPSD, "PSD", "psd,psb")
PLACEHOLDER(InitCUT, "CUT", "cut")
PLACEHOLDER(InitXBM, "XBM", "xbm")
PLACEHOLDER(InitXPM, "XPM", "xpm")
PLACEHOLDER(InitDDS, "DDS", "dds")
PLACEHOLDER(InitHDR, "HDR", "hdr")
PLACEHOLDER(InitG3, "G3", "g3")
PLACEHOLDER(InitSGI, "SGI", "sgi,rgb,rgba,bw")
PLACEHOLDER(InitEXR, "EXR", "exr")
PLACEHOLDER(InitJ2K, "J2K", "j2k,j2c")
PLACEHOLDER(InitJP2, "JP2", "jp2")
PLACEHOLDER(InitPFM, "PFM", "pfm")
PLACEHOLDER(InitPICT, "PICT", "pct,pict,pic")
PLACEHOLDER(InitRAW, "RAW",
            "3fr,arw,bay,bmq,cap,cine,cr2,crw,cs1,dc2,dcr,drf,dsc,dng,erf,fff,ia,iiq,k25,kc2,"
            "kdc,mdc,mef,mos,mrw,nef,nrw,orf,pef,ptx,pxn,qtk,raf,raw,rdc,rw2,rwl,rwz,sr2,srf,srw,"
            "sti,x3f")
PLACEHOLDER(InitWEBP, "WebP", "webp")
PLACEHOLDER(InitJXR, "JPEG-XR", "jxr,wdp,hdp")
