// GObjectPtr holds exactly one reference: none lost, none left over, through
// adopting, referencing, sinking, moving and handing back.
#include "platform/gobject_ptr.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using platform::AdoptGObject;
using platform::GObjectPtr;
using platform::RefGObject;
using platform::RefSinkGObject;

guint Refs(gpointer object) { return G_OBJECT(object)->ref_count; }

// Counts the object's finalisation.
struct Watched {
  Watched() : object(G_OBJECT(g_object_new(G_TYPE_OBJECT, nullptr))) {
    g_object_weak_ref(
        object, [](gpointer gone, GObject*) { ++*static_cast<int*>(gone); }, &gone);
  }
  GObject* object;
  int gone = 0;
};

TEST(GObjectPtr, OwnsOneReferenceWhicheverWayItCame) {
  Watched adopted;
  {
    GObjectPtr<GObject> held = AdoptGObject(adopted.object);
    EXPECT_EQ(Refs(held.get()), 1u);
  }
  EXPECT_EQ(adopted.gone, 1);

  Watched shared;
  {
    GObjectPtr<GObject> held = RefGObject(shared.object);
    EXPECT_EQ(Refs(shared.object), 2u);
  }
  EXPECT_EQ(Refs(shared.object), 1u);
  g_object_unref(shared.object);
  EXPECT_EQ(shared.gone, 1);

  // A floating object is taken over, not referenced twice.
  auto* floating = static_cast<GInitiallyUnowned*>(g_object_new(G_TYPE_INITIALLY_UNOWNED, nullptr));
  GObjectPtr<GInitiallyUnowned> sunk = RefSinkGObject(floating);
  EXPECT_FALSE(g_object_is_floating(floating));
  EXPECT_EQ(Refs(floating), 1u);

  EXPECT_FALSE(AdoptGObject<GObject>(nullptr));
  EXPECT_FALSE(RefGObject<GObject>(nullptr));
}

TEST(GObjectPtr, MovesResetsAndReleasesWithoutLeaksOrDoubleReleases) {
  Watched first, second;
  GObjectPtr<GObject> a = AdoptGObject(first.object);
  GObjectPtr<GObject> b = std::move(a);
  EXPECT_FALSE(a);  // NOLINT(bugprone-use-after-move): a moved-from holder is empty
  EXPECT_EQ(Refs(first.object), 1u);

  // Assigning over a holder gives back what it held.
  b = AdoptGObject(second.object);
  EXPECT_EQ(first.gone, 1);
  EXPECT_EQ(Refs(second.object), 1u);

  GObject* released = b.release();
  EXPECT_FALSE(b);
  EXPECT_EQ(second.gone, 0);
  b.reset(released);
  b.reset();
  EXPECT_EQ(second.gone, 1);
}

}  // namespace
