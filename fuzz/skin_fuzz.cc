// Skin parsing without a display: any XML text either yields no tree (with
// an error text) or a control tree that lays out, draws into an off-screen
// image and answers mouse input at every size without a fault. The skins are
// shipped with the client, but a damaged installation must not crash it.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "ui/ui_lib.h"

namespace {

void Exercise(CPaintManagerUI& pm, int width, int height, cairo_t* cr) {
  pm.SetClientSize(width, height);
  pm.UpdateLayout();
  pm.Paint(cr);
  const POINT points[] = {{0, 0}, {width / 2, height / 2}, {width - 1, height - 1}, {-5, 7}};
  for (const POINT& pt : points) {
    pm.FindControl(pt);
    pm.MouseMove(pt);
    pm.IsInteractiveAt(pt);
    pm.Scroll(pt, 3);
  }
  pm.ButtonDown(points[1], false);
  pm.ButtonUp(points[1]);
  pm.MouseLeave();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string xml(reinterpret_cast<const char*>(data), size);
  CPaintManagerUI pm;
  // Images named by the skin are looked up in the repository's skin folder.
  pm.SetResourcePath(L"" QUORBITAL_SKIN_DIR);
  CDialogBuilder builder;
  CControlUI* root = builder.CreateFromString(xml, &pm);
  if (root == nullptr) {
    FUZZ_CHECK(!builder.GetLastErrorText().empty());
    return 0;
  }
  FUZZ_CHECK(builder.GetLastErrorText().empty());
  pm.AttachDialog(root);

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 320, 240);
  cairo_t* cr = cairo_create(surface);
  Exercise(pm, 320, 240, cr);
  Exercise(pm, 1, 1, cr);
  Exercise(pm, 0, 0, cr);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return 0;
}
