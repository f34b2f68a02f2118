// The types, constants and calls of the desktop platform that the client's own
// code is written against. This header stands where the platform's own header
// would; the calls are implemented over POSIX, GLib/GTK and libcurl in the
// files of this folder, one group per file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// ---------------------------------------------------------------------------
// Basic types
// ---------------------------------------------------------------------------
using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using SHORT = std::int16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using HRESULT = std::int32_t;
using WCHAR = wchar_t;
using LPWSTR = wchar_t*;
using LPCWSTR = const wchar_t*;
using LPSTR = char*;
using LPCSTR = const char*;
using PVOID = void*;
using LPVOID = void*;
using HANDLE = void*;

struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
struct HDROP__;
using HDROP = HDROP__*;
struct HMENU__;
using HMENU = HMENU__*;
using HLOCAL = void*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

constexpr DWORD MAX_PATH = 260;

inline WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
inline WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
inline BYTE LOBYTE(std::uintptr_t v) { return static_cast<BYTE>(v & 0xFF); }
inline BYTE HIBYTE(std::uintptr_t v) { return static_cast<BYTE>((v >> 8) & 0xFF); }
inline LPARAM MAKELPARAM(WORD lo, WORD hi) {
  return static_cast<LPARAM>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
constexpr WORD MAKEWORD(BYTE lo, BYTE hi) { return static_cast<WORD>(lo | (hi << 8)); }
inline WPARAM MAKEWPARAM(WORD lo, WORD hi) {
  return static_cast<WPARAM>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}

struct POINT {
  LONG x = 0;
  LONG y = 0;
};
struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};
struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};
using LPRECT = RECT*;

// ---------------------------------------------------------------------------
// Result codes
// ---------------------------------------------------------------------------
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT INET_E_RESOURCE_NOT_FOUND = static_cast<HRESULT>(0x800C0005u);
constexpr HRESULT INET_E_DOWNLOAD_FAILURE = static_cast<HRESULT>(0x800C0008u);
constexpr HRESULT INET_E_CANNOT_CONNECT = static_cast<HRESULT>(0x800C0004u);
constexpr HRESULT STG_E_WRITEFAULT = static_cast<HRESULT>(0x8003001Du);
inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline bool FAILED(HRESULT hr) { return hr < 0; }

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
constexpr DWORD ERROR_TIMEOUT = 1460;

// ---------------------------------------------------------------------------
// Window messages, styles and flags
// ---------------------------------------------------------------------------
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_NCLBUTTONDBLCLK = 0x00A3;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
// WM_MOUSEWHEEL: the keys held in the low word of wParam, the turn in its
// high word (signed, WHEEL_DELTA a notch, away from the user positive).
constexpr WORD MK_CONTROL = 0x0008;
constexpr int WHEEL_DELTA = 120;
inline short GET_WHEEL_DELTA_WPARAM(WPARAM w) { return static_cast<short>(HIWORD(w)); }
inline WORD GET_KEYSTATE_WPARAM(WPARAM w) { return LOWORD(w); }
constexpr UINT WM_DROPFILES = 0x0233;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MAXIMIZED = 2;

constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_RESTORE = 0xF120;

constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr DWORD WS_EX_ACCEPTFILES = 0x00000010;

constexpr UINT CS_DBLCLKS = 0x0008;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
inline HWND const HWND_TOP = reinterpret_cast<HWND>(0);
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(1);
inline HWND const HWND_TOPMOST = reinterpret_cast<HWND>(-1);
inline HWND const HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);

constexpr int SW_SHOWNORMAL = 1;

