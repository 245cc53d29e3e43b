// The notice box: a modal window with a text and one "OK" button, captioned ApplicationTitle.
#pragma once

#include <string>
#include <vector>

// Shows `text` and returns when the user dismisses the box. Ctrl+C copies the box as text; when
// the copy fails that error goes to ErrorBox and the box stays. A box that cannot be created
// raises EOSError.
void NoticeBox(const std::string& text);

// The plain text Ctrl+C puts on the clipboard: the caption, the message and the button captions
// (each followed by three spaces, ampersands removed) between lines of 27 hyphens, each line
// ending in CR LF.
std::string NoticeClipboardText(const std::string& caption, const std::string& message,
                                const std::vector<std::string>& buttons);
