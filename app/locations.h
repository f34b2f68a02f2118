// Every fixed location, file name, page location, URL marker and window name
// of the client, defined in one place. Locations under the data directory are
// the data directory followed directly by the text here (no separator added).
#pragma once

#include <string>

// The data directory's own name under the per-user application-data folder.
inline constexpr wchar_t kDataDirName[] = L"/vexalio";
inline constexpr char kDataDirNameA[] = "/vexalio";

inline constexpr wchar_t kCacheDir[] = L"/cache";
inline constexpr char kCacheDirA[] = "/cache";
inline constexpr char kEditorDirA[] = "/contentEditor";
inline constexpr wchar_t kEditorDir[] = L"/contentEditor";
inline constexpr wchar_t kVersionFile[] = L"/version.ini";
inline constexpr char kVersionFileA[] = "/version.ini";
inline constexpr wchar_t kUpdateInfoFile[] = L"/updateinfo.txt";
inline constexpr wchar_t kBundleArchive[] = L"/updatehtml.zip";
// The name a bundle job carries: the archive's file name with its leading
// separator, which is '/' on this platform as in every other location.
inline constexpr wchar_t kBundleJobName[] = L"/updatehtml.zip";

inline constexpr wchar_t kStartPage[] = L"/contentEditor/index.html";
inline constexpr wchar_t kOfflineEditorPrefix[] =
    L"/contentEditor/editor/index.html?channel=offline&file=";

inline constexpr wchar_t kMainWndClass[] = L"main_wnd_class";
inline constexpr wchar_t kMainWndTitle[] = L"Quorbital";

inline constexpr wchar_t kVendorApiPath[] = L"api/software/1";
inline constexpr wchar_t kDownloadLinkMarker[] = L"/slide/download";
inline constexpr wchar_t kInstructionLinkMarker[] = L"instruction.pdf";

inline constexpr wchar_t kMutexName[] = L"TEST_MUTEXT_NAME";
inline constexpr char kClientVersion[] = "1.4.3";

// A second start of the client hands its document path to the running main
// window with this message (a copy-data record holding the path as text, the
// same text layout as a bridge message); the main window answers 1.
inline constexpr unsigned int kOpenDocumentMessage = 0x8000 + 0x51;  // WM_APP + 0x51
// A renderer asks the main window whether the machine is online with this
// message (an empty copy-data record): web processes run without a network
// of their own, so the connectivity probe runs in the client. The main
// window answers 1 when it is, 0 otherwise (also to any page that is not the
// client's own).
inline constexpr unsigned int kOnlineQueryMessage = 0x8000 + 0x53;  // WM_APP + 0x53
