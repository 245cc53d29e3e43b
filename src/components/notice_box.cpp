#include "components/notice_box.h"

#include "base/exceptions.h"
#include "base/text.h"
#include "components/application.h"
#include "platform/ui.h"

namespace {

const char kOk[] = "OK";

}  // namespace

std::string NoticeClipboardText(const std::string& caption, const std::string& message,
                                const std::vector<std::string>& buttons) {
  const std::string divider = std::string(27, '-') + "\r\n";
  std::string captions;
  for (const std::string& b : buttons) captions += b + "   ";
  captions = text::ReplaceAll(captions, "&", "");
  return divider + caption + "\r\n" + divider + message + "\r\n" + divider + captions + "\r\n" +
         divider;
}

void NoticeBox(const std::string& text) {
  const std::string caption = ApplicationTitle;
  CheckShown(platform::ShowNoticeBox(caption, text, kOk, [&] {
    RunEventHandler([&] {
      platform::Beep();
      if (!platform::SetClipboardText(NoticeClipboardText(caption, text, {kOk}))) {
        throw Exception("Impossible d'ouvrir le Presse-papiers");
      }
    });
  }));
}
