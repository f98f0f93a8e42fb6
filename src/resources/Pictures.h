#pragma once
// Resource paths of the embedded pictures. Icons are PNGs at 32 x 32 (":/ICON/<id>") and 16 x 16
// (":/ICON/<id>-16"); the start picture is a 640 x 400 24-bit bitmap.
namespace res {

inline constexpr int kIconProgram = 128;
inline constexpr int kIconMonitorReceive = 131;
inline constexpr int kIconMonitorSend = 132;
inline constexpr int kIconSettings = 144;

inline constexpr const char* kSplashBitmap = ":/BITMAP/145";
inline constexpr int kSplashWidth = 640;
inline constexpr int kSplashHeight = 400;

}  // namespace res
