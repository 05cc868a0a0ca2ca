#pragma once
// The options of the settings file, as the program uses them.

namespace marovan {

// What a collection run takes from the settings file at its start.
struct RunOptions {
    bool aiCopy = false;      // copy the document into the destination too
    bool folderOpen = false;  // open the destination afterwards
    bool errSearch = false;   // look for a missing image beside the document
    bool subSearch = false;   // and then in the document folder's subfolders
    bool nestedLinks = false; // collect the links of placed .ai, .pdf and .eps files too
    bool operator==(const RunOptions&) const = default;
};

namespace settings {

// Every key of the section, as the Options dialog reads and writes them.
struct AllOptions {
    bool aiCopy = false;
    bool folderOpen = false;
    bool errSearch = false;
    bool sendTo = false;
    bool subSearch = false;
    bool nestedLinks = false;
    bool operator==(const AllOptions&) const = default;
};

} // namespace settings

} // namespace marovan
