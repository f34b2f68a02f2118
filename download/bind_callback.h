// The progress sink of a download job: the platform's URL download calls it
// on the job's thread, and it hands each report to the window the job belongs
// to. It lives on that thread's stack for one download and is not counted.
#pragma once

#include "platform/windows.h"

// A window that shows the progress of download jobs: the list window, one row
// per job, and the update window, one bar for the bundle's archive. The sink
// calls it on the job's thread; the window carries each report over to its own
// thread, in the order the job reported.
class DownloadProgressView {
 public:
  // Never called with a total of 0, except for the last report of an empty
  // file (progress 0 of 0). index is the job's row; a one-job window ignores it.
  virtual void UpdateProgress(ULONG progress, ULONG total, int index) = 0;

 protected:
  ~DownloadProgressView() = default;
};

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

  DownloadProgressView* view = nullptr;  // the window to report to; none drops reports
  int index = 0;                         // the job's row in the list window
};
