#pragma once
// A value of the user's Explorer shell-folder keys, set for one test.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace marovan::test {

// What was there before is put back.
class ShellFolderValue {
public:
    explicit ShellFolderValue(const wchar_t* key)
        : key_(std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\") + key) {
        DWORD bytes = 0;
        if (::RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), kName, RRF_RT_ANY | RRF_NOEXPAND,
                           &type_, nullptr, &bytes) != ERROR_SUCCESS)
            return;
        saved_.resize(bytes);
        had_ = ::RegGetValueW(HKEY_CURRENT_USER, key_.c_str(), kName, RRF_RT_ANY | RRF_NOEXPAND,
                              &type_, saved_.data(), &bytes) == ERROR_SUCCESS;
        saved_.resize(bytes);
    }
    ~ShellFolderValue() {
        if (had_)
            ::RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), kName, type_, saved_.data(),
                              static_cast<DWORD>(saved_.size()));
        else
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.c_str(), kName);
    }
    ShellFolderValue(const ShellFolderValue&) = delete;
    ShellFolderValue& operator=(const ShellFolderValue&) = delete;

    void Set(const std::wstring& value, DWORD type = REG_SZ) const {
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), kName, type, value.c_str(),
                                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    void Remove() const { ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.c_str(), kName); }

private:
    static constexpr wchar_t kName[] = L"SendTo";
    std::wstring key_;
    DWORD type_ = REG_NONE;
    std::vector<std::uint8_t> saved_;
    bool had_ = false;
};

} // namespace marovan::test
