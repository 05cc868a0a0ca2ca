// The built program file carries its manifest and icon, and needs no DLL but
// the system's.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

class ProgramResources : public testing::Test {
protected:
    void SetUp() override {
        wchar_t path[MAX_PATH] = {};
        ::GetFullPathNameW(L"" MAROVAN_EXE_NAME, MAX_PATH, path, nullptr);
        module_ = ::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr)
            << "run from the Windows build tree; error " << ::GetLastError();
    }
    void TearDown() override {
        if (module_)
            ::FreeLibrary(module_);
    }

    std::string Resource(LPCWSTR type, LPCWSTR name) const {
        HRSRC found = ::FindResourceW(module_, name, type);
        if (!found)
            return {};
        HGLOBAL loaded = ::LoadResource(module_, found);
        const auto* data = static_cast<const char*>(::LockResource(loaded));
        return std::string(data, ::SizeofResource(module_, found));
    }

    HMODULE module_ = nullptr;
};

// The value an element of the manifest holds; empty when it is missing.
std::string ElementText(const std::string& manifest, const std::string& element) {
    const std::size_t open = manifest.find("<" + element);
    if (open == std::string::npos)
        return {};
    const std::size_t start = manifest.find('>', open);
    const std::size_t end = manifest.find("</" + element + ">", open);
    if (start == std::string::npos || end == std::string::npos || end < start)
        return {};
    return manifest.substr(start + 1, end - start - 1);
}

TEST_F(ProgramResources, DeclaresCommonControls6AsInvokerPerMonitorDpiAndLongPaths) {
    const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    for (const char* part :
         {"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "level=\"asInvoker\"",
          "true/pm", "PerMonitorV2", "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
    // Where Windows allows long paths, this lets the program's calls take
    // them without their long form as well.
    EXPECT_EQ(ElementText(manifest, "longPathAware"), "true");
}

TEST_F(ProgramResources, CarriesTheApplicationIcon) {
    EXPECT_FALSE(Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(1)).empty());
}

} // namespace
