/* Compile-only stand-in for the tablet interface header that Debian's qt6-base source leaves out (its
   licence forbids changes). It declares just what Qt's Windows platform plugin names; the plugin is built with
   its tablet interface switched off (see scripts/build-qt-windows.sh), so none of these values is ever used. */
#ifndef VARN_WINTAB_STANDIN_H
#define VARN_WINTAB_STANDIN_H
#include <windows.h>

#define API WINAPI
DECLARE_HANDLE(HCTX);
typedef DWORD WTPKT;
typedef DWORD FIX32;

#define WT_DEFBASE 0x7FF0
#define WT_PACKET (WT_DEFBASE + 0)
#define WT_PROXIMITY (WT_DEFBASE + 5)
#define WT_CSRCHANGE (WT_DEFBASE + 7)

#define WTI_INTERFACE 1
#define WTI_DEFCONTEXT 3
#define WTI_DEFSYSCTX 4
#define WTI_DEVICES 100
#define WTI_CURSORS 200

#define IFC_WINTABID 1
#define IFC_SPECVERSION 2
#define IFC_IMPLVERSION 3
#define IFC_NDEVICES 4
#define IFC_NCURSORS 5
#define IFC_CTXOPTIONS 7
#define IFC_NEXTENSIONS 9

#define DVC_NPRESSURE 15
#define DVC_TPRESSURE 16
#define DVC_ORIENTATION 17

#define CSR_SYSBTNMAP 7
#define CSR_PHYSID 11
#define CSR_TYPE 20

#define CXO_SYSTEM 0x0001
#define CXO_PEN 0x0002
#define CXO_MESSAGES 0x0004
#define CXO_CSRMESSAGES 0x0008
#define CXO_MGNINSIDE 0x4000
#define CXO_MARGIN 0x8000

#define PK_CONTEXT 0x0001
#define PK_STATUS 0x0002
#define PK_TIME 0x0004
#define PK_CHANGED 0x0008
#define PK_SERIAL_NUMBER 0x0010
#define PK_CURSOR 0x0020
#define PK_BUTTONS 0x0040
#define PK_X 0x0080
#define PK_Y 0x0100
#define PK_Z 0x0200
#define PK_NORMAL_PRESSURE 0x0400
#define PK_TANGENT_PRESSURE 0x0800
#define PK_ORIENTATION 0x1000

typedef struct tagAXIS {
    LONG axMin;
    LONG axMax;
    UINT axUnits;
    FIX32 axResolution;
} AXIS;

typedef struct tagORIENTATION {
    int orAzimuth;
    int orAltitude;
    int orTwist;
} ORIENTATION;

typedef struct tagLOGCONTEXTW {
    WCHAR lcName[40];
    UINT lcOptions;
    UINT lcStatus;
    UINT lcLocks;
    UINT lcMsgBase;
    UINT lcDevice;
    UINT lcPktRate;
    WTPKT lcPktData;
    WTPKT lcPktMode;
    WTPKT lcMoveMask;
    DWORD lcBtnDnMask;
    DWORD lcBtnUpMask;
    LONG lcInOrgX, lcInOrgY, lcInOrgZ;
    LONG lcInExtX, lcInExtY, lcInExtZ;
    LONG lcOutOrgX, lcOutOrgY, lcOutOrgZ;
    LONG lcOutExtX, lcOutExtY, lcOutExtZ;
    FIX32 lcSensX, lcSensY, lcSensZ;
    BOOL lcSysMode;
    int lcSysOrgX, lcSysOrgY;
    int lcSysExtX, lcSysExtY;
    FIX32 lcSysSensX, lcSysSensY;
} LOGCONTEXTW, *LPLOGCONTEXTW;
typedef LOGCONTEXTW LOGCONTEXT;
typedef LPLOGCONTEXTW LPLOGCONTEXT;

#endif
