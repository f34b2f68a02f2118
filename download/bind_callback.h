// The progress sink of a download job: the platform's URL download calls it
// on the job's thread, and it hands each report to the window the job belongs
// to. It lives on that thread's stack for one download and is not counted.
#pragma once

#include "platform/windows.h"

class DownloadDialog;
class UpdateDialog;

class CBindCallback : public IBindStatusCallback {
 public:
  CBindCallback() = default;
  virtual ~CBindCallback() = default;

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT OnStartBinding(DWORD reserved, IBinding* binding) override;
  HRESULT GetPriority(LONG* priority) override;
  HRESULT OnLowResource(DWORD reserved) override;
  HRESULT OnProgress(ULONG progress, ULONG progress_max, ULONG status_code,
                     LPCWSTR status_text) override;
  HRESULT OnStopBinding(HRESULT result, LPCWSTR error) override;
  HRESULT GetBindInfo(DWORD* bindf, BINDINFO* bindinfo) override;
  HRESULT OnDataAvailable(DWORD bscf, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT OnObjectAvailable(REFIID riid, IUnknown* object) override;

  DownloadDialog* downloadDialog = nullptr;  // mode 0: the list window
  UpdateDialog* updateDialog = nullptr;      // mode 1: the update window
  int mode = 0;
  int index = 0;  // the job's row in the list window
};
