#include "relay_sim/Layout.h"

#include <filesystem>
#include <memory>

#include "config/TableLoader.h"
#include "platform/Gbk.h"

namespace relaysim {
namespace {

std::string Utf8(const config::Text& text) {
    return platform::GbkToUtf8(config::TextView(text));
}

int Clamp128(int n) {
    return n > config::kPointCount ? config::kPointCount : n;
}

}  // namespace

std::optional<Layout> LoadLayout(const std::string& iniPath) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(iniPath, ec)) return std::nullopt;

    // The tables are large (the settings' descriptions alone are 128 KiB): keep them off the stack.
    auto yc = std::make_unique<config::YcTable>();
    auto yx = std::make_unique<config::YxTable>();
    auto cs = std::make_unique<config::ParamTable>();
    auto dz = std::make_unique<config::SettingTable>();
    config::LoadYcTable(iniPath, *yc);
    config::LoadYxTable(iniPath, *yx);
    config::LoadParamTable(iniPath, *cs);
    config::LoadSettingTable(iniPath, *dz);

    Layout l;
    l.askNumber = yc->AskNumber;
    l.timePost = yc->TimePost;
    l.versionPost = yc->VersionPost;
    l.yxPost = yc->YXPost;
    for (int i = 0; i < Clamp128(yc->Number); ++i) {
        YcPoint p;
        p.name = Utf8(yc->Name[i]);
        p.post = yc->Post[i];
        p.postH = yc->PostH[i];
        p.cc2 = yc->CC2[i];
        p.type = yc->Type[i];
        p.max = yc->Max[i];
        p.min = yc->Min[i];
        p.checkRegister = yc->bCheckMemery[i];
        l.yc.push_back(p);
    }
    for (int i = 0; i < Clamp128(yx->Number); ++i) l.yx.push_back({Utf8(yx->Name[i]), yx->Post[i]});
    l.paramStart = cs->Start;
    for (int i = 0; i < Clamp128(cs->Number); ++i) {
        BlockEntry e;
        e.name = Utf8(cs->Name[i]);
        e.post = cs->Post[i];
        e.cc2 = cs->CC2[i];
        l.params.push_back(e);
    }
    l.settingStart = dz->Start;
    for (int i = 0; i < Clamp128(dz->Number); ++i) {
        BlockEntry e;
        e.name = Utf8(dz->Name[i]);
        e.post = dz->Post[i];
        e.cc2 = dz->CC2[i];
        e.max = dz->Max[i];
        e.min = dz->Min[i];
        e.choices = dz->ValueNmuber[i];
        l.settings.push_back(e);
    }
    return l;
}

}  // namespace relaysim
