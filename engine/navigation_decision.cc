// The browser side of the renderer's navigation decision.
#include "engine/navigation_decision.h"

#include <chrono>

#include "engine/frame_reports.h"
#include "platform/gobject_ptr.h"
#include "platform/log.h"

namespace engine {
namespace {

// The renderer answers once its handler has run, which may include a person
// choosing where to save a download; past this the navigation is dropped
// (its page's process hangs or the question was never answered).
constexpr auto kAnswerBound = std::chrono::minutes(5);

struct HeldDecision {
  platform::GObjectPtr<WebKitPolicyDecision> decision;
  guint timeout = 0;
  bool decided = false;
};

void Decide(HeldDecision* held, bool use) {
  if (held->decided) return;
  held->decided = true;
  if (use) {
    webkit_policy_decision_use(held->decision.get());
  } else {
    webkit_policy_decision_ignore(held->decision.get());
  }
}

void Release(HeldDecision* held) {
  if (held->timeout != 0) g_source_remove(held->timeout);
  delete held;
}

gboolean OnTimeout(gpointer data) {
  auto* held = static_cast<HeldDecision*>(data);
  held->timeout = 0;
  platform::LogWarning("engine: the page's process did not answer for a navigation; dropped");
  Decide(held, false);
  return G_SOURCE_REMOVE;
}

void OnAnswer(GObject* view, GAsyncResult* result, gpointer data) {
  auto* held = static_cast<HeldDecision*>(data);
  // No answer (no process yet, or it ended): the view goes on as without one.
  const platform::GObjectPtr<WebKitUserMessage> reply = platform::AdoptGObject(
      webkit_web_view_send_message_to_page_finish(WEBKIT_WEB_VIEW(view), result, nullptr));
  bool taken = false;
  if (reply) {
    GVariant* parameters = webkit_user_message_get_parameters(reply.get());
    if (parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) {
      gboolean value = FALSE;
      g_variant_get(parameters, "(b)", &value);
      taken = value;
    }
  }
  Decide(held, !taken);
  Release(held);
}

bool IsWebAddress(const char* uri) {
  return uri != nullptr && (g_str_has_prefix(uri, "http://") || g_str_has_prefix(uri, "https://"));
}

}  // namespace

bool AskRendererAboutNavigation(WebKitWebView* view, WebKitPolicyDecision* decision) {
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  WebKitURIRequest* request = action ? webkit_navigation_action_get_request(action) : nullptr;
  const gchar* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  // Only a request to the web costs a server anything; other addresses are
  // seen by the renderer when their load starts.
  if (!IsWebAddress(uri)) return false;
  auto* held = new HeldDecision;
  held->decision = platform::RefGObject(decision);
  held->timeout = g_timeout_add_seconds(
      std::chrono::duration_cast<std::chrono::seconds>(kAnswerBound).count(), OnTimeout, held);
  webkit_web_view_send_message_to_page(
      view,
      webkit_user_message_new(
          kNavigationQueryMessage,
          g_variant_new(
              "(sbu)", uri, webkit_navigation_action_is_redirect(action),
              static_cast<guint32>(webkit_navigation_action_get_navigation_type(action)))),
      nullptr, OnAnswer, held);
  return true;
}

}  // namespace engine
