// The settings file beside the program, edited by hand while it runs: every
// run reads it afresh.

#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"

#include <gtest/gtest.h>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;

class SettingsFile : public testing::Test {
protected:
    TempFolder temp{L"settings"};
    fs::path work = temp.Folder(L"work");
    fs::path destination = temp.Folder(L"dest");
    fs::path document = work / L"doc.ai";
};

TEST_F(SettingsFile, AnEditTakesEffectAtTheNextRunAndADeletedFileGivesTheDefaults) {
    WriteBytes(work / L"beside.png", PngImage(5));
    WriteBytes(document, AiDocument({L"C:\\gone\\beside.png"}));
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    const fs::path settings = app.Folder() / L"MRV.ini";
    ASSERT_TRUE(fs::exists(settings)) << "the first start creates the settings file";

    app.Collect(destination, document);
    app.ExpectErrorBox(L"一部画像の収集を失敗しました！\r\n成功：  0個\r\n失敗：  1個");
    EXPECT_EQ(app.Table().at(1).at(1), L"×");

    Bytes edited = ReadBytes(settings);
    const Bytes section = Cp932(L"[OPTION]\r\nERR Search=2\r\n");
    edited.insert(edited.end(), section.begin(), section.end());
    WriteBytes(settings, edited);
    app.Collect(destination, document);
    app.ExpectInformationBox(L"画像収集が完了しました。\r\n成功：  1個\r\n失敗：  0個");
    EXPECT_EQ(app.Table().at(1).at(1), L"△");
    EXPECT_EQ(ReadBytes(destination / L"beside.png"), ReadBytes(work / L"beside.png"));

    fs::remove(settings);
    app.Collect(destination, document);
    app.ExpectErrorBox(L"一部画像の収集を失敗しました！\r\n成功：  0個\r\n失敗：  1個");
    EXPECT_EQ(app.Table().at(1).at(1), L"×");
    EXPECT_FALSE(fs::exists(settings)) << "a run only reads the settings file";
}

} // namespace
} // namespace marovan::e2e