// Virtual-key codes. Letters and digits are their upper-case ASCII codes
// ('A' to 'Z', '0' to '9').
constexpr UINT VK_BACK = 0x08;
constexpr UINT VK_TAB = 0x09;
constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_SHIFT = 0x10;
constexpr UINT VK_CONTROL = 0x11;
constexpr UINT VK_MENU = 0x12;  // Alt
constexpr UINT VK_PAUSE = 0x13;
constexpr UINT VK_CAPITAL = 0x14;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;
constexpr UINT VK_PRIOR = 0x21;  // Page Up
constexpr UINT VK_NEXT = 0x22;   // Page Down
constexpr UINT VK_END = 0x23;
constexpr UINT VK_HOME = 0x24;
constexpr UINT VK_LEFT = 0x25;
constexpr UINT VK_UP = 0x26;
constexpr UINT VK_RIGHT = 0x27;
constexpr UINT VK_DOWN = 0x28;
constexpr UINT VK_SNAPSHOT = 0x2C;
constexpr UINT VK_INSERT = 0x2D;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_LWIN = 0x5B;
constexpr UINT VK_RWIN = 0x5C;
constexpr UINT VK_APPS = 0x5D;
constexpr UINT VK_NUMPAD0 = 0x60;  // to VK_NUMPAD9 = 0x69
constexpr UINT VK_MULTIPLY = 0x6A;
constexpr UINT VK_ADD = 0x6B;
constexpr UINT VK_SUBTRACT = 0x6D;
constexpr UINT VK_DECIMAL = 0x6E;
constexpr UINT VK_DIVIDE = 0x6F;
constexpr UINT VK_F1 = 0x70;  // to VK_F24 = 0x87
constexpr UINT VK_F4 = 0x73;
constexpr UINT VK_F5 = 0x74;
constexpr UINT VK_F6 = 0x75;
constexpr UINT VK_F11 = 0x7A;
constexpr UINT VK_F24 = 0x87;
constexpr UINT VK_NUMLOCK = 0x90;
constexpr UINT VK_SCROLL = 0x91;
constexpr UINT VK_LSHIFT = 0xA0;
constexpr UINT VK_RSHIFT = 0xA1;
constexpr UINT VK_LCONTROL = 0xA2;
constexpr UINT VK_RCONTROL = 0xA3;
constexpr UINT VK_LMENU = 0xA4;
constexpr UINT VK_RMENU = 0xA5;
constexpr UINT VK_OEM_1 = 0xBA;  // ;:
constexpr UINT VK_OEM_PLUS = 0xBB;
constexpr UINT VK_OEM_COMMA = 0xBC;
constexpr UINT VK_OEM_MINUS = 0xBD;
constexpr UINT VK_OEM_PERIOD = 0xBE;
constexpr UINT VK_OEM_2 = 0xBF;  // /?
constexpr UINT VK_OEM_3 = 0xC0;  // `~
constexpr UINT VK_OEM_4 = 0xDB;  // [{
constexpr UINT VK_OEM_5 = 0xDC;  // \|
constexpr UINT VK_OEM_6 = 0xDD;  // ]}
constexpr UINT VK_OEM_7 = 0xDE;  // '"
// Modifier keys of a shortcut, as hot keys name them.
constexpr UINT MOD_ALT = 0x0001;
constexpr UINT MOD_CONTROL = 0x0002;
constexpr UINT MOD_SHIFT = 0x0004;

constexpr WPARAM HTCAPTION = 2;

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// ---------------------------------------------------------------------------
// Window calls (window_calls.cc). A handle names a window of the toolkit or
// the browser child of the engine; FindWindowW also finds main windows of
// other processes of the same user (copy-data channel).
// ---------------------------------------------------------------------------
struct COPYDATASTRUCT {
  ULONG_PTR dwData = 0;
  DWORD cbData = 0;
  PVOID lpData = nullptr;
};
using PCOPYDATASTRUCT = COPYDATASTRUCT*;

HWND FindWindowW(LPCWSTR class_name, LPCWSTR window_name);
BOOL IsWindow(HWND hwnd);
LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
// Like SendMessageW, but a window of another process gets at most timeout_ms
// to take and answer the message, whatever state its process is in; with
// SMTO_ABORTIFHUNG the wait ends early once that process has left the
// message unread for 5 seconds (it is stopped or hung). Nonzero
// on success with the handler's result in *result; 0 when the window has
// gone or the time ran out (GetLastError: ERROR_TIMEOUT), and then a message
// not yet handled never reaches the window. A window of this process is
// served at once, as by SendMessageW.
constexpr UINT SMTO_ABORTIFHUNG = 0x0002;
LRESULT SendMessageTimeoutW(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT flags,
                            UINT timeout_ms, ULONG_PTR* result);
BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags);
LONG GetWindowLongW(HWND hwnd, int index);
LONG SetWindowLongW(HWND hwnd, int index, LONG value);
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
HWND GetDesktopWindow();
HWND GetParent(HWND hwnd);
void PostQuitMessage(int exit_code);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
// Whether the window is shown (WS_VISIBLE), and whether it is minimised
// (WS_MINIMIZE: iconified by the user or the window manager).
BOOL IsWindowVisible(HWND hwnd);
BOOL IsIconic(HWND hwnd);

