#include "platform/ShellLink.h"

#include "base/Failure.h"
#include "base/Text.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

#include <string>

namespace marovan::win {

namespace {

constexpr wchar_t kShellLinkClassId[] = L"{00021401-0000-0000-C000-000000000046}";

std::wstring Description(HRESULT result) {
    const std::wstring text = SystemMessage(static_cast<unsigned long>(result));
    return Wide(TrimmedDescription(View(text)));
}

} // namespace

void SaveShellLink(std::wstring_view linkPath, std::wstring_view target,
                   std::wstring_view workingFolder) {
    ComPtr<IShellLinkW> link;
    const HRESULT created = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                               IID_IShellLinkW, link.put_void());
    if (FAILED(created))
        throw Failure(U16(Description(created) + L", ClassID: " + kShellLinkClassId));
    const std::wstring targetText(target);
    const std::wstring folderText(workingFolder);
    const std::wstring linkText(linkPath);
    const auto check = [&](HRESULT result) {
        if (FAILED(result))
            throw Failure(U16(linkText + L" に書き込めません：" + Description(result)));
    };
    check(link->SetPath(targetText.c_str()));
    check(link->SetWorkingDirectory(folderText.c_str()));
    ComPtr<IPersistFile> file;
    check(link->QueryInterface(IID_IPersistFile, file.put_void()));
    check(file->Save(linkText.c_str(), FALSE));
}

} // namespace marovan::win
