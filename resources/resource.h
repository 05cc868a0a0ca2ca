// Resource identifiers of Marovan.exe, shared by the .rc file and the code.
#pragma once

#define IDI_MAROVAN 1

// Pictures of the five main-window buttons (icons, 32 x 32 at 96 DPI).
#define IDI_BUTTON_COLLECT 101
#define IDI_BUTTON_CLEAR 102
#define IDI_BUTTON_DETAILS 103
#define IDI_BUTTON_OPTION 104
#define IDI_BUTTON_INFO 105

// PNG pictures of the About dialog, stored as resources of type "PNG".
#define IDP_PROGRAM_PICTURE 201
#define IDP_BANNER 202
