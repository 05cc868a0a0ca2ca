#pragma once
// The main window: title, the five buttons, the status line and progress bar,
// and below them the details (the destination line and the link table, and
// in debug mode the document text).

#include "main/CollectionRun.h"
#include "main/LinkTable.h"
#include "platform/Handles.h"
#include "platform/Window.h"

#include <windows.h>

namespace marovan {

class TF_main : public win::Window {
public:
    TF_main();
    ~TF_main() override;

    void Show(int showCommand);
    int RunMessageLoop();

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
};

} // namespace marovan
