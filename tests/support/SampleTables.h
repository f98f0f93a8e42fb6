#pragma once
// The four point tables of the shipped sample VARN.ini, loaded once per test process. Tests that include this
// define VARN_TEST_SOURCE_DIR (the repository's root).
#include <memory>
#include <string>

#include "config/TableLoader.h"

namespace test_support {

struct SampleTables {
    config::YcTable yc;
    config::YxTable yx;
    config::ParamTable param;
    config::SettingTable setting;
};

inline const SampleTables& Sample() {
    static const std::unique_ptr<SampleTables> tables = [] {
        const std::string path = std::string(VARN_TEST_SOURCE_DIR) + "/program_folder/配置文件/VARN.ini";
        auto t = std::make_unique<SampleTables>();
        config::LoadYcTable(path, t->yc);
        config::LoadYxTable(path, t->yx);
        config::LoadParamTable(path, t->param);
        config::LoadSettingTable(path, t->setting);
        return t;
    }();
    return *tables;
}

}  // namespace test_support
