// Names of the engine's own messages from a web process to the browser side,
// which keep the browser side's list of a page's frames: a frame has a new
// document ("(tbs)": frame identifier, main frame or not, the document's
// address), or a frame has gone ("(t)": frame identifier). They never reach
// the client's OnProcessMessageReceived. A third one says that the renderer's
// handler took over a navigation of the page ("(s)": its address), which the
// browser side then lets end as aborted, so the page that was shown stays. A
// fourth brings the web process's own secret ("(s)"), sent with each new page
// and each new main document, so that the view knows which process shows it.
// A fifth is a barrier ("(st)": the process's secret and the barrier's
// number): the browser side has taken in all the process sent on this
// channel before it, WebKit's own news (commits) included, once it has the
// barrier. The process sends one before its first bridge message after any
// such news, and numbers that message with it (SetSenderOrder), so that the
// message, which travels the copy-data channel, is not judged before the
// news it follows.
#pragma once

namespace engine {

inline constexpr char kFrameDocumentMessage[] = "engine.frame-document";
inline constexpr char kFrameGoneMessage[] = "engine.frame-gone";
inline constexpr char kNavigationTakenMessage[] = "engine.navigation-taken";
inline constexpr char kRendererMessage[] = "engine.renderer";
inline constexpr char kOrderMessage[] = "engine.order";
// From the browser side to a page's web process, with a reply: a navigation
// of the page is about to be decided ("(sbu)": its address, whether it is a
// redirect, WebKit's navigation type); the reply "(b)" says whether the
// render-process handler took it over (navigation_decision.h).
inline constexpr char kNavigationQueryMessage[] = "engine.before-navigation";

}  // namespace engine
