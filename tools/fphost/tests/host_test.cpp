// The host session: the open record built from the configuration, and how a missing
// faceplate module is reported (also by fphost.exe itself, as a second process).
#include "Host.h"
#include "RunHost.h"
#include "TestTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fphost {
namespace {

HostConfig Config(bool callbacks) {
    HostConfig c;
    std::string error;
    EXPECT_TRUE(LoadIni("[host]\nuser = op1\nlevel = 4\nack = 1\n"
                        "[tag BAL8_101]\ndescription = heater\nbase = 4096\ntarget = 2\n"
                        "station = 3\ncolumn = 1\nconfirm = 1\nsecurity = 6\nx = 11\ny = 12\n"
                        "width = 13\nheight = 14\ndetail_width = 15\ndetail_height = 16\n"
                        "normal_colour = 0x00AA00\n",
                        c, error))
        << error;
    c.callbacks = callbacks;
    return c;
}

TEST(HostRecord, FieldsComeFromTheConfiguration) {
    Host host(Config(true));
    std::string error;
    ASSERT_TRUE(host.Prepare(test::SmallTable(), error)) << error;
    tagFPOpenPara p{};
    ASSERT_TRUE(host.BuildRecord("bal8_101", p, error)) << error;
    EXPECT_STREQ(p.szTagName, "BAL8_101");
    EXPECT_STREQ(p.szTagDesc, "heater");
    EXPECT_STREQ(p.szModuleFile, "FP_BALANCE8.dll");
    EXPECT_STREQ(p.szUserName, "op1");
    ASSERT_NE(p.pBlock, nullptr);
    EXPECT_EQ(p.pBlock->wDataSize, 24);
    EXPECT_EQ(p.pBlock->itemMap.nCount, test::SmallTable().items.size());
    EXPECT_EQ(p.byStation, 3);
    EXPECT_EQ(p.byStationColumn, 1);
    EXPECT_EQ(p.nX, 11);
    EXPECT_EQ(p.nY, 12);
    EXPECT_EQ(p.nWidth, 13);
    EXPECT_EQ(p.nHeight, 14);
    EXPECT_EQ(p.nDetailWidth, 15);
    EXPECT_EQ(p.nDetailHeight, 16);
    EXPECT_EQ(p.wTarget, 2);
    EXPECT_EQ(p.nBaseAddress, 4096);
    EXPECT_EQ(p.nUserLevel, 4);
    ASSERT_NE(p.pUnitMap, nullptr);
    EXPECT_GT(p.pUnitMap->nCount, 0u);
    EXPECT_EQ(p.nAckPermission, 1);
    EXPECT_NE(p.pfnOpenItem, nullptr);
    EXPECT_NE(p.pfnGetVariant, nullptr);
    EXPECT_NE(p.pfnAlarmAck, nullptr);
    EXPECT_EQ(p.crNormal, 0x00AA00u);
    EXPECT_EQ(p.nOperate, 1);
    EXPECT_EQ(p.bySecurityClass, 6);
    EXPECT_EQ(p.bConfirm, 1);

    // The record's callbacks answer from this host's database, for every item by the name
    // its descriptor gives (tag, point, name), unnamed items included.
    for (uint32_t i = 0; i < p.pBlock->itemMap.nCount; ++i) {
        const FPItemInfo* item = p.pBlock->itemMap.pEntries[i].pItem;
        std::string name = std::string(p.szTagName) + "." + item->pszName;
        int64_t handle = 0;
        EXPECT_EQ(p.pfnOpenItem(1, name.c_str(), &handle, 0), kHostOk) << name;
        VARIANT v{};
        EXPECT_EQ(p.pfnGetVariant(1, &handle, &v), kHostOk) << name;
        EXPECT_EQ(v.vt, VariantTypeOf(item->nType)) << name;
    }

    EXPECT_FALSE(host.BuildRecord("NOSUCH", p, error));
    EXPECT_NE(error.find("NOSUCH"), std::string::npos);
}

TEST(HostRecord, CallbacksOffLeavesAllFourNullAndUserChangesCarryOver) {
    Host host(Config(true));
    std::string error;
    ASSERT_TRUE(host.Prepare(test::SmallTable(), error)) << error;
    host.SetCallbacks(false);
    host.ChangeUser("op2", 9, 0);
    tagFPOpenPara p{};
    ASSERT_TRUE(host.BuildRecord("BAL8_101", p, error)) << error;
    EXPECT_EQ(p.pfnOpenItem, nullptr);
    EXPECT_EQ(p.pfnReadStatus, nullptr);
    EXPECT_EQ(p.pfnHostCall, nullptr);
    EXPECT_EQ(p.pfnGetVariant, nullptr);
    EXPECT_STREQ(p.szUserName, "op2");
    EXPECT_EQ(p.nUserLevel, 9);
    EXPECT_EQ(p.nAckPermission, 0);
}

TEST(HostRecord, ValuesNamingNoItemAreRefused) {
    HostConfig c = Config(true);
    c.tags[0].values.push_back({"NOSUCH", 1});
    Host host(c);
    std::string error;
    EXPECT_FALSE(host.Prepare(test::SmallTable(), error));
    EXPECT_NE(error.find("NOSUCH"), std::string::npos) << error;
}

TEST(HostModule, MissingModuleIsReportedWithItsName) {
    HostConfig c = Config(true);
    c.module = "FP_NOSUCH.dll";
    Host host(c);
    std::string error;
    EXPECT_FALSE(host.LoadModule(error));
    EXPECT_NE(error.find("cannot load the faceplate module FP_NOSUCH.dll"), std::string::npos)
        << error;
    EXPECT_NE(error.find("error 126"), std::string::npos) << error;
    EXPECT_FALSE(host.Open("BAL8_101", OpenMode::Detail, error));
}

TEST(HostModule, ModuleWithoutTheExportsIsRefused) {
    FaceplateModule m;
    std::string error;
    EXPECT_FALSE(m.Load(L"KrControlInfo.dll", error)); // a DLL, but no faceplate module
    EXPECT_FALSE(m.Loaded());
    EXPECT_NE(error.find("does not export OpenFP, OpenPopChildFP"), std::string::npos) << error;
    EXPECT_EQ(m.OpenFP, nullptr);
}

// fphost.exe as a second process, with a script, when the module is not there.
TEST(HostProcess, MissingModuleEndsWithAClearMessageAndExitCode) {
    test::HostRun run =
        test::RunHost("", "open BAL8_101 detail\nwait 100\nquit\n", L"--module FP_NOSUCH.dll");
    EXPECT_EQ(run.exitCode, 3u) << run.output;
    EXPECT_NE(run.output.find("fphost: cannot load the faceplate module FP_NOSUCH.dll"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("opened"), std::string::npos) << run.output;
}

// What the readers find wrong (the host's own ini, the station's files read by the station
// libraries inside the host) is written to the host's error output, with file and line.
TEST(HostProcess, ReaderProblemsAreWrittenToTheErrorOutput) {
    std::filesystem::path stationIni = test::Scratch("KrStation.ini");
    std::ofstream(stationIni, std::ios::binary)
        << "[Language]\r\nLanguage=zh-CN\r\nLanguage=en\r\n[Security]\r\nClass0=0\r\n";
    ::SetEnvironmentVariableW(L"KR_STATION_INI", stationIni.c_str());
    test::HostRun run = test::RunHost("[host]\nlevel = 3\nlevel = 4\n[tag BAL101]\nbase = 0x1000\n",
                                      "open BAL101 compact\nwait 300\nquit\n");
    ::SetEnvironmentVariableW(L"KR_STATION_INI", nullptr);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("host.ini: line 3: key 'level' repeats line 2; the value of line 3 "
                              "is used"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("KrStation.ini line 3: key Language repeats line 2; the value of "
                              "line 2 is used"),
              std::string::npos)
        << run.output;
    std::filesystem::remove(stationIni);
}

TEST(HostProcess, ScriptErrorsAreListedBeforeAnythingRuns) {
    test::HostRun run = test::RunHost("", "open BAL8_101 detail\nwiat 100\nclick\nquit\n");
    EXPECT_EQ(run.exitCode, 2u) << run.output;
    EXPECT_NE(run.output.find("fphost: script line 2: wiat: unknown command"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("fphost: script line 3: click:"), std::string::npos) << run.output;
}

} // namespace
} // namespace fphost
