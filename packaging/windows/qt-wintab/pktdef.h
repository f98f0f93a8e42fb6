/* Compile-only stand-in (see wintab.h beside it): one packet with every field Qt's plugin reads. */
#ifndef VARN_PKTDEF_STANDIN_H
#define VARN_PKTDEF_STANDIN_H
typedef struct tagPACKET {
    UINT pkCursor;
    DWORD pkTime;
    DWORD pkButtons;
    LONG pkX;
    LONG pkY;
    LONG pkZ;
    UINT pkNormalPressure;
    UINT pkTangentPressure;
    ORIENTATION pkOrientation;
} PACKET;
#endif
