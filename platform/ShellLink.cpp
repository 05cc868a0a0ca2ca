#include "platform/ShellLink.h"

#include "main/Failure.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

#include <string>

namespace marovan::win {

namespace {

constexpr wchar_t kShellLinkClassId[] = L"{00021401-0000-0000-C000-000000000046}";

// The system's text ends in a line break, and often a full stop, that would
// sit in the middle of the sentence built around it.
std::wstring Description(HRESULT result) {
    std::wstring text = SystemMessage(static_cast<unsigned long>(result));
    // TODO(layering): the shared trimmer of system messages replaces this loop.
    while (!text.empty() && (text.back() == L'.' || static_cast<unsigned>(text.back()) <= L' '))
        text.pop_back();
    return text;
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
    link->SetPath(targetText.c_str());
    link->SetWorkingDirectory(folderText.c_str());
    ComPtr<IPersistFile> file;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())))
        file->Save(linkText.c_str(), FALSE);
}

} // namespace marovan::win
