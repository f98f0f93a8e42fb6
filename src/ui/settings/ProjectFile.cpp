#include "ui/settings/ProjectFile.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <string_view>

#include "platform/FileAppend.h"
#include "platform/RegularFile.h"

namespace ui {

namespace {

class Writer {
  public:
    explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}
    void U8(std::uint8_t v) { out_.push_back(v); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v & 0xFF));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v & 0xFFFF));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void F32(float v) { U32(std::bit_cast<std::uint32_t>(v)); }
    void Text(const config::Text& text) {
        for (char c : text) U8(static_cast<std::uint8_t>(c));
    }
    void Colour(const config::Rgb& rgb) { U32(rgb.ToColorRef()); }
    void Zeros(std::size_t n) { out_.insert(out_.end(), n, 0); }

  private:
    std::vector<std::uint8_t>& out_;
};

class Reader {
  public:
    explicit Reader(const std::uint8_t* in) : in_(in) {}
    std::uint8_t U8() { return in_[pos_++]; }
    std::uint16_t U16() {
        const std::uint16_t low = U8();
        return static_cast<std::uint16_t>(low | (U8() << 8));
    }
    std::uint32_t U32() {
        const std::uint32_t low = U16();
        return low | (static_cast<std::uint32_t>(U16()) << 16);
    }
    float F32() { return std::bit_cast<float>(U32()); }
    void Text(config::Text& text) {
        for (char& c : text) c = static_cast<char>(U8());
        text.back() = '\0';  // at most 31 bytes of text, whatever the file holds
    }
    config::Rgb Colour() { return config::Rgb::FromColorRef(U32()); }
    void Skip(std::size_t n) { pos_ += n; }
    std::size_t Position() const { return pos_; }

  private:
    const std::uint8_t* in_;
    std::size_t pos_ = 0;
};

template <typename T, typename F>
void Each(T& array, F f) {
    for (auto& entry : array) f(entry);
}

void WriteSettings(Writer& w, const config::SettingTable& t) {
    w.U16(t.Start);
    w.U16(t.Number);
    Each(t.Name, [&](const config::Text& v) { w.Text(v); });
    Each(t.RawValue, [&](std::uint16_t v) { w.U16(v); });
    Each(t.CC2, [&](std::uint16_t v) { w.U16(v); });
    Each(t.Value, [&](float v) { w.F32(v); });
    Each(t.Max, [&](std::uint16_t v) { w.U16(v); });
    Each(t.Min, [&](std::uint16_t v) { w.U16(v); });
    Each(t.Post, [&](std::uint8_t v) { w.U8(v); });
    Each(t.ColorBack, [&](const config::Rgb& v) { w.Colour(v); });
    Each(t.ColorText, [&](const config::Rgb& v) { w.Colour(v); });
    Each(t.ValueNmuber, [&](std::uint8_t v) { w.U8(v); });
    for (const auto& descriptions : t.ValueDescribe)
        Each(descriptions, [&](const config::Text& v) { w.Text(v); });
}

void WriteParams(Writer& w, const config::ParamTable& t) {
    w.U16(t.Start);
    w.U16(t.Number);
    w.U8(t.YKWayPost);
    Each(t.Name, [&](const config::Text& v) { w.Text(v); });
    w.Zeros(1);  // alignment
    Each(t.ShowName, [&](std::uint16_t v) { w.U16(v); });
    Each(t.RawValue, [&](std::uint16_t v) { w.U16(v); });
    Each(t.CC2, [&](std::uint16_t v) { w.U16(v); });
    w.Zeros(2);  // alignment
    Each(t.Reserved, [&](std::uint32_t v) { w.U32(v); });
    Each(t.Post, [&](std::uint8_t v) { w.U8(v); });
    Each(t.ColorBack, [&](const config::Rgb& v) { w.Colour(v); });
    Each(t.ColorText, [&](const config::Rgb& v) { w.Colour(v); });
}

void ReadSettings(Reader& r, config::SettingTable& t) {
    t.Start = r.U16();
    t.Number = std::min<std::uint16_t>(r.U16(), config::kPointCount);
    Each(t.Name, [&](config::Text& v) { r.Text(v); });
    Each(t.RawValue, [&](std::uint16_t& v) { v = r.U16(); });
    Each(t.CC2, [&](std::uint16_t& v) { v = r.U16(); });
    Each(t.Value, [&](float& v) { v = r.F32(); });
    Each(t.Max, [&](std::uint16_t& v) { v = r.U16(); });
    Each(t.Min, [&](std::uint16_t& v) { v = r.U16(); });
    Each(t.Post, [&](std::uint8_t& v) { v = r.U8(); });
    Each(t.ColorBack, [&](config::Rgb& v) { v = r.Colour(); });
    Each(t.ColorText, [&](config::Rgb& v) { v = r.Colour(); });
    Each(t.ValueNmuber,
         [&](std::uint8_t& v) { v = std::min<std::uint8_t>(r.U8(), config::kDescriptionCount); });
    for (auto& descriptions : t.ValueDescribe) Each(descriptions, [&](config::Text& v) { r.Text(v); });
}

void ReadParams(Reader& r, config::ParamTable& t) {
    t.Start = r.U16();
    t.Number = std::min<std::uint16_t>(r.U16(), config::kPointCount);
    t.YKWayPost = r.U8();
    Each(t.Name, [&](config::Text& v) { r.Text(v); });
    r.Skip(1);
    Each(t.ShowName, [&](std::uint16_t& v) { v = r.U16(); });
    Each(t.RawValue, [&](std::uint16_t& v) { v = r.U16(); });
    Each(t.CC2, [&](std::uint16_t& v) { v = r.U16(); });
    r.Skip(2);
    Each(t.Reserved, [&](std::uint32_t& v) { v = r.U32(); });
    Each(t.Post, [&](std::uint8_t& v) { v = r.U8(); });
    Each(t.ColorBack, [&](config::Rgb& v) { v = r.Colour(); });
    Each(t.ColorText, [&](config::Rgb& v) { v = r.Colour(); });
}

}  // namespace

std::vector<std::uint8_t> EncodeProject(const config::SettingTable& setting,
                                        const config::ParamTable& param) {
    std::vector<std::uint8_t> image;
    image.reserve(kProjectFileSize);
    Writer writer(image);
    WriteSettings(writer, setting);
    WriteParams(writer, param);
    return image;
}

bool DecodeProject(const std::vector<std::uint8_t>& image, config::SettingTable& setting,
                   config::ParamTable& param) {
    if (image.size() != kProjectFileSize) return false;
    Reader settings(image.data());
    ReadSettings(settings, setting);
    Reader params(image.data() + kSettingRecordSize);
    ReadParams(params, param);
    return true;
}

ProjectFileResult WriteProjectFile(const std::string& path, const std::vector<std::uint8_t>& image) {
    const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
    return platform::WriteWholeFile(path, bytes) ? ProjectFileResult::Ok : ProjectFileResult::CannotWrite;
}

ProjectFileResult ReadProjectFile(const std::string& path, std::vector<std::uint8_t>& image) {
    std::string bytes;
    switch (platform::ReadRegularFile(path, kProjectFileSize, bytes)) {
        case platform::FileRead::Ok:
            break;
        case platform::FileRead::TooLarge:
            return ProjectFileResult::WrongSize;
        default:
            return ProjectFileResult::CannotOpen;  // missing, unreadable, or not a regular file
    }
    if (bytes.size() != kProjectFileSize) return ProjectFileResult::WrongSize;
    image.assign(bytes.begin(), bytes.end());
    return ProjectFileResult::Ok;
}

}  // namespace ui
