#pragma once
// The relay's event records as text: the names of the event codes, one line per 8-byte record, the header
// of an upload and the proposed file name. Texts are UTF-8.
#include <array>
#include <cstdint>
#include <string>

#include "platform/Clock.h"

namespace ui {

inline constexpr std::size_t kEventRecordBytes = 8;
inline constexpr std::size_t kEventBatchReplyBytes = 205;
inline constexpr unsigned kEventBatchesPerUpload = 20;
inline constexpr unsigned kEventRecordsPerBatch = 25;
inline constexpr std::size_t kEventRecordOffset = 3;

inline constexpr char kEventHeader[] =
    "------------------------\r\n       事件记录\r\n------------------------\r\n";
inline constexpr char kEventWindowTitle[] = "事件记录";
inline constexpr char kEventSaveTitle[] = "Tessel - 保存装置事件记录";
inline constexpr char kEventSaveFolder[] = "运行记录";
inline constexpr char kEventUploadLinkError[] = "通讯错误，暂时不能上装事件记录";
inline constexpr char kEventBatchLinkError[] = "通讯错误，上装事件记录过程中出错";

// Names of the event codes 0 .. 254; code 0 and codes 56 .. 254 have the empty name.
extern const std::array<const char*, 255> EventNameTable;
// The name of any code; 255, outside the table, has the empty name too.
const char* EventName(std::uint8_t code);

// Whether the record holds a date and time: minute <= 60, hour <= 24, day 1..31, month 1..12, year byte not
// 0.
bool EventRecordValid(const std::uint8_t* record);

// "NNN、YYYY-MM-DD hh:mm:ss.mmm，name。" or "NNN、无记录", without the line end.
std::string EventRecordLine(unsigned sequence, const std::uint8_t* record);

// "(事件记录YY-MM-DD hh.mm).txt".
std::string EventSaveName(const platform::LocalTime& time);

}  // namespace ui
