#pragma once
// Record numbers of the BIFF8 workbook stream used by our writer and reader.
namespace spreadsheet::biff {

inline constexpr unsigned kBof = 0x0809;
inline constexpr unsigned kEof = 0x000A;
inline constexpr unsigned kContinue = 0x003C;
inline constexpr unsigned kCodePage = 0x0042;
inline constexpr unsigned kWindow1 = 0x003D;
inline constexpr unsigned kFont = 0x0031;
inline constexpr unsigned kXf = 0x00E0;
inline constexpr unsigned kStyle = 0x0293;
inline constexpr unsigned kBoundSheet = 0x0085;
inline constexpr unsigned kSst = 0x00FC;
inline constexpr unsigned kExtSst = 0x00FF;
inline constexpr unsigned kFilePass = 0x002F;
inline constexpr unsigned kDimensions = 0x0200;
inline constexpr unsigned kWindow2 = 0x023E;
inline constexpr unsigned kLabelSst = 0x00FD;
inline constexpr unsigned kLabel = 0x0204;
inline constexpr unsigned kRString = 0x00D6;
inline constexpr unsigned kNumber = 0x0203;
inline constexpr unsigned kRk = 0x027E;
inline constexpr unsigned kMulRk = 0x00BD;
inline constexpr unsigned kBlank = 0x0201;
inline constexpr unsigned kMulBlank = 0x00BE;
inline constexpr unsigned kBoolErr = 0x0205;
inline constexpr unsigned kFormula = 0x0006;
inline constexpr unsigned kString = 0x0207;

inline constexpr unsigned kBiff8 = 0x0600;
inline constexpr unsigned kGlobalsSubstream = 0x0005;
inline constexpr unsigned kWorksheetSubstream = 0x0010;
inline constexpr std::size_t kMaxRecordData = 8224;

}  // namespace spreadsheet::biff
