#include "inf/FileVersion.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace marovan {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, buffer);
    return buffer;
}

void Pad(Bytes& b) {
    while (b.size() % 4)
        b.push_back(0);
}

void PutWord(Bytes& b, std::size_t at, std::size_t value) {
    b[at] = static_cast<std::uint8_t>(value);
    b[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// One block of a version resource: length, value length, type, key, value,
// children, each part aligned to four bytes.
Bytes Block(const wchar_t* key, const Bytes& value, std::size_t valueLength, bool text,
            const std::vector<Bytes>& children = {}) {
    Bytes b(6, 0);
    for (const wchar_t* c = key;; ++c) {
        b.push_back(static_cast<std::uint8_t>(*c));
        b.push_back(static_cast<std::uint8_t>(*c >> 8));
        if (!*c)
            break;
    }
    Pad(b);
    b.insert(b.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        Pad(b);
        b.insert(b.end(), child.begin(), child.end());
    }
    PutWord(b, 0, b.size());
    PutWord(b, 2, valueLength);
    PutWord(b, 4, text ? 1 : 0);
    return b;
}

Bytes String(const wchar_t* key, const std::wstring& text) {
    Bytes value;
    for (wchar_t c : text + L'\0') {
        value.push_back(static_cast<std::uint8_t>(c));
        value.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return Block(key, value, text.size() + 1, true);
}

Bytes StringTable(const wchar_t* name, const std::vector<Bytes>& strings) {
    return Block(L"StringFileInfo", {}, 0, true, {Block(name, {}, 0, true, strings)});
}

Bytes Translations(std::vector<std::uint16_t> words) {
    Bytes value;
    for (std::uint16_t w : words) {
        value.push_back(static_cast<std::uint8_t>(w));
        value.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return Block(L"VarFileInfo", {}, 0, true, {Block(L"Translation", value, value.size(), false)});
}

Bytes VersionResource(const std::vector<Bytes>& parts) {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwStrucVersion = 0x00010000;
    const auto* p = reinterpret_cast<const std::uint8_t*>(&fixed);
    return Block(L"VS_VERSION_INFO", Bytes(p, p + sizeof(fixed)), sizeof(fixed), false, parts);
}

// A copy of the built program whose only resource is the given version
// information.
std::wstring ProgramWithVersion(const wchar_t* name, const Bytes& resource) {
    const std::wstring path = TempFolder() + name;
    EXPECT_TRUE(::CopyFileW(L"" MAROVAN_EXE_NAME, path.c_str(), FALSE));
    HANDLE update = ::BeginUpdateResourceW(path.c_str(), TRUE);
    EXPECT_NE(update, nullptr);
    EXPECT_TRUE(::UpdateResourceW(update, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO),
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                  const_cast<std::uint8_t*>(resource.data()),
                                  static_cast<DWORD>(resource.size())));
    EXPECT_TRUE(::EndUpdateResourceW(update, FALSE));
    return path;
}

TEST(FileVersion, OfTheBuiltProgram) {
    const FileVersion version = ReadFileVersion(L"" MAROVAN_EXE_NAME);
    EXPECT_EQ(version.lookup, VersionLookup::Found);
    EXPECT_EQ(version.value, u"" MAROVAN_VERSION_TEXT);
    EXPECT_EQ(VersionLine(version.lookup, version.value), u"Version " MAROVAN_VERSION_TEXT);
}

TEST(FileVersion, FileWithoutVersionInformation) {
    const std::wstring text = TempFolder() + L"marovan-no-version.txt";
    std::ofstream(text.c_str()) << "no version here\n";
    for (const std::wstring& path : {text, TempFolder() + L"marovan-missing-file.exe"}) {
        const FileVersion version = ReadFileVersion(path);
        EXPECT_EQ(version.lookup, VersionLookup::NoVersionInformation);
        EXPECT_EQ(VersionLine(version.lookup, version.value), u"Version nothing");
    }
    ::DeleteFileW(text.c_str());
}

TEST(FileVersion, FollowsTheFirstTranslation) {
    struct Case {
        const wchar_t* name;
        const char* why;
        Bytes resource;
        VersionLookup lookup;
        const char16_t* value;
    };
    const Bytes english = StringTable(
        L"040904E4", {String(L"CompanyName", L"x"), String(L"FileVersion", L"2.0.0.331")});
    const std::vector<Case> cases = {
        {L"marovan-v1.exe", "matching table",
         VersionResource({english, Translations({0x0409, 0x04E4})}), VersionLookup::Found,
         u"2.0.0.331"},
        // The first entry decides, even when a later one would match.
        {L"marovan-v2.exe", "second translation matches",
         VersionResource({english, Translations({0x0411, 0x04B0, 0x0409, 0x04E4})}),
         VersionLookup::NoFileVersion, u""},
        {L"marovan-v3.exe", "no VarFileInfo", VersionResource({english}),
         VersionLookup::NoTranslation, u""},
        {L"marovan-v4.exe", "empty translation table", VersionResource({english, Translations({})}),
         VersionLookup::NoTranslation, u""},
        {L"marovan-v5.exe", "table without FileVersion",
         VersionResource({StringTable(L"040904E4", {String(L"ProductVersion", L"9")}),
                          Translations({0x0409, 0x04E4})}),
         VersionLookup::NoFileVersion, u""},
    };
    for (const Case& c : cases) {
        const std::wstring path = ProgramWithVersion(c.name, c.resource);
        const FileVersion version = ReadFileVersion(path);
        EXPECT_EQ(version.lookup, c.lookup) << c.why;
        EXPECT_EQ(version.value, c.value) << c.why;
        ::DeleteFileW(path.c_str());
    }
}

} // namespace
} // namespace marovan
