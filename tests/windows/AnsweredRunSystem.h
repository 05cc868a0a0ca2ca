#pragma once
// The program's own services for a run, with both prompts answered as the
// test says and the folder never opened in the shell.

#include "main/WindowsRunSystem.h"

#include <optional>
#include <string>

namespace marovan::test {

class AnsweredRunSystem : public WindowsRunSystem {
public:
    explicit AnsweredRunSystem(UINT codePage = CP_ACP)
        : WindowsRunSystem(codePage) {}

    RunOptions ReadRunOptions() override { return options; }
    std::optional<std::u16string> PromptFolder(std::u16string_view, std::u16string_view) override {
        return folder;
    }
    std::optional<std::u16string> PromptDocument(std::u16string_view) override { return document; }
    void OpenFolder(std::u16string_view) override {}

    RunOptions options;
    std::optional<std::u16string> folder;   // nothing: the prompt is cancelled
    std::optional<std::u16string> document; // nothing: the prompt is cancelled
};

} // namespace marovan::test
