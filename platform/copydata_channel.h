// Windows of other processes of the same user: the main window registers its
// class and title in a per-user directory, FindWindowW looks there when no
// local window matches, and WM_COPYDATA sent to such a window travels as a
// framed request over a Unix domain socket.
//
// A published window is reachable by two routes, each with a registry and
// sockets of its own: one for the user's other processes (a second start of
// the client), and one for the helpers this process starts (WebKit's web
// processes). A confined helper is given only the folders of its route, so
// nothing that runs inside its sandbox can reach the other one.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/windows.h"

namespace platform::channel {

enum class Route {
  kUserProcesses,  // $XDG_RUNTIME_DIR/quorbital-windows: any process of this user
  kHelpers,        // $XDG_RUNTIME_DIR/quorbital-bridge: folders a confined helper is given
};

// Called by the window calls for a window created with a class and title, so
// other processes can find it; and when it goes away. Main thread only; the
// window's messages from other processes are then served by the main thread's
// loop, one at a time, in arrival order (a handler that runs a modal loop
// holds the next one back until it returns).
void PublishWindow(HWND hwnd, const std::wstring& class_name, const std::wstring& title);
void WithdrawWindow(HWND hwnd);

// A handle for a matching window of another process, or null. Both names must
// match when both are given; a null name matches any. The oldest matching
// window that still answers wins; entries left by ended processes are removed.
HWND FindRemoteWindow(LPCWSTR class_name, LPCWSTR window_name);
bool IsRemoteHandle(HWND hwnd);
// Whether the window's process accepts a connection now.
bool IsRemoteWindowAlive(HWND hwnd);
// Messages that cross carry a copy-data record in lParam: WM_COPYDATA, and
// the application's own messages (WM_APP and above) built the same way.
// Anything else returns 0. Blocks until the
// receiving window's handler has returned and gives its result; 0 at once when
// the window or its process has gone. The payload is at most 1 MiB.
LRESULT SendRemoteMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
// The same, ending within timeout_ms however the receiver behaves (stopped,
// hung, in a modal loop), and with abort_if_hung as soon as its process has
// left the message unread for 5 seconds: true with the handler's result,
// false when the window has gone or the time ran out; a message still
// unhandled by then is withdrawn and never reaches the window.
bool SendRemoteMessageWithin(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, int timeout_ms,
                             bool abort_if_hung, LRESULT* result);
inline bool CrossesProcesses(UINT msg) {
  return msg == WM_COPYDATA || (msg >= WM_APP && msg <= 0xBFFF);
}

// This process's credential, a secret its starter gave it: sent once on each
// connection this process opens to a window of another process, before its
// first message, so that the receiver can tell which of its helpers sent a
// message. Empty (the default): nothing is sent. Set it before the first send.
void SetSenderCredential(const std::string& credential);

// Who sent the message from another process that the main thread is
// dispatching now: the sending process as the kernel names it (in the
// receiver's view, whatever namespaces the sender runs in), its user, the
// credential it opened its connection with ("" when none) and the route it
// came by (which socket took the connection, not what the sender says).
// Null while no such message is being dispatched (a message of this process,
// say). A connection of the helpers' route must open with a credential; one
// that does not is dropped before its first message.
struct MessageSender {
  pid_t pid = 0;
  uid_t uid = 0;
  std::string credential;
  Route route = Route::kUserProcesses;
  // The number of the sender's news that the message follows (see
  // SetSenderOrder); 0 when it asked for no order.
  std::uint64_t order = 0;
};
const MessageSender* CurrentMessageSender();

// Order between this channel and another way a sender talks to the
// receiving process (a web process's news to the client over the web
// engine's own channel, which arrives on another thread and may come in
// later than a message sent after it). The sender numbers its news; stamp,
// called before each message this process sends and on the sending thread,
// gives the number of the last news that message must not overtake (0:
// none). Set it before the first send.
void SetSenderOrder(std::function<std::uint64_t()> stamp);
// The receiving side, on the main thread: a message with an order number is
// dispatched only once taken_in says the sender's news up to that number has
// come in; until then it waits, and so does every message behind it. A
// message whose news has not come within wait is answered 0 undispatched
// (with one warning line). An empty function dispatches every message at once.
void SetOrderCheck(std::function<bool(const MessageSender&)> taken_in,
                   std::chrono::milliseconds wait = std::chrono::seconds(5));
// Asks the order check again for a waiting message: call when news came in.
void ResumeHeldMessages();

// The registry directory for a process that cannot find it by itself (a
// confined web process, which sees the helpers' registry its client names
// and not the runtime directory around it). Set before the first find.
void UseRegistryDirectory(const std::string& dir);
// The folders of the helpers' route, which a helper must reach to send to
// this process's windows: its registry directory and, when the socket
// addresses there would be too long, the short folder its sockets go to
// instead; made when missing. Empty when no safe directory can be had.
std::vector<std::string> SocketDirectories();

// For tests: replaces the check of a connecting process's user (by default:
// the same user as this process); an empty function restores the default.
void SetPeerCheckForTesting(std::function<bool(uid_t)> check);
// For tests: replaces the check of a listening process's user before a send
// (by default: the same user as this process).
void SetListenerCheckForTesting(std::function<bool(uid_t)> check);
// For tests: the socket address of a window published by this process on a
// route ("" if none), and the number of complete messages waiting for their
// dispatch.
std::string PublishedAddressForTesting(HWND hwnd, Route route = Route::kUserProcesses);
std::size_t QueuedMessagesForTesting();

}  // namespace platform::channel
