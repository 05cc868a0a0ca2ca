#pragma once
// What one folder holds, as a search through a folder tree needs it.

#include <string>
#include <vector>

namespace marovan {

struct FolderListing {
    struct Subfolder {
        std::u16string name;
        // What keeps a folder out of a search: the user hid it, the system
        // owns it, or it leads elsewhere (a junction or a symbolic link,
        // which can loop back into the tree).
        bool hidden = false;
        bool system = false;
        bool reparsePoint = false;
    };
    // In the order the system gave them, which need not be any order at all.
    std::vector<Subfolder> subfolders;
    std::vector<std::u16string> files;
};

} // namespace marovan
