// Names of the engine's own messages from a web process to the browser side,
// which keep the browser side's list of a page's frames: a frame has a new
// document ("(tbs)": frame identifier, main frame or not, the document's
// address), or a frame has gone ("(t)": frame identifier). They never reach
// the client's OnProcessMessageReceived. A third one says that the renderer's
// handler took over a navigation of the page ("(s)": its address), which the
// browser side then lets end as aborted, so the page that was shown stays. A
// fourth brings the web process's own secret ("(s)"), sent with each new page
// and each new main document, so that the view knows which process shows it.
#pragma once

namespace engine {

inline constexpr char kFrameDocumentMessage[] = "engine.frame-document";
inline constexpr char kFrameGoneMessage[] = "engine.frame-gone";
inline constexpr char kNavigationTakenMessage[] = "engine.navigation-taken";
inline constexpr char kRendererMessage[] = "engine.renderer";
// From the browser side to a page's web process, with a reply: a navigation
// of the page is about to be decided ("(sbu)": its address, whether it is a
// redirect, WebKit's navigation type); the reply "(b)" says whether the
// render-process handler took it over (navigation_decision.h).
inline constexpr char kNavigationQueryMessage[] = "engine.before-navigation";

}  // namespace engine
