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

// Controls of the main window, also found by the end-to-end driver.
#define IDC_COLLECT 1001        // SpeedButton1 "画像収集"
#define IDC_CLEAR_DETAILS 1002  // SpeedButton2 "詳細クリア"
#define IDC_DETAILS 1004        // SpeedButton4 "詳細表示" / "隠す"
#define IDC_OPTION 1005         // SpeedButton5 "Option"
#define IDC_INFO 1006           // SpeedButton6 "Info"
#define IDC_STATUS 1101         // Label1, the status line
#define IDC_TITLE 1102          // Label2, "Marovan" / "Debug Mode"
#define IDC_DESTINATION 1202    // Panel2, the destination line
#define IDC_PROGRESS 1301       // ProgressBar1
#define IDC_PAGES 1401          // PageControl1
#define IDC_DOCUMENT_TEXT 1501  // Memo1, the debug view
#define IDC_LINK_TABLE 1601     // StringGrid1, the link table
#define IDC_BUTTON_TIPS 1602    // the speed buttons' tooltips

// Commands of the link table's shortcut menu (and its Ctrl+C).
#define IDM_COPY_LINKS 1701     // "コピー"
#define IDM_SAVE_LINKS 1702     // "CSVで保存..."

// Controls of the Options dialog.
#define IDC_OPT_AI_COPY 2001      // CheckBox1
#define IDC_OPT_FOLDER_OPEN 2002  // CheckBox2
#define IDC_OPT_ERR_SEARCH 2003   // CheckBox3
#define IDC_OPT_SENDTO 2004       // CheckBox4
#define IDC_OPT_SUB_SEARCH 2005   // CheckBox5
#define IDC_OPT_NESTED_LINKS 2006 // CheckBox6
#define IDC_OPT_OK 2011           // Button1
#define IDC_OPT_CANCEL 2012       // Button2

// Controls of the About dialog.
#define IDC_INF_PICTURE 3001  // Image1
#define IDC_INF_NAME 3002     // Label1
#define IDC_INF_VERSION 3003  // Label2
#define IDC_INF_RIGHTS 3004   // Label3
#define IDC_INF_BANNER 3005   // Image2
#define IDC_INF_MAIL 3006     // Label4
#define IDC_INF_URL 3007      // Label5
#define IDC_INF_OK 3011       // Button1
