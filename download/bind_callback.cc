// The download job's progress sink: forwards reports with a known total, and
// the final report, to the window the job belongs to.
#include "download/bind_callback.h"

HRESULT CBindCallback::QueryInterface(REFIID, void** object) {
  if (object != nullptr) *object = nullptr;
  return E_NOTIMPL;
}

ULONG CBindCallback::AddRef() { return 0; }

ULONG CBindCallback::Release() { return 0; }

HRESULT CBindCallback::OnStartBinding(DWORD, IBinding*) { return E_NOTIMPL; }

HRESULT CBindCallback::GetPriority(LONG*) { return E_NOTIMPL; }

HRESULT CBindCallback::OnLowResource(DWORD) { return E_NOTIMPL; }

HRESULT CBindCallback::OnProgress(ULONG progress, ULONG progress_max, ULONG status_code, LPCWSTR) {
  // Without a total there is nothing to show: the row waits for a length.
  // The last report of a download always carries the file's size; only for
  // an empty file is that 0, and it still says the download finished.
  if (progress_max == 0 && status_code != BINDSTATUS_ENDDOWNLOADDATA) return S_OK;
  if (view != nullptr) view->UpdateProgress(progress, progress_max, index);
  return S_OK;
}

HRESULT CBindCallback::OnStopBinding(HRESULT, LPCWSTR) { return E_NOTIMPL; }

HRESULT CBindCallback::GetBindInfo(DWORD*, BINDINFO*) { return E_NOTIMPL; }

HRESULT CBindCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

HRESULT CBindCallback::OnObjectAvailable(REFIID, IUnknown*) { return E_NOTIMPL; }
