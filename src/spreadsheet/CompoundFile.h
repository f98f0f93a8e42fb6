#pragma once
// The Compound File Binary container that holds a workbook: version 3, 512-byte sectors, one stream named
// "Workbook". The reader also takes 4096-byte sectors and streams kept in the mini stream, and checks every
// sector number and chain it follows.
#include <optional>
#include <string>
#include <string_view>

#include "spreadsheet/ByteIo.h"

namespace spreadsheet {

// A container with the single stream "Workbook". The stream is padded with zeros to 4096 bytes so that it
// never goes to the mini stream, as spreadsheet programs expect.
Bytes WriteCompoundFile(std::string_view workbookStream);

// The bytes of the stream named "Workbook" (letter case ignored); nothing if the container is damaged or has
// no such stream. `error` (if given) receives a short reason.
std::optional<Bytes> ReadWorkbookStream(std::string_view file, std::string* error = nullptr);

}  // namespace spreadsheet
