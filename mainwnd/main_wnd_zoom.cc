// The page zoom: Ctrl+plus (or Ctrl+=), Ctrl+minus, Ctrl+0 and Ctrl with the
// wheel over the page make the page bigger or smaller in the usual steps and
// back to its start size. The level the person chose is kept in window.ini
// and comes back at the next start. (The desktop's text size needs no zoom:
// the engine draws the pages' text at that size already.)
#include "engine/cef_browser.h"
#include "engine/cef_browser_host.h"
#include "mainwnd/main_wnd.h"
#include "mainwnd/page_zoom.h"
#include "mainwnd/window_placement.h"
#include "platform/log.h"

void CMainWnd::ZoomIn() { SetZoom(NextZoomStep(m_nZoomPercent, true)); }

void CMainWnd::ZoomOut() { SetZoom(NextZoomStep(m_nZoomPercent, false)); }

void CMainWnd::ZoomReset() { SetZoom(kDefaultZoom); }

void CMainWnd::OnZoomWheel(int delta) {
  // A wheel turns in notches of WHEEL_DELTA; a touchpad in small parts of
  // one, which add up to a step.
  m_nWheelTurn += delta;
  while (m_nWheelTurn >= WHEEL_DELTA) {
    m_nWheelTurn -= WHEEL_DELTA;
    ZoomIn();
  }
  while (m_nWheelTurn <= -WHEEL_DELTA) {
    m_nWheelTurn += WHEEL_DELTA;
    ZoomOut();
  }
}

void CMainWnd::SetZoom(int percent) {
  if (percent == m_nZoomPercent) return;
  m_nZoomPercent = percent;
  ApplyZoom();
  // The start size is no choice to keep.
  SaveZoomPercent(WindowPlacementFile(), percent == kDefaultZoom ? 0 : percent);
  platform::Log("page zoom %d%%", percent);
}

void CMainWnd::ApplyZoom() {
  CefRefPtr<CefBrowser> browser = m_handler->GetBrowser();
  if (!browser) return;
  browser->GetHost()->SetZoomLevel(ZoomLevelOf(m_nZoomPercent));
  m_bZoomApplied = true;
}
