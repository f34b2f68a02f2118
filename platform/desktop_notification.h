// Desktop notifications: a short notice through the session's notification
// service (org.freedesktop.Notifications on the session bus), for news a
// person should hear of while the client's windows are not in front.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Whether one of this process's windows is the desktop's active window.
// Main thread.
bool IsAnyWindowActive();

// Shows a notice with a title and a line of text, without waiting for the
// service; where the session has no notification service (or no session
// bus) nothing happens. Both are plain text: the line is escaped for a
// service that reads markup in it, so a file name such as "<b>x</b>" shows
// as written. Main thread.
void ShowDesktopNotification(const std::wstring& title, const std::wstring& body);

// text (UTF-8) with "&", "<" and ">" written as the entities of the
// notification services' body markup.
std::string EscapeNotificationMarkup(std::string_view text);

}  // namespace platform
