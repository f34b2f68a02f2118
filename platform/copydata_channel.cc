// The copy-data channel's facade: the window calls (FindWindowW,
// SendMessageW, the window registry) and the tests see only these functions,
// which stand in for the three classes behind them, private to platform/.
// Publishing goes to the receiver, which lives on the main thread; finding
// and sending go to the sender, usable from any thread; the folders are the
// registry's.
#include "platform/copydata_channel.h"

#include "platform/copydata_receiver.h"
#include "platform/copydata_registry.h"
#include "platform/copydata_sender.h"

namespace platform::channel {

void PublishWindow(HWND hwnd, const std::wstring& class_name, const std::wstring& title) {
  CopyDataReceiver::Get().Publish(hwnd, class_name, title);
}

void WithdrawWindow(HWND hwnd) { CopyDataReceiver::Get().Withdraw(hwnd); }

HWND FindRemoteWindow(LPCWSTR class_name, LPCWSTR window_name) {
  return CopyDataSender::Get().Find(class_name, window_name);
}

bool IsRemoteHandle(HWND hwnd) { return CopyDataSender::Get().IsRemote(hwnd); }

bool IsRemoteWindowAlive(HWND hwnd) { return CopyDataSender::Get().IsAlive(hwnd); }

LRESULT SendRemoteMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  CopyDataSender::Get().Send(hwnd, msg, wparam, lparam, -1, false, &result);
  return result;
}

bool SendRemoteMessageWithin(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, int timeout_ms,
                             bool abort_if_hung, LRESULT* result) {
  return CopyDataSender::Get().Send(hwnd, msg, wparam, lparam, timeout_ms < 0 ? 0 : timeout_ms,
                                    abort_if_hung, result);
}

void SetSenderCredential(const std::string& credential) {
  CopyDataSender::Get().SetCredential(credential);
}

const MessageSender* CurrentMessageSender() { return CopyDataReceiver::Get().CurrentSender(); }

void SetSenderOrder(std::function<std::uint64_t()> stamp) {
  CopyDataSender::Get().SetOrder(std::move(stamp));
}

void SetOrderCheck(std::function<bool(const MessageSender&)> taken_in,
                   std::chrono::milliseconds wait) {
  CopyDataReceiver::Get().SetOrderCheck(std::move(taken_in), wait);
}

void ResumeHeldMessages() { CopyDataReceiver::Get().ResumeHeld(); }

void UseRegistryDirectory(const std::string& dir) { CopyDataRegistry::UseDir(dir); }

std::vector<std::string> SocketDirectories() { return CopyDataRegistry::SocketDirs(); }

void SetPeerCheckForTesting(std::function<bool(uid_t)> check) {
  CopyDataReceiver::Get().SetPeerCheck(std::move(check));
}

void SetListenerCheckForTesting(std::function<bool(uid_t)> check) {
  CopyDataSender::Get().SetListenerCheck(std::move(check));
}

std::string PublishedAddressForTesting(HWND hwnd, Route route) {
  return CopyDataReceiver::Get().AddressOf(hwnd, route);
}

std::size_t QueuedMessagesForTesting() { return CopyDataReceiver::Get().QueuedFrames(); }

}  // namespace platform::channel
