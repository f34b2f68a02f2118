// The main window's answer to a page whose web process does not answer: a
// box titled "页面没有响应" once that has lasted 5 seconds, with "重新加载"
// (ends that process; the page is loaded again) and "等待" (the box comes
// back 10 seconds later if the page still does not answer). The box closes
// by itself when the page answers again; it is not shown while the window
// is minimised or hidden, nor while the page waits for the client itself.
#include "engine/cef_unresponsive_process_callback.h"
#include "mainwnd/main_wnd.h"
#include "platform/log.h"

namespace {

// How often a due box is looked for while the page does not answer.
constexpr UINT kHangTickMs = 250;

}  // namespace

void CMainWnd::PageUnresponsive(CefRefPtr<CefUnresponsiveProcessCallback> callback) {
  m_hangCallback = callback;
  m_hangWatch.Unresponsive(PageHangWatch::Clock::now());
  SetTimer(GetHWND(), kHangTimer, kHangTickMs, nullptr);
}

void CMainWnd::PageAnswersAgain() {
  m_hangWatch.AnswersAgain();
  m_hangCallback = nullptr;
  KillTimer(GetHWND(), kHangTimer);
  if (m_pHangBox) {
    platform::Log("main window: the page answers again; its box closes");
    m_pHangBox.reset();
  }
}

void CMainWnd::OnHangTimer() {
  if (!m_hangWatch.IsUnresponsive() || m_bClosing) {
    KillTimer(GetHWND(), kHangTimer);
    return;
  }
  if (!IsWindowVisible(GetHWND()) || IsIconic(GetHWND())) return;
  if (m_hangWatch.BoxDue(PageHangWatch::Clock::now())) ShowHangBox();
}

void CMainWnd::ShowHangBox() {
  m_hangWatch.BoxShown();
  platform::QuestionBox::Question question;
  question.owner = GetHWND();
  question.title = L"页面没有响应";
  question.text = L"这个页面没有响应。";
  question.detail =
      L"页面可能正忙于处理，也可能已经卡住。您可以等待它完成，也可以重新加载页面"
      L"（页面中尚未保存的更改可能会丢失）。";
  question.first = L"重新加载";
  question.second = L"等待";
  m_pHangBox = std::make_unique<platform::QuestionBox>(
      question, [this](platform::QuestionBox::Answer answer) { OnHangBoxAnswer(answer); });
}

void CMainWnd::OnHangBoxAnswer(platform::QuestionBox::Answer answer) {
  // Called by the box itself: it is already down and may go now.
  std::unique_ptr<platform::QuestionBox> box = std::move(m_pHangBox);
  if (answer == platform::QuestionBox::Answer::kSecond) {
    platform::Log("main window: waiting for the page");
    m_hangWatch.Waited(PageHangWatch::Clock::now());
    return;
  }
  platform::Log("main window: ending the page's web process to load the page again");
  // The client loads the page again once the engine reports the end.
  if (CefRefPtr<CefUnresponsiveProcessCallback> callback = m_hangCallback) callback->Terminate();
}
