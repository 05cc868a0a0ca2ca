#pragma once
// Finding a program's own Linux process under Wine, for the figures Wine's
// Windows calls leave at zero (private bytes, bytes read). Wine's server
// opens files for its clients, so Z:\proc\self names the server, not the
// caller: a process is found by its command line instead.

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>

namespace marovan::test {

// The first Linux process whose command line holds every one of `parts` and
// none of `unless`; 0 when there is none (as on Windows, which has no
// Z:\proc).
inline int LinuxProcessWhoseCommandLineHolds(std::initializer_list<std::string_view> parts,
                                             std::string_view unless = {}) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("Z:\\proc", error)) {
        const std::string pid = entry.path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream file(entry.path() / "cmdline", std::ios::binary);
        const std::string line((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
        bool holds = unless.empty() || line.find(unless) == std::string::npos;
        for (const std::string_view part : parts)
            holds = holds && line.find(part) != std::string::npos;
        if (holds)
            return std::stoi(pid);
    }
    return 0;
}

} // namespace marovan::test