// ---------------------------------------------------------------------------
// Timers (window_timers.cc). SetTimer sends the window WM_TIMER with wParam
// id every elapse_ms milliseconds, from the main thread's loop, until
// KillTimer; a timer of the same window and id is replaced. The timer ends
// by itself when its window goes. timer_proc must be null (the message is
// the only way of telling). Returns id, or 0 for a window this process does
// not have.
// ---------------------------------------------------------------------------
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, TIMERPROC timer_proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// ---------------------------------------------------------------------------
// Keyboard (keyboard.cc). While a window handles a key message, GetKeyState
// tells the modifier keys held with that key: negative (high bit set) when
// down. Outside a key message it tells the keyboard's state now. VK_CAPITAL
// has the low bit set while Caps Lock is on.
// ---------------------------------------------------------------------------
SHORT GetKeyState(int virtual_key);
// Gives the keyboard focus to a window of this process: the browser child, or
// a toolkit window's own controls. Returns the window that had it, or null.
HWND SetFocus(HWND hwnd);
// The window of this process with the keyboard focus, in the active
// top-level window; null when none of this process's windows is active.
HWND GetFocus();

// ---------------------------------------------------------------------------
// Process, time and named objects
// ---------------------------------------------------------------------------
DWORD GetLastError();
void SetLastError(DWORD error);
LPWSTR GetCommandLineW();
LPWSTR* CommandLineToArgvW(LPCWSTR command_line, int* argc);
HLOCAL LocalFree(HLOCAL mem);
// The full path of a file name: a relative name is joined to the current
// directory; "." and ".." components and repeated separators are resolved by
// the text alone, as the platform does. Returns the length written without
// the terminating zero, or, when buffer_length is too small, the size needed
// with it; 0 on failure. file_part (optional) points at the last component.
DWORD GetFullPathNameW(LPCWSTR file_name, DWORD buffer_length, LPWSTR buffer, LPWSTR* file_part);
struct SECURITY_ATTRIBUTES;
HANDLE CreateMutexW(SECURITY_ATTRIBUTES* attributes, BOOL initial_owner, LPCWSTR name);
BOOL CloseHandle(HANDLE handle);
DWORD GetTickCount();
void Sleep(DWORD milliseconds);

// ---------------------------------------------------------------------------
// Code pages
// ---------------------------------------------------------------------------
constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;

// Wide characters are wchar_t (UTF-32 on this platform); conversions count in
// wchar_t units. cbMultiByte/cchWideChar of -1 mean "up to and including the
// terminating zero", as on the original platform.
int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR multi_byte, int cb_multi_byte,
                        LPWSTR wide, int cch_wide);
int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR wide, int cch_wide, LPSTR multi_byte,
                        int cb_multi_byte, LPCSTR default_char, BOOL* used_default_char);
// The code page text written to the terminal is read in: that of the user's
// locale as the environment names it (LC_ALL, LC_CTYPE, LANG), whatever the
// process has set since. CP_UTF8 for UTF-8 and for the plain C locale, 936
// for GBK and GB2312, 54936 for GB18030.
UINT GetConsoleOutputCP();

// ---------------------------------------------------------------------------
// Profile files
// ---------------------------------------------------------------------------
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR default_value, LPSTR returned,
                               DWORD size, LPCSTR file_name);
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file_name);

// ---------------------------------------------------------------------------
// Shell
// ---------------------------------------------------------------------------
constexpr int CSIDL_APPDATA = 0x001A;        // the user's settings: $XDG_CONFIG_HOME
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;  // the user's data: $XDG_DATA_HOME
BOOL SHGetSpecialFolderPathW(HWND owner, LPWSTR path, int csidl, BOOL create);
BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int csidl, BOOL create);

constexpr UINT FO_COPY = 2;
constexpr UINT FO_DELETE = 3;
constexpr WORD FOF_SILENT = 0x0004;
constexpr WORD FOF_NOCONFIRMATION = 0x0010;
struct SHFILEOPSTRUCTA {
  HWND hwnd = nullptr;
  UINT wFunc = 0;
  LPCSTR pFrom = nullptr;  // list of paths, each ended by 0, the list by a further 0
  LPCSTR pTo = nullptr;
  WORD fFlags = 0;
  BOOL fAnyOperationsAborted = FALSE;
  LPVOID hNameMappings = nullptr;
  LPCSTR lpszProgressTitle = nullptr;
};
int SHFileOperationA(SHFILEOPSTRUCTA* operation);

UINT DragQueryFileW(HDROP drop, UINT index, LPWSTR file, UINT cch);
void DragFinish(HDROP drop);

HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, int show);

