// Text that does not fit its room, shortened so that what tells it apart
// stays: a file name loses characters from its middle and keeps its start,
// its end and its extension ("lecture-notes-…-final.pdf").
#pragma once

#include <functional>
#include <string>

namespace ui {

// The longest form of text that fits: text itself when it fits, else text
// with characters of its middle replaced by "…", keeping the extension (the
// part from the last dot, up to 16 characters) whole and about as many
// characters before the cut as after it. When not even the extension with an
// ellipsis before it fits, that form is returned all the same.
std::wstring ShortenInMiddle(const std::wstring& text,
                             const std::function<bool(const std::wstring&)>& fits);

}  // namespace ui
