// The registry store on the real registry, under a test key of its own.
#include "platform/registry_store.h"

#include <gtest/gtest.h>

#include "settings/app_settings.h"

namespace kelvaro {
namespace {

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str()); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str()); }

    std::wstring base = L"Software\\Kelvaro2 Tests\\" + std::to_wstring(GetCurrentProcessId());
    RegistryStore store{HKEY_CURRENT_USER, base};
};

TEST_F(RegistryStoreTest, ReadsBackWhatItWrote) {
    EXPECT_EQ(store.StoreRead(L"App", L"Sec", L"Key", L"dflt"), L"dflt");
    ASSERT_TRUE(store.StoreWrite(L"App", L"Sec", L"Key", L"Ｃ:\\写真 ﾌｫﾙﾀﾞ"));
    EXPECT_EQ(store.StoreRead(L"App", L"Sec", L"Key", L"dflt"), L"Ｃ:\\写真 ﾌｫﾙﾀﾞ");
    ASSERT_TRUE(store.StoreWrite(L"App", L"Sec", L"Empty", L""));
    EXPECT_EQ(store.StoreRead(L"App", L"Sec", L"Empty", L"dflt"), L"");
    EXPECT_EQ(store.StoreRead(L"App", L"Other", L"Key", L"dflt"), L"dflt");
}

TEST_F(RegistryStoreTest, KeepsValuesAsStringsAtTheClassicPath) {
    ASSERT_TRUE(store.StoreWrite(L"Orlenk's Soft", L"Kelvaro2", L"AutoExe", L"2"));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (base + L"\\Orlenk's Soft\\Kelvaro2").c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD type = 0;
    wchar_t value[8] = {};
    DWORD bytes = sizeof(value);
    EXPECT_EQ(RegQueryValueExW(key, L"AutoExe", nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(value, L"2");
    EXPECT_STREQ(kSettingsRootPath, L"Software\\VB and VBA Program Settings");
}

TEST_F(RegistryStoreTest, DeletesSectionsAndApplications) {
    store.StoreWrite(L"App", L"One", L"K", L"1");
    store.StoreWrite(L"App", L"Two", L"K", L"2");
    store.StoreWrite(L"Keep", L"One", L"K", L"3");
    EXPECT_TRUE(store.StoreDelete(L"App", L"One"));
    EXPECT_EQ(store.StoreRead(L"App", L"One", L"K", L"-"), L"-");
    EXPECT_EQ(store.StoreRead(L"App", L"Two", L"K", L"-"), L"2");
    EXPECT_FALSE(store.StoreDelete(L"App", L"One"));  // already gone
    EXPECT_TRUE(store.StoreDelete(L"App", L""));
    EXPECT_EQ(store.StoreRead(L"App", L"Two", L"K", L"-"), L"-");
    EXPECT_FALSE(store.StoreDelete(L"App", L""));
    EXPECT_EQ(store.StoreRead(L"Keep", L"One", L"K", L"-"), L"3");
}

TEST_F(RegistryStoreTest, NonStringValuesReadAsAbsent) {
    store.StoreWrite(L"App", L"Sec", L"K", L"x");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (base + L"\\App\\Sec").c_str(), 0, KEY_WRITE, &key), ERROR_SUCCESS);
    const DWORD number = 7;
    RegSetValueExW(key, L"Dword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    RegCloseKey(key);
    EXPECT_EQ(store.StoreRead(L"App", L"Sec", L"Dword", L"dflt"), L"dflt");
}

TEST_F(RegistryStoreTest, TakeoverRoundTripOnTheRegistry) {
    store.StoreWrite(kOldAppName, kSectionName, L"Version", L"1.01");
    store.StoreWrite(kOldAppName, kSectionName, L"Hira", L"False");
    AppSettings s;
    SettingsLoad(store, s);
    EXPECT_FALSE(s.hiraganaToKatakana);
    SettingsSave(store, s);
    EXPECT_EQ(store.StoreRead(kOldAppName, kSectionName, L"Hira", L"-"), L"-");
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Hira", L"-"), L"False");
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, (base + L"\\Kelvaro2").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
}

}  // namespace
}  // namespace kelvaro