// ---------------------------------------------------------------------------
// Common dialogs
// ---------------------------------------------------------------------------
using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_ENABLEHOOK = 0x00000020;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_EXPLORER = 0x00080000;
constexpr DWORD OFN_EX_NOPLACESBAR = 0x00000001;
struct OPENFILENAMEW {
  DWORD lStructSize = 0;
  HWND hwndOwner = nullptr;
  HINSTANCE hInstance = nullptr;
  LPCWSTR lpstrFilter = nullptr;  // pairs of (label, pattern), each ended by 0, list by 0
  LPWSTR lpstrCustomFilter = nullptr;
  DWORD nMaxCustFilter = 0;
  DWORD nFilterIndex = 0;
  LPWSTR lpstrFile = nullptr;
  DWORD nMaxFile = 0;
  LPWSTR lpstrFileTitle = nullptr;
  DWORD nMaxFileTitle = 0;
  LPCWSTR lpstrInitialDir = nullptr;
  LPCWSTR lpstrTitle = nullptr;
  DWORD Flags = 0;
  WORD nFileOffset = 0;
  WORD nFileExtension = 0;
  LPCWSTR lpstrDefExt = nullptr;
  LPARAM lCustData = 0;
  LPOFNHOOKPROC lpfnHook = nullptr;
  LPCWSTR lpTemplateName = nullptr;
  void* pvReserved = nullptr;
  DWORD dwReserved = 0;
  DWORD FlagsEx = 0;
};
BOOL GetOpenFileNameW(OPENFILENAMEW* ofn);
BOOL GetSaveFileNameW(OPENFILENAMEW* ofn);

// ---------------------------------------------------------------------------
// URL download with a progress sink
// ---------------------------------------------------------------------------
struct GUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::uint8_t Data4[8] = {};
};
using IID = GUID;
using REFIID = const IID&;
struct IBinding;
struct BINDINFO;
struct FORMATETC;
struct STGMEDIUM;
using CLIPFORMAT = WORD;

class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

// Progress sink of URLDownloadToFileW; slots in the platform's order.
class IBindStatusCallback : public IUnknown {
 public:
  virtual HRESULT OnStartBinding(DWORD reserved, IBinding* binding) = 0;
  virtual HRESULT GetPriority(LONG* priority) = 0;
  virtual HRESULT OnLowResource(DWORD reserved) = 0;
  virtual HRESULT OnProgress(ULONG progress, ULONG progress_max, ULONG status_code,
                             LPCWSTR status_text) = 0;
  virtual HRESULT OnStopBinding(HRESULT result, LPCWSTR error) = 0;
  virtual HRESULT GetBindInfo(DWORD* bindf, BINDINFO* bindinfo) = 0;
  virtual HRESULT OnDataAvailable(DWORD bscf, DWORD size, FORMATETC* format, STGMEDIUM* medium) = 0;
  virtual HRESULT OnObjectAvailable(REFIID riid, IUnknown* object) = 0;

 protected:
  ~IBindStatusCallback() = default;
};
using LPBINDSTATUSCALLBACK = IBindStatusCallback*;

constexpr ULONG BINDSTATUS_BEGINDOWNLOADDATA = 4;
constexpr ULONG BINDSTATUS_DOWNLOADINGDATA = 5;
constexpr ULONG BINDSTATUS_ENDDOWNLOADDATA = 6;

HRESULT URLDownloadToFileW(LPUNKNOWN caller, LPCWSTR url, LPCWSTR file_name, DWORD reserved,
                           LPBINDSTATUSCALLBACK callback);

// ---------------------------------------------------------------------------
// Sockets: start-up and clean-up of the socket library over POSIX sockets.
// socket, gethostbyname and connect are the POSIX calls themselves.
// ---------------------------------------------------------------------------
using SOCKET = int;
constexpr SOCKET INVALID_SOCKET = -1;
constexpr int SOCKET_ERROR = -1;
struct WSADATA {
  WORD wVersion = 0;
  WORD wHighVersion = 0;
  char szDescription[257] = {};
  char szSystemStatus[129] = {};
  unsigned short iMaxSockets = 0;
  unsigned short iMaxUdpDg = 0;
  char* lpVendorInfo = nullptr;
};
using LPWSADATA = WSADATA*;
int WSAStartup(WORD version_requested, LPWSADATA data);
int WSACleanup();
int closesocket(SOCKET s);
constexpr int WSAEFAULT = 10014;
constexpr int WSAVERNOTSUPPORTED = 10092;
constexpr int WSANOTINITIALISED = 10093;
